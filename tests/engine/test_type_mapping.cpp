// The FoxPro table definition: the type each ADO type number gets, the CREATE TABLE text,
// NumericColumns and the datatype rows.
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

std::string typeOf(int type) {
    const auto b = build(QStringLiteral("T"), {{"c", type}});
    return b.rows.at(0)[3].toStdString();
}

} // namespace

TEST(TypeMapping, OrdersExample) {
    const auto b = build(
        QStringLiteral("Orders"),
        {{"OrderID", 3}, {"Customer", 202}, {"Placed", 135}, {"Amount", 131}, {"Note", 201}, {"Paid", 11}});
    EXPECT_EQ(b.def.statement,
              "CREATE TABLE [Orders] (\"OrderID\" INT, \"Customer\" BLOB, \"Placed\" TIMESTAMP, "
              "\"Amount\" DOUBLE, \"Note\" long, \"Paid\" SMALLINT);");
    EXPECT_EQ(b.def.NumericColumns, (std::vector<int>{0, 3, 5}));
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

TEST(TypeMapping, TheOrderOfTheRulesDecides) {
    EXPECT_EQ(typeOf(203), "BLOB"); // adLongVarWChar: varwchar before longvar
    EXPECT_EQ(typeOf(201), "long");
    EXPECT_EQ(typeOf(205), "long");
    EXPECT_EQ(typeOf(5), "DOUBLE");
    for (int t : {18, 17, 16, 2})
        EXPECT_EQ(typeOf(t), "SMALLINT") << t; // smallint/tinyint before int
    for (int t : {20, 21, 19, 3})
        EXPECT_EQ(typeOf(t), "INT") << t;
    for (int t : {6, 131, 139})
        EXPECT_EQ(typeOf(t), "DOUBLE") << t;
    EXPECT_EQ(typeOf(14), "DEC");
    EXPECT_EQ(typeOf(7), "DATE");
    EXPECT_EQ(typeOf(133), "DATE");
    EXPECT_EQ(typeOf(135), "TIMESTAMP");
    // The other ADO types, and numbers that are none.
    for (int t : {134, 4, 64, 72, 128, 204, 129, 130, 200, 0, 12, 8, 9, 10, 13, 132, 136, 138, 1, 65536 + 3})
        EXPECT_EQ(typeOf(t), "CHAR") << t;
    EXPECT_EQ(typeOf(11), "SMALLINT");

    // The source word is the rule's first test text, also when its second one matched.
    const auto b = build(QStringLiteral("T"), {{"a", 16}, {"b", 131}, {"c", 14}});
    EXPECT_EQ(b.rows[0][2], QStringLiteral("smallint"));
    EXPECT_EQ(b.rows[1][2], QStringLiteral("currency"));
    EXPECT_EQ(b.rows[2][2], QStringLiteral("decimal"));
    EXPECT_EQ(b.def.NumericColumns, (std::vector<int>{0, 1, 2}));
}

TEST(TypeMapping, UnknownOrUnreadableTypesBecomeChar) {
    const auto b = build(QStringLiteral("T"), {{"a", 3}, {"odd", 999}, {"bad", -5000}});
    EXPECT_EQ(b.def.statement, "CREATE TABLE [T] (\"a\" INT, \"odd\" CHAR, \"bad\" CHAR);");
    EXPECT_EQ(b.rows[1][2], QStringLiteral("OTHER TYPES"));
    EXPECT_EQ(b.rows[2][2], QStringLiteral("OTHER TYPES"));
    EXPECT_EQ(b.rows[2][3], QStringLiteral("CHAR"));
    ASSERT_EQ(b.reports.size(), 1u);
    EXPECT_TRUE(b.reports[0].text.contains(QStringLiteral("PushButton7_Click at line 210")));
    EXPECT_EQ(b.def.NumericColumns, (std::vector<int>{0}));
}

TEST(TypeMapping, NamesWithSpacesQuotesAndBracketsAreEscapedNotAltered) {
    const auto b =
        build(QStringLiteral("Weird]Name [x]"), {{"Order ID", 3}, {"say \"hi\"", 200}, {"[b]", 131}});
    EXPECT_EQ(b.def.statement,
              "CREATE TABLE [Weird]]Name [x]]] (\"Order ID\" INT, \"say \"\"hi\"\"\" CHAR, \"[b]\" DOUBLE);");
    // The datatype rows show the names as they are.
    EXPECT_EQ(b.rows[0][0], QStringLiteral("Weird]Name [x]"));
    EXPECT_EQ(b.rows[1][1], QStringLiteral("say \"hi\""));
    EXPECT_EQ(b.def.NumericColumns, (std::vector<int>{0, 2}));
}

TEST(TypeMapping, SingleColumnAndNonAsciiNames) {
    const auto b = build(QStringLiteral("Größe"), {{"Maß", 202}});
    EXPECT_EQ(b.def.statement, "CREATE TABLE [Größe] (\"Maß\" BLOB);");
    EXPECT_TRUE(b.def.NumericColumns.empty());
}
