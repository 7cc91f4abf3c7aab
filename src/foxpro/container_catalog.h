#pragma once
// The tables of a database container: their files beside the .dbc, bound to it by a back-link,
// registered in it with their long field names.

#include "foxpro/catalog.h"
#include "foxpro/container.h"
#include "foxpro/folder_listing.h"

#include <utility>

namespace qc::foxpro {

class ContainerCatalog : public Catalog {
  public:
    explicit ContainerCatalog(Container container)
        : container_(std::move(container)), listing_(container_.folder()) {}

    const Container& container() const { return container_; }

    std::vector<std::string> tableNames() override;
    std::optional<std::filesystem::path> findTable(const std::string& name) override;
    void beginWriting() override;
    DbfFile createTable(const std::string& name, const std::vector<FieldSpec>& columns,
                        int codePage) override;
    void dropTable(const std::string& name) override;
    std::filesystem::path findBeside(const std::filesystem::path& beside,
                                     const std::string& fileName) override;
    std::vector<std::string> fieldNames(const std::string& name, const TableLayout& layout) override;

    // Tables found bound to the container without being in it and set free meanwhile, each told
    // once: "Table 'x.dbf' ...".
    std::vector<std::string> takeNotices() override { return std::exchange(notices_, {}); }

  private:
    void recover();

    Container container_;
    FolderListing listing_; // of the container's folder, which holds its tables
    File useLock_;          // the container's lock of exclusive use, once this connection writes
    bool recovered_ = false;
    std::vector<std::string> notices_;
};

// The names a container keeps for fields named `names` (UTF-8, as a statement wrote them): lower
// case, characters other than letters, digits and "_" become "_", a leading digit gets a "_" in
// front, at most 128 characters, made unique with a numbered suffix.
std::vector<std::string> dbcLongFieldNames(const std::vector<std::string>& names);

} // namespace qc::foxpro
