#include "conversion_support.h"

#include "data/db_access.h"
#include "support/child_process.h"
#include "support/environment.h"
#include "support/odbc_setup.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qc::test {

namespace {

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Reads a Python str or bytes literal starting at `pos`; returns its value (bytes as raw
// bytes, text as UTF-8) and moves `pos` past it.
std::string pythonLiteral(const std::string& s, std::size_t& pos) {
    const bool bytes = s[pos] == 'b';
    if (bytes)
        ++pos;
    const char quote = s[pos++];
    std::string out;
    while (pos < s.size() && s[pos] != quote) {
        char c = s[pos++];
        if (c != '\\') {
            out += c;
            continue;
        }
        c = s[pos++];
        switch (c) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x':
        case 'u':
        case 'U': {
            const int digits = c == 'x' ? 2 : c == 'u' ? 4 : 8;
            const unsigned code = std::stoul(s.substr(pos, digits), nullptr, 16);
            pos += digits;
            if (bytes)
                out += static_cast<char>(code);
            else
                appendUtf8(out, code);
            break;
        }
        default:
            out += c;
        }
    }
    ++pos;
    return out;
}

std::optional<std::string> decodeCell(char type, const std::string& raw, long& memoLength) {
    if (raw == "NULL")
        return std::nullopt;
    if (raw.empty() || (raw[0] != '\'' && raw[0] != '"'))
        return raw;
    std::size_t pos = 0;
    const std::string text = pythonLiteral(raw, pos);
    if (type == 'T') {
        const auto open = text.find('(');
        return open == std::string::npos ? std::string() : text.substr(open + 1, text.find(')') - open - 1);
    }
    if (type == 'M' || type == 'W' || type == 'G') {
        const auto len = text.find(" len=");
        memoLength = len == std::string::npos ? 0 : std::stol(text.substr(len + 5));
        const auto data = text.find("data=");
        if (data == std::string::npos)
            return std::string();
        std::size_t at = data + 5;
        return pythonLiteral(text, at);
    }
    return text;
}

} // namespace

DumpedTable dumpTable(const std::string& dbfPath) {
    std::vector<std::string> args{testFilesDir() + "/tools/vfp-oracle/vfpdump.py", dbfPath};
    std::filesystem::path memo(dbfPath);
    memo.replace_extension(".fpt");
    if (std::filesystem::exists(memo)) {
        args.push_back("--memo");
        args.push_back(memo.string());
    }
    const auto result = runPython(args);
    if (result.exitCode != 0)
        throw std::runtime_error("vfpdump failed on " + dbfPath + ": " + result.errors);

    DumpedTable table;
    std::istringstream lines(result.output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("  field '", 0) == 0) {
            const auto end = line.find('\'', 9);
            const std::string name = line.substr(9, end - 9);
            table.fields.push_back(name);
            table.types[name] = line[line.find("type=") + 5];
        } else if (line.rfind("rec ", 0) == 0) {
            std::map<std::string, std::optional<std::string>> record;
            std::size_t pos = line.find("del=") + 8;
            for (std::size_t f = 0; f < table.fields.size(); ++f) {
                const std::string& name = table.fields[f];
                pos += name.size() + 1; // "NAME="
                std::size_t end = line.size();
                if (f + 1 < table.fields.size())
                    end = line.find(" | " + table.fields[f + 1] + "=", pos);
                long memoLength = 0;
                record[name] = decodeCell(table.types[name], line.substr(pos, end - pos), memoLength);
                if (table.types[name] == 'M' || table.types[name] == 'W')
                    table.memoLengths[name].push_back(memoLength);
                pos = end + 3;
            }
            table.records.push_back(std::move(record));
        }
    }
    return table;
}

void makeSqliteDatabase(const std::string& path, const std::string& script) {
    const auto result = runPython({"-c",
                                   "import sqlite3, sys\n"
                                   "c = sqlite3.connect(sys.argv[1])\n"
                                   "c.executescript(sys.argv[2])\n"
                                   "c.commit()\n",
                                   path, script});
    if (result.exitCode != 0)
        throw std::runtime_error("could not build " + path + ": " + result.errors);
}

void executeOnFoxPro(const std::string& folder, const std::vector<std::string>& statements) {
    data::Connection connection;
    connection.openFoxPro(folder);
    for (const auto& s : statements)
        connection.execute(s);
    connection.close();
}

void runWithSqliteAsSqlServer(const ChildEntry& entry) {
    QTemporaryDir odbc;
    writeOdbcSetup(odbc.path().toStdString(), kSqliteDriver);
    EXPECT_TRUE(childPassed(runInChild(entry, {{"ODBCSYSINI", odbc.path().toStdString()}})));
}

QStringList listedNames(const engine::ConversionRun& run) {
    QStringList names;
    for (const auto& table : run.sourceTables())
        names.append(table.shownName());
    return names;
}

} // namespace qc::test
