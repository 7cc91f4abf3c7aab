// INSERT speed of the FoxPro engine: 200,000 statements of the converter's form over 8 mixed
// columns, one execute() each into a new free table, against SQLite executing the same
// statement texts inside one transaction, in the same run. The last line is "ratio: X.XX"
// (engine / SQLite).
#include "foxpro/database.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <dlfcn.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 200000;

const char* const kCreate =
    "CREATE TABLE [%s] (\"ID\" INT, \"Amount\" DOUBLE, \"Name\" CHAR, \"Notes\" long, "
    "\"Placed\" TIMESTAMP, \"Active\" SMALLINT, \"Qty\" INT, \"Code\" BLOB);";

std::string createStatement(const std::string& table) {
    char text[512];
    std::snprintf(text, sizeof text, kCreate, table.c_str());
    return text;
}

// The row statements as the converter writes them: numbers bare, texts and dates quoted,
// NULL glued to the previous comma.
std::vector<std::string> insertStatements(const std::string& table) {
    std::vector<std::string> statements;
    statements.reserve(kRows);
    char text[512];
    for (int i = 1; i <= kRows; ++i) {
        const bool gaps = i % 10 == 0;
        std::snprintf(text, sizeof text,
                      "INSERT INTO [%s] VALUES (%d, %d.%02d, 'Customer %d, O''Brien & Co', %s, "
                      "'%02d/%02d/20%02d %02d:%02d:%02d',%s %d, '%s');",
                      table.c_str(), i, i % 100000, i % 100, i,
                      gaps ? "NULL"
                           : (i % 3 == 0 ? "'Delivered to the side gate.\r\nCall first.'" : "'Note'"),
                      1 + i % 12, 1 + i % 28, 10 + i % 15, i % 24, i % 60, (i * 7) % 60,
                      gaps ? "NULL," : (i % 2 ? " 1," : " 0,"), i % 1000,
                      gaps ? ""
                           : "K\xC3\xB8"
                             "benhavn");
        std::string statement = text;
        if (gaps) {
            // NULL in the text column too, written the converter's way.
            const auto at = statement.rfind(", '')");
            statement.replace(at, 5, ",NULL)");
        }
        statements.push_back(std::move(statement));
    }
    return statements;
}

double engineRate(const std::string& folder, const std::vector<std::string>& statements) {
    auto db = qc::foxpro::Database::open(folder);
    db->execute(createStatement("bench"));
    const auto start = std::chrono::steady_clock::now();
    for (const auto& statement : statements)
        db->execute(statement);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    db->execute("DROP TABLE [bench]");
    return kRows / seconds;
}

// SQLite through its shared library, loaded at run time.
class Sqlite {
  public:
    Sqlite() {
        library_ = dlopen("libsqlite3.so.0", RTLD_NOW);
        if (!library_)
            throw std::runtime_error("libsqlite3.so.0 is not installed");
        open_ = reinterpret_cast<decltype(open_)>(dlsym(library_, "sqlite3_open"));
        exec_ = reinterpret_cast<decltype(exec_)>(dlsym(library_, "sqlite3_exec"));
        close_ = reinterpret_cast<decltype(close_)>(dlsym(library_, "sqlite3_close"));
        if (!open_ || !exec_ || !close_)
            throw std::runtime_error("libsqlite3.so.0 lacks the functions needed");
    }
    ~Sqlite() { dlclose(library_); }
    Sqlite(const Sqlite&) = delete;
    Sqlite& operator=(const Sqlite&) = delete;

    double rate(const std::string& file, const std::vector<std::string>& statements) {
        void* db = nullptr;
        if (open_(file.c_str(), &db) != 0)
            throw std::runtime_error("cannot open " + file);
        std::unique_ptr<void, int (*)(void*)> holder(db, close_);
        run(db, createStatement("bench"));
        const auto start = std::chrono::steady_clock::now();
        run(db, "BEGIN;");
        for (const auto& statement : statements)
            run(db, statement);
        run(db, "COMMIT;");
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run(db, "DROP TABLE [bench];");
        return kRows / seconds;
    }

  private:
    void run(void* db, const std::string& statement) {
        char* message = nullptr;
        if (exec_(db, statement.c_str(), nullptr, nullptr, &message) != 0)
            throw std::runtime_error("SQLite refused " + statement + ": " + (message ? message : "?"));
    }

    void* library_ = nullptr;
    int (*open_)(const char*, void**) = nullptr;
    int (*exec_)(void*, const char*, int (*)(void*, int, char**, char**), void*, char**) = nullptr;
    int (*close_)(void*) = nullptr;
};

} // namespace

int main() {
    try {
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString();
        const auto statements = insertStatements("bench");
        Sqlite sqlite;
        double ours = 0, theirs = 0;
        // Alternate the two so both see the same machine load; keep each one's best run.
        for (int round = 0; round < 3; ++round) {
            theirs = std::max(theirs, sqlite.rate(folder + "/bench.sqlite", statements));
            ours = std::max(ours, engineRate(folder, statements));
        }
        std::printf("SQLite, one transaction: %.0f statements/s\n", theirs);
        std::printf("FoxPro engine:           %.0f statements/s\n", ours);
        std::printf("ratio: %.2f\n", ours / theirs);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_insert: %s\n", e.what());
        return 1;
    }
}
