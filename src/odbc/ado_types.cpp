#include "odbc/ado_types.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace qc::odbc {

int adoType(int sqlType, unsigned long long columnSize) {
    switch (sqlType) {
    case SQL_CHAR:
        return adChar;
    case SQL_VARCHAR:
        return columnSize == 0 ? adLongVarChar : adVarChar;
    case SQL_LONGVARCHAR:
        return adLongVarChar;
    case SQL_WCHAR:
        return adWChar;
    case SQL_WVARCHAR:
        return columnSize == 0 ? adLongVarWChar : adVarWChar;
    case SQL_WLONGVARCHAR:
        return adLongVarWChar;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return adNumeric;
    case SQL_SMALLINT:
        return adSmallInt;
    case SQL_INTEGER:
        return adInteger;
    case SQL_REAL:
        return adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return adDouble;
    case SQL_BIT:
        return adBoolean;
    case SQL_TINYINT:
        return adUnsignedTinyInt;
    case SQL_BIGINT:
        return adBigInt;
    case SQL_BINARY:
        return adBinary;
    case SQL_VARBINARY:
        return columnSize == 0 ? adLongVarBinary : adVarBinary;
    case SQL_LONGVARBINARY:
        return adLongVarBinary;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return adDBDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case kSqlSsTime2:
        return adDBTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return adDBTimeStamp;
    case SQL_GUID:
        return adGUID;
    case kSqlSsTimestampOffset:
        return adVarWChar;
    case kSqlSsXml:
        return adLongVarWChar;
    case kSqlSsVariant:
        return adVariant;
    default:
        return adEmpty;
    }
}

} // namespace qc::odbc
