#include "odbc/freetds_environment.h"

#include "odbc/connection_string.h"

#include <cstdlib>

namespace qc::odbc {

void prepareFreeTdsPort(std::string_view connectionString) {
    // Taken once, before this process ever sets the variable itself.
    static const bool userSetsPort = std::getenv("TDSPORT") != nullptr;
    if (userSetsPort)
        return;
    auto server = connectionAttribute(connectionString, "Server");
    if (!server)
        server = connectionAttribute(connectionString, "Address");
    if (server && server->find(',') == std::string::npos && server->find('\\') == std::string::npos)
        setenv("TDSPORT", "1433", 1);
    else
        unsetenv("TDSPORT");
}

} // namespace qc::odbc
