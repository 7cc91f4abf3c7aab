#include "support/scratch_folder.h"

#include <fstream>
#include <random>
#include <sstream>

namespace qc::test {

ScratchFolder::ScratchFolder() {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() /
            ("qc-foxpro-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    namespace fs = std::filesystem;
    std::error_code ignored;
    // Files and folders a test made read-only must not outlive it.
    fs::permissions(path_, fs::perms::owner_all, ignored);
    for (auto it = fs::recursive_directory_iterator(path_, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace qc::test
