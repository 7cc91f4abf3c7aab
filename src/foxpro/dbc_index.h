#pragma once
// The structural index (.dcx) of a database container, built from its records.

#include "foxpro/dbc_names.h"
#include "foxpro/dbc_record.h"

#include <cstdint>
#include <vector>

namespace qc::foxpro {

// The .dcx image for these records (record number = position + 1): the tags OBJECTNAME
// (parent id, type and name, lower-cased by the container's page) and OBJECTTYPE (parent id and
// type), both holding only the records that are not deleted.
std::vector<std::uint8_t> buildContainerIndex(const std::vector<DbcRecord>& records, const DbcNames& names);

} // namespace qc::foxpro
