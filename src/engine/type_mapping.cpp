#include "engine/type_mapping.h"

#include "engine/run_steps.h"

#include <array>
#include <utility>

namespace qc::engine {

namespace {

constexpr std::array<std::pair<int, const char*>, 39> kTypeNames{{
    {0, "adEmpty"},
    {2, "adSmallInt"},
    {3, "adInteger"},
    {4, "adSingle"},
    {5, "adDouble"},
    {6, "adCurrency"},
    {7, "adDate"},
    {8, "adBSTR"},
    {9, "adIDispatch"},
    {10, "adError"},
    {11, "adBoolean"},
    {12, "adVariant"},
    {13, "adIUnknown"},
    {14, "adDecimal"},
    {16, "adTinyInt"},
    {17, "adUnsignedTinyInt"},
    {18, "adUnsignedSmallInt"},
    {19, "adUnsignedInt"},
    {20, "adBigInt"},
    {21, "adUnsignedBigInt"},
    {64, "adFileTime"},
    {72, "adGUID"},
    {128, "adBinary"},
    {129, "adChar"},
    {130, "adWChar"},
    {131, "adNumeric"},
    {132, "adUserDefined"},
    {133, "adDBDate"},
    {134, "adDBTime"},
    {135, "adDBTimeStamp"},
    {136, "adChapter"},
    {138, "adPropVariant"},
    {139, "adVarNumeric"},
    {200, "adVarChar"},
    {201, "adLongVarChar"},
    {202, "adVarWChar"},
    {203, "adLongVarWChar"},
    {204, "adVarBinary"},
    {205, "adLongVarBinary"},
}};

struct RuleTest {
    const char* first;
    const char* second; // nullptr when the rule has one test text
};

// The order matters: "adLongVarWChar" must meet "varwchar" before "longvar", "adSmallInt" must
// meet "smallint" before "int".
constexpr std::array<std::pair<RuleTest, TypeRule>, 11> kRules{{
    {{"varwchar", nullptr}, {" BLOB, ", "varwchar", "BLOB", false, 212}},
    {{"longvar", nullptr}, {" long, ", "longvar", "long", false, 220}},
    {{"double", nullptr}, {" DOUBLE, ", "double", "DOUBLE", true, 228}},
    {{"smallint", "tinyint"}, {" SMALLINT, ", "smallint", "SMALLINT", true, 238}},
    {{"int", nullptr}, {" INT, ", "int", "INT", true, 248}},
    {{"currency", "numeric"}, {" DOUBLE, ", "currency", "DOUBLE", true, 258}},
    {{"decimal", nullptr}, {" DEC, ", "decimal", "DEC", true, 268}},
    {{"date", nullptr}, {" DATE, ", "date", "DATE", false, 278}},
    {{"timestamp", nullptr}, {" TIMESTAMP, ", "timestamp", "TIMESTAMP", false, 286}},
    {{"bool", nullptr}, {" SMALLINT, ", "bool", "SMALLINT", true, 294}},
    {{nullptr, nullptr}, {" CHAR, ", "OTHER TYPES", "CHAR", false, 302}},
}};

bool contains(std::string_view word, const char* text) {
    return text && word.find(text) != std::string_view::npos;
}

std::string doubled(std::string_view name, char open, char close) {
    std::string out;
    out.reserve(name.size() + 2);
    out += open;
    for (char c : name) {
        out += c;
        if (c == close)
            out += close;
    }
    out += close;
    return out;
}

} // namespace

QString GetDataTypeName(int type) {
    for (const auto& [number, name] : kTypeNames)
        if (number == type)
            return QString::fromLatin1(name);
    return {};
}

const TypeRule& ruleForTypeWord(std::string_view typeWord) {
    for (const auto& [test, rule] : kRules)
        if (contains(typeWord, test.first) || contains(typeWord, test.second))
            return rule;
    return kRules.back().second;
}

std::string bracketedName(std::string_view name) {
    return doubled(name, '[', ']');
}

std::string quotedName(std::string_view name) {
    return doubled(name, '"', '"');
}

TableDefinition buildTableDefinition(ErrorTrap& trap, const FieldList& fields, const QString& table,
                                     preview::DatatypeRows& rows) {
    TableDefinition def;
    def.statement = "CREATE TABLE " + bracketedName(table.toStdString()) + " ("; // [192, 194]
    std::string quoted;                                                          // [196]
    int position = 0;                                                            // [198]

    int fieldCount = 0;
    trap.step(Step::CountFields, [&] { fieldCount = fields.count(); });
    std::string typeWord;
    for (int field = 0; field < fieldCount; ++field) {
        trap.step(Step::LetEventsThroughBeforeField, [&] { trap.ui().letEventsThrough(); });
        trap.step(Step::AddDatatypeRow, [&] { rows.addRow(table); });
        trap.step(Step::ShowFieldName,
                  [&] { rows.setLastRow(2, QString::fromStdString(fields.name(field))); });
        trap.step(Step::QuoteFieldName, [&] { quoted = quotedName(fields.name(field)); });
        // A type that cannot be read leaves the empty word, so the column still gets the
        // catch-all CHAR rule instead of the previous column's type.
        typeWord.clear();
        trap.step(Step::ReadFieldType,
                  [&] { typeWord = GetDataTypeName(fields.type(field)).toLower().toStdString(); });
        const TypeRule& rule = ruleForTypeWord(typeWord);
        def.statement.append(quoted).append(rule.fragment); // [rule + 2]
        trap.step(rule.firstLine + 4, [&] { rows.setLastRow(3, QString::fromLatin1(rule.sourceWord)); });
        trap.step(rule.firstLine + 6, [&] { rows.setLastRow(4, QString::fromLatin1(rule.foxproWord)); });
        if (rule.numeric)
            def.NumericColumns.push_back(position); // [rule + 8]
        ++position;                                 // [310]
    }

    // [312] The last ", " goes.
    std::string& s = def.statement;
    const auto first = s.find_first_not_of(' ');
    const auto last = s.find_last_not_of(' ');
    s = first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
    if (!s.empty())
        s.pop_back();
    def.statement += ");"; // [314]
    return def;
}

} // namespace qc::engine
