#pragma once
// The FoxPro table definition of one source table: the CREATE TABLE text, the positions of the
// columns later written in numeric form (NumericColumns) and one datatype row per column. The
// mapping works on the lower-cased name of each column's ADO type constant, tested against a
// fixed sequence of substrings; the first rule that matches decides.

#include "preview/datatype_rows.h"
#include "shell/error_trap.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace qc::engine {

// The name of the ADO DataTypeEnum constant of the number ("adInteger", ...); empty when the
// number is not one of the 39 known values.
QString GetDataTypeName(int type);

struct TypeRule {
    const char* fragment;   // appended after the quoted column name
    const char* sourceWord; // third column of the datatype row
    const char* foxproWord; // fourth column of the datatype row
    bool numeric;           // the column's values are written unquoted
    int firstLine;          // its steps carry the numbers firstLine + 2, + 4, ...
};

// The first rule whose test text occurs in the lower-cased type word; the last rule (CHAR) takes
// whatever no other rule matched, the empty word included.
const TypeRule& ruleForTypeWord(std::string_view typeWord);

// "[" name "]" with every "]" doubled, so any table name reaches the target intact.
std::string bracketedName(std::string_view name);
// '"' name '"' with every '"' doubled.
std::string quotedName(std::string_view name);

struct TableDefinition {
    std::string statement;
    std::vector<int> NumericColumns; // ascending 0-based field positions
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
