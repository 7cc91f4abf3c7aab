#pragma once
// The FoxPro table definition of one source table: the CREATE TABLE text, the positions of the
// columns later written in numeric form (numericColumns) and one datatype row per column, each
// column's type chosen by its ADO type number.

#include "preview/datatype_rows.h"
#include "shell/error_trap.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace qc::engine {

struct TypeRule {
    const char* fragment;   // appended after the quoted column name
    const char* sourceWord; // third column of the datatype row
    const char* foxproWord; // fourth column of the datatype row
    bool numeric;           // the column's values are written unquoted
    int firstLine;          // its steps carry the numbers firstLine + 2, + 4, ...
};

// The rule of the ADO type number; CHAR for a number no other rule takes.
const TypeRule& ruleForType(int adoType);

// "[" name "]" with every "]" doubled, so any table name reaches the target intact.
std::string bracketedName(std::string_view name);
// '"' name '"' with every '"' doubled.
std::string quotedName(std::string_view name);

struct TableDefinition {
    std::string statement;
    std::vector<int> numericColumns; // ascending 0-based field positions
};

// The fields of a result as the definition reads them; any of the three may throw.
class FieldList {
  public:
    virtual ~FieldList() = default;
    virtual int count() const = 0;
    virtual const std::string& name(int field) const = 0;
    virtual int type(int field) const = 0; // ADO data-type number
};

// Builds the definition of the table from its fields and appends its datatype rows. Every step
// that can fail runs through the caller's trap with its number, and window events are let
// through once per column.
TableDefinition buildTableDefinition(ErrorTrap& trap, const FieldList& fields, const QString& table,
                                     preview::DatatypeRows& rows);

} // namespace qc::engine
