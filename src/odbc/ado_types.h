#pragma once
// ODBC SQL types as ADO numbers them: the data-type number the rest of the program decides by.

namespace qc::odbc {

// SQL Server's own type codes, as its drivers report them.
inline constexpr int kSqlSsVariant = -150;
inline constexpr int kSqlSsUdt = -151;
inline constexpr int kSqlSsXml = -152;
inline constexpr int kSqlSsTime2 = -154;
inline constexpr int kSqlSsTimestampOffset = -155;

// ADO data-type numbers.
enum AdoType : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adBoolean = 11,
    adVariant = 12,
    adUnsignedTinyInt = 17,
    adBigInt = 20,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

// The ADO number of a column of the ODBC SQL type with the reported column size: a variable-length
// column of size 0 (SQL Server's "(max)" types) counts as its long form; unknown types give adEmpty.
int adoType(int sqlType, unsigned long long columnSize);

} // namespace qc::odbc
