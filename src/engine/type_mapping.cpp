#include "engine/type_mapping.h"

#include "engine/run_steps.h"

#include <array>
#include <utility>

namespace qc::engine {

namespace {

// What each column type becomes, with the number of its first step; the last rule takes every
// type no other rule names.
enum RuleIndex { Blob, Long, Double, SmallInt, Int, Currency, Decimal, Date, Timestamp, Bool, Char };
constexpr std::array<TypeRule, 11> kRules{{
    {" BLOB, ", "varwchar", "BLOB", false, 212},
    {" long, ", "longvar", "long", false, 220},
    {" DOUBLE, ", "double", "DOUBLE", true, 228},
    {" SMALLINT, ", "smallint", "SMALLINT", true, 238},
    {" INT, ", "int", "INT", true, 248},
    {" DOUBLE, ", "currency", "DOUBLE", true, 258},
    {" DEC, ", "decimal", "DEC", true, 268},
    {" DATE, ", "date", "DATE", false, 278},
    {" TIMESTAMP, ", "timestamp", "TIMESTAMP", false, 286},
    {" SMALLINT, ", "bool", "SMALLINT", true, 294},
    {" CHAR, ", "OTHER TYPES", "CHAR", false, 302},
}};

// The ADO type numbers with a rule of their own. The program this one replaces tested the
// lower-cased name of each ADO constant for the words the rules' second column shows, in the
// rules' order ("adLongVarWChar" met "varwchar" before "longvar", "adUnsignedTinyInt" met
// "tinyint" before "int"); these are the results of those tests for the 39 constants, so every
// column gets the type it got there.
constexpr std::array<std::pair<int, RuleIndex>, 21> kTypeRules{{
    {2, SmallInt},    // adSmallInt
    {3, Int},         // adInteger
    {5, Double},      // adDouble
    {6, Currency},    // adCurrency
    {7, Date},        // adDate
    {11, Bool},       // adBoolean
    {14, Decimal},    // adDecimal
    {16, SmallInt},   // adTinyInt
    {17, SmallInt},   // adUnsignedTinyInt
    {18, SmallInt},   // adUnsignedSmallInt
    {19, Int},        // adUnsignedInt
    {20, Int},        // adBigInt
    {21, Int},        // adUnsignedBigInt
    {131, Currency},  // adNumeric
    {133, Date},      // adDBDate
    {135, Timestamp}, // adDBTimeStamp
    {139, Currency},  // adVarNumeric
    {201, Long},      // adLongVarChar
    {202, Blob},      // adVarWChar
    {203, Blob},      // adLongVarWChar
    {205, Long},      // adLongVarBinary
}};

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

const TypeRule& ruleForType(int adoType) {
    for (const auto& [number, rule] : kTypeRules)
        if (number == adoType)
            return kRules[rule];
    return kRules[Char];
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
    for (int field = 0; field < fieldCount; ++field) {
        trap.step(Step::LetEventsThroughBeforeField, [&] { trap.ui().letEventsThrough(); });
        trap.step(Step::AddDatatypeRow, [&] { rows.addRow(table); });
        trap.step(Step::ShowFieldName,
                  [&] { rows.setLastRow(2, QString::fromStdString(fields.name(field))); });
        trap.step(Step::QuoteFieldName, [&] { quoted = quotedName(fields.name(field)); });
        // A type that cannot be read gets the catch-all CHAR rule, not the previous column's type.
        int type = -1;
        trap.step(Step::ReadFieldType, [&] { type = fields.type(field); });
        const TypeRule& rule = ruleForType(type);
        def.statement.append(quoted).append(rule.fragment); // [rule + 2]
        trap.step(rule.firstLine + 4, [&] { rows.setLastRow(3, QString::fromLatin1(rule.sourceWord)); });
        trap.step(rule.firstLine + 6, [&] { rows.setLastRow(4, QString::fromLatin1(rule.foxproWord)); });
        if (rule.numeric)
            def.numericColumns.push_back(position); // [rule + 8]
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
