#pragma once
// A FoxPro folder target in a temporary directory, opened through the access layer as the
// conversion run opens it, and read back with the independent dumper.

#include "data/db_access.h"
#include "support/environment.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace qc::test {

struct FoxProFolder {
    QTemporaryDir dir;
    std::unique_ptr<data::Connection> connection = std::make_unique<data::Connection>();

    FoxProFolder() { connection->openFoxPro(dir.path().toStdString()); }

    std::string dbf(const std::string& table) const {
        return dir.path().toStdString() + "/" + table + ".dbf";
    }

    // The dumper's record lines ("rec 1 del=' ' A=1"), in file order.
    std::vector<std::string> records(const std::string& table) const {
        const auto result = runPython({testFilesDir() + "/tools/vfp-oracle/vfpdump.py", dbf(table)});
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        std::vector<std::string> found;
        std::istringstream lines(result.output);
        std::string line;
        while (std::getline(lines, line))
            if (line.rfind("rec ", 0) == 0)
                found.push_back(line);
        return found;
    }
};

} // namespace qc::test
