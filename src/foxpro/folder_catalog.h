#pragma once
// A folder of free tables: each table is name.dbf (+ name.fpt) in the folder, field names at
// most 10 characters, no back-link.

#include "foxpro/catalog.h"
#include "foxpro/folder_listing.h"

#include <filesystem>

namespace qc::foxpro {

class FolderCatalog : public Catalog {
  public:
    // Throws Error when `folder` is not an existing folder.
    explicit FolderCatalog(std::filesystem::path folder);

    std::vector<std::string> tableNames() override;
    std::optional<std::filesystem::path> findTable(const std::string& name) override;
    void beginWriting() override;
    DbfFile createTable(const std::string& name, const std::vector<FieldSpec>& columns,
                        int codePage) override;
    void dropTable(const std::string& name) override;
    // A table bound to a container that is there is the container's: its writers alone may
    // change it or finish its changes.
    void requireOwnTable(const std::filesystem::path& dbf) override;
    std::filesystem::path findBeside(const std::filesystem::path& beside,
                                     const std::string& fileName) override;
    std::vector<std::string> fieldNames(const std::string& name, const TableLayout& layout) override;

  private:
    std::filesystem::path folder_;
    FolderListing listing_;
    bool recovered_ = false;
};

} // namespace qc::foxpro
