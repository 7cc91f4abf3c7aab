#pragma once
// The statements the engine executes, as the parser hands them to the executor.

#include "foxpro/table_layout.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qc::foxpro {

struct Literal {
    enum class Kind { Number, Text, Null, True, False, Date, DateTime, EmptyDate };
    Kind kind = Kind::Null;
    // Number: the literal as written (sign, digits, point, exponent); Text: the text with ''
    // already turned into '; Date/DateTime: the text between "{^" and "}".
    std::string text;
};

struct ColumnDefinition {
    std::string name; // as written, brackets and quotes removed
    char type = 'C';
    int width = 0;
    int decimals = 0;
    bool nullable = true;
};

struct CreateTable {
    std::string table;
    std::optional<int> codePage; // CODEPAGE = n; without it the table takes the run's page
    std::vector<ColumnDefinition> columns;
};

// The fields as the statement defines them, under the names it wrote.
std::vector<FieldSpec> fieldSpecs(const CreateTable& statement);

struct DropTable {
    std::string table;
};

struct InsertInto {
    std::string table;
    std::vector<std::string> fields; // empty: every field in order
    std::vector<Literal> values;
};

using Statement = std::variant<CreateTable, DropTable, InsertInto>;

// Parses one statement (a trailing ";" allowed). Throws Error with "Syntax error." or
// "Unrecognized command verb." (no "SQL error: " prefix; the executor adds it).
Statement parseStatement(std::string_view text);
// The same into `reuse`, whose buffers an INSERT keeps for the next one.
void parseStatement(std::string_view text, Statement& reuse);

} // namespace qc::foxpro
