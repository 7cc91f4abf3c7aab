#pragma once
// A small file system of its own for tests of a full disk or a read-only target: a tmpfs of a
// given size mounted on a private, freshly made folder and always unmounted when the object goes.
// CI runs as root, which file modes do not stop; a mount does. Construction fails the test (a
// fatal gtest failure through ok()) when the mount cannot be made: such a test must not skip.

#include <cstddef>
#include <string>

namespace qc::test {

class SmallDisk {
  public:
    explicit SmallDisk(std::size_t bytes = 2 * 1024 * 1024);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // True when the file system is mounted; error() says why not.
    bool ok() const { return mounted_; }
    const std::string& error() const { return error_; }
    // The mount point (a folder of its own under the system's temporary folder).
    const std::string& path() const { return path_; }

    // Remounts the file system read-only (true) or writable again (false); what is in it stays.
    bool setReadOnly(bool readOnly);
    // Fills the disk until at most `leftBytes` remain free, with one file of its own.
    bool fillLeaving(std::size_t leftBytes);
    // Bytes still free for writing.
    std::size_t freeBytes() const;

  private:
    std::string path_;
    std::string error_;
    std::size_t bytes_;
    bool mounted_ = false;
};

} // namespace qc::test
