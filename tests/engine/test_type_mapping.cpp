// The FoxPro table definition: the type each ADO type number gets, the CREATE TABLE text,
// numericColumns and the datatype rows.
#include "engine/type_mapping.h"

#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

using namespace qc;
using namespace qc::engine;

namespace {

class Columns : public FieldList {
  public:
    explicit Columns(std::vector<std::pair<std::string, int>> columns) : columns_(std::move(columns)) {}
    int count() const override { return static_cast<int>(columns_.size()); }
    const std::string& name(int field) const override { return columns_.at(field).first; }
    int type(int field) const override {
        if (columns_.at(field).second < -1000)
            throw std::runtime_error("Type unreadable");
        return columns_.at(field).second;
    }

  private:
    std::vector<std::pair<std::string, int>> columns_;
};

struct Built {
    TableDefinition def;
    std::vector<std::array<QString, 4>> rows;
    std::vector<test::Shown> reports;
};

Built build(const QString& table, std::vector<std::pair<std::string, int>> columns) {
    test::ScriptedUi ui;
    ErrorTrap trap(ui, QStringLiteral("Form1"), QStringLiteral("PushButton7_Click"));
    preview::DatatypeRows rows;
    Built built;
    built.def = buildTableDefinition(trap, Columns(std::move(columns)), table, rows);
    for (int r = 0; r < rows.count(); ++r)
        built.rows.push_back({rows.cell(r, 1), rows.cell(r, 2), rows.cell(r, 3), rows.cell(r, 4)});
    built.reports = ui.errorReports();
    return built;
}

// What a column of an ADO type number becomes: the words of its datatype row, and whether its
// values are written unquoted. Its CREATE TABLE fragment is the FoxPro word.
struct ColumnType {
    int adoType;
    const char* sourceWord;
    const char* foxproWord;
    bool numeric;
};

constexpr const char* kOther = "OTHER TYPES";

// Every ADO DataTypeEnum number with the type that the substring tests of its constant's name
// have always given it, in the order of the rules: "adLongVarWChar" met "varwchar" before
// "longvar", "adSmallInt" met "smallint" before "int"; the source word is the rule's first test
// text, also where its second one matched ("adTinyInt", "adNumeric").
constexpr ColumnType kAdoTypes[] = {
    {0, kOther, "CHAR", false},             // adEmpty
    {2, "smallint", "SMALLINT", true},      // adSmallInt
    {3, "int", "INT", true},                // adInteger
    {4, kOther, "CHAR", false},             // adSingle
    {5, "double", "DOUBLE", true},          // adDouble
    {6, "currency", "DOUBLE", true},        // adCurrency
    {7, "date", "DATE", false},             // adDate
    {8, kOther, "CHAR", false},             // adBSTR
    {9, kOther, "CHAR", false},             // adIDispatch
    {10, kOther, "CHAR", false},            // adError
    {11, "bool", "SMALLINT", true},         // adBoolean
    {12, kOther, "CHAR", false},            // adVariant
    {13, kOther, "CHAR", false},            // adIUnknown
    {14, "decimal", "DEC", true},           // adDecimal
    {16, "smallint", "SMALLINT", true},     // adTinyInt
    {17, "smallint", "SMALLINT", true},     // adUnsignedTinyInt
    {18, "smallint", "SMALLINT", true},     // adUnsignedSmallInt
    {19, "int", "INT", true},               // adUnsignedInt
    {20, "int", "INT", true},               // adBigInt
    {21, "int", "INT", true},               // adUnsignedBigInt
    {64, kOther, "CHAR", false},            // adFileTime
    {72, kOther, "CHAR", false},            // adGUID
    {128, kOther, "CHAR", false},           // adBinary
    {129, kOther, "CHAR", false},           // adChar
    {130, kOther, "CHAR", false},           // adWChar
    {131, "currency", "DOUBLE", true},      // adNumeric
    {132, kOther, "CHAR", false},           // adUserDefined
    {133, "date", "DATE", false},           // adDBDate
    {134, kOther, "CHAR", false},           // adDBTime
    {135, "timestamp", "TIMESTAMP", false}, // adDBTimeStamp
    {136, kOther, "CHAR", false},           // adChapter
    {138, kOther, "CHAR", false},           // adPropVariant
    {139, "currency", "DOUBLE", true},      // adVarNumeric
    {200, kOther, "CHAR", false},           // adVarChar
    {201, "longvar", "long", false},        // adLongVarChar
    {202, "varwchar", "BLOB", false},       // adVarWChar
    {203, "varwchar", "BLOB", false},       // adLongVarWChar
    {204, kOther, "CHAR", false},           // adVarBinary
    {205, "longvar", "long", false},        // adLongVarBinary
    // Numbers that are no ADO type, next to known ones and far beyond them.
    {1, kOther, "CHAR", false},
    {15, kOther, "CHAR", false},
    {137, kOther, "CHAR", false},
    {-1, kOther, "CHAR", false},
    {65536 + 3, kOther, "CHAR", false},
};

} // namespace

TEST(TypeMapping, EveryAdoTypeNumberGetsItsColumnType) {
    for (const ColumnType& t : kAdoTypes) {
        const auto b = build(QStringLiteral("T"), {{"c", t.adoType}});
        EXPECT_EQ(b.def.statement, std::string("CREATE TABLE [T] (\"c\" ") + t.foxproWord + ");")
            << t.adoType;
        ASSERT_EQ(b.rows.size(), 1u) << t.adoType;
        EXPECT_EQ(b.rows[0][2].toStdString(), t.sourceWord) << t.adoType;
        EXPECT_EQ(b.rows[0][3].toStdString(), t.foxproWord) << t.adoType;
        EXPECT_EQ(b.def.numericColumns, t.numeric ? std::vector<int>{0} : std::vector<int>{}) << t.adoType;
        EXPECT_TRUE(b.reports.empty()) << t.adoType;
    }
}

TEST(TypeMapping, OrdersExample) {
    const auto b = build(
        QStringLiteral("Orders"),
        {{"OrderID", 3}, {"Customer", 202}, {"Placed", 135}, {"Amount", 131}, {"Note", 201}, {"Paid", 11}});
    EXPECT_EQ(b.def.statement,
              "CREATE TABLE [Orders] (\"OrderID\" INT, \"Customer\" BLOB, \"Placed\" TIMESTAMP, "
              "\"Amount\" DOUBLE, \"Note\" long, \"Paid\" SMALLINT);");
    EXPECT_EQ(b.def.numericColumns, (std::vector<int>{0, 3, 5}));
    const std::vector<std::array<const char*, 4>> expected{{"Orders", "OrderID", "int", "INT"},
                                                           {"Orders", "Customer", "varwchar", "BLOB"},
                                                           {"Orders", "Placed", "timestamp", "TIMESTAMP"},
                                                           {"Orders", "Amount", "currency", "DOUBLE"},
                                                           {"Orders", "Note", "longvar", "long"},
                                                           {"Orders", "Paid", "bool", "SMALLINT"}};
    ASSERT_EQ(b.rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(b.rows[i][c].toStdString(), expected[i][c]) << "row " << i << " column " << c;
    EXPECT_TRUE(b.reports.empty());
}

TEST(TypeMapping, UnknownOrUnreadableTypesBecomeChar) {
    const auto b = build(QStringLiteral("T"), {{"a", 3}, {"odd", 999}, {"bad", -5000}});
    EXPECT_EQ(b.def.statement, "CREATE TABLE [T] (\"a\" INT, \"odd\" CHAR, \"bad\" CHAR);");
    EXPECT_EQ(b.rows[1][2], QStringLiteral("OTHER TYPES"));
    EXPECT_EQ(b.rows[2][2], QStringLiteral("OTHER TYPES"));
    EXPECT_EQ(b.rows[2][3], QStringLiteral("CHAR"));
    ASSERT_EQ(b.reports.size(), 1u);
    EXPECT_TRUE(b.reports[0].text.contains(QStringLiteral("PushButton7_Click at line 210")));
    EXPECT_EQ(b.def.numericColumns, (std::vector<int>{0}));
}

TEST(TypeMapping, NamesWithSpacesQuotesAndBracketsAreEscapedNotAltered) {
    const auto b =
        build(QStringLiteral("Weird]Name [x]"), {{"Order ID", 3}, {"say \"hi\"", 200}, {"[b]", 131}});
    EXPECT_EQ(b.def.statement,
              "CREATE TABLE [Weird]]Name [x]]] (\"Order ID\" INT, \"say \"\"hi\"\"\" CHAR, \"[b]\" DOUBLE);");
    // The datatype rows show the names as they are.
    EXPECT_EQ(b.rows[0][0], QStringLiteral("Weird]Name [x]"));
    EXPECT_EQ(b.rows[1][1], QStringLiteral("say \"hi\""));
    EXPECT_EQ(b.def.numericColumns, (std::vector<int>{0, 2}));
}

TEST(TypeMapping, SingleColumnAndNonAsciiNames) {
    const auto b = build(QStringLiteral("Größe"), {{"Maß", 202}});
    EXPECT_EQ(b.def.statement, "CREATE TABLE [Größe] (\"Maß\" BLOB);");
    EXPECT_TRUE(b.def.numericColumns.empty());
}
