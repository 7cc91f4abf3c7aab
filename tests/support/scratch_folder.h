#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it (read-only
// files a test left included) when the object goes; and the whole content of a file.

#include <filesystem>
#include <string>

namespace qc::test {

class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// The whole content of a file ("" when it cannot be read).
std::string readBytes(const std::filesystem::path& file);

} // namespace qc::test
