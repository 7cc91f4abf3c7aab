// libFuzzer target: any statement text, executed against a folder that holds a few tables of
// every field type. A crash, hang, leak or sanitizer report is a fault; an Error is not.
#include "foxpro/database.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace {

std::filesystem::path scratchFolder() {
    const char* base = std::getenv("QC_FUZZ_DIR");
    std::filesystem::path folder = std::filesystem::path(base ? base : "/tmp") / "qc-fuzz-tables";
    return folder;
}

constexpr const char* kSeedTables[][2] = {
    {"t",
     "CREATE TABLE t (c C(10), v V(10), q Q(5), n N(8,2), f F(6,1), b B, i I, y Y, d D, ts T, l L, m M, w W, "
     "g G)"},
    {"u", "CREATE TABLE u (a I NOT NULL, b C(3) NOT NULL)"},
};

// Statements that drop the seeded tables would starve later inputs; put them back.
void restoreSeedTables(qc::foxpro::Database& db) {
    const auto names = db.tableNames();
    for (const auto& [name, statement] : kSeedTables) {
        try {
            if (std::find(names.begin(), names.end(), name) == names.end())
                db.execute(statement);
        } catch (const qc::foxpro::Error&) {
        }
    }
}

qc::foxpro::Database& database() {
    static const std::unique_ptr<qc::foxpro::Database> db = [] {
        const auto folder = scratchFolder();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        // Small limits keep the files small however many rows the fuzzer adds.
        auto opened = qc::foxpro::Database::open(folder.string(), qc::foxpro::Database::Limits{1 << 20});
        return opened;
    }();
    return *db;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto& db = database();
    restoreSeedTables(db);
    try {
        db.execute(text);
    } catch (const qc::foxpro::Error& error) {
        if (std::string_view(error.what()).rfind("SQL error: ", 0) != 0)
            std::abort();
    }
    restoreSeedTables(db);
    return 0;
}
