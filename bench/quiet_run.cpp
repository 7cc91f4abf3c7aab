#include "quiet_run.h"

#include "support/odbc_setup.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace qc::bench {

Answer QuietUi::message(const QString& text, const QString& title, Buttons, Icon) {
    if (title == QStringLiteral("Application Error"))
        std::fprintf(stderr, "error report: %s\n", text.toStdString().c_str());
    return Answer::Ok;
}

void QuietUi::processEvents() {
    QCoreApplication::processEvents();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void mapSqlServer(const std::string& folder, const char* driver) {
    test::writeOdbcSetup(folder, driver);
    setenv("ODBCSYSINI", folder.c_str(), 1);
}

long recordCount(const std::string& dbf) {
    std::ifstream in(dbf, std::ios::binary);
    unsigned char header[8] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    return header[4] | header[5] << 8 | header[6] << 16 | static_cast<long>(header[7]) << 24;
}

int roundsOption(const std::vector<std::string>& args, int fallback) {
    int rounds = fallback;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--rounds" && i + 1 < args.size())
            rounds = std::max(1, std::stoi(args[++i]));
        else
            throw std::runtime_error("unknown option " + args[i]);
    }
    return rounds;
}

} // namespace qc::bench
