#include "faults/scratch_folder.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace qc::test::faults {

Scratch::Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qc-faults-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) != nullptr)
        path_ = buffer.data();
}

Scratch::~Scratch() {
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace qc::test::faults
