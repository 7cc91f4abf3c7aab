#pragma once
// Puts a literal into a field of a record being assembled, in the field's binary form, or
// refuses it: a value that does not fit, has the wrong type or is not a real date is an Error
// and nothing is changed silently. Text goes into C, V and M fields in the code page of `text`, which
// may be null only when no text goes there.

#include "foxpro/codepage.h"
#include "foxpro/dbf_file.h"
#include "foxpro/statement.h"

namespace qc::foxpro {

void encodeValue(const TableLayout& layout, int field, const Literal& value, RecordImage& record,
                 CodePageText* text);

// Assembles a whole record from `blank`: value i goes into field fields[i], the others keep the
// blank's contents. The first value refused is an Error, as encodeValue() throws it.
void encodeRecord(const TableLayout& layout, const std::vector<int>& fields,
                  const std::vector<Literal>& values, const RecordImage& blank, RecordImage& record,
                  CodePageText* text);

} // namespace qc::foxpro
