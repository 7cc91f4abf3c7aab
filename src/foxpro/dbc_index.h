#pragma once
// The structural index (.dcx) of a database container, built from its records.

#include "foxpro/dbc_record.h"

#include <cstdint>
#include <vector>

namespace foxpro {

// The .dcx image for these records (record number = position + 1): the tags OBJECTNAME
// (parent id, type and lower-case name) and OBJECTTYPE (parent id and type), both holding only
// the records that are not deleted.
std::vector<std::uint8_t> buildContainerIndex(const std::vector<DbcRecord>& records);

// The lower case a container uses for object names in its index (Windows-1252 letters).
std::string dbcLower(std::string text);

} // namespace foxpro
