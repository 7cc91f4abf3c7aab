#pragma once
// A fresh folder under the system's temporary folder, deleted with everything in it when the
// object goes.

#include <filesystem>
#include <string>

namespace qc::test::faults {

class Scratch {
  public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// The whole content of a file ("" when it cannot be read).
std::string fileBytes(const std::filesystem::path& path);

} // namespace qc::test::faults
