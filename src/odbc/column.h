#pragma once
// A result column as the driver describes it.

#include <string>

namespace qc::odbc {

struct Column {
    std::string name;
    int sqlType = 0;
    unsigned long long size = 0;
    int decimals = 0;
    bool nullable = true;
    // The ADO data-type number (ado_types.h).
    int adoType = 0;
};

} // namespace qc::odbc
