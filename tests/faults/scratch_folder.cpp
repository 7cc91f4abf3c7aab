#include "faults/scratch_folder.h"

#include <cstdlib>
#include <fstream>
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
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

} // namespace qc::test::faults
