#include "foxpro/shared_target.h"

#include "foxpro/catalog.h"
#include "foxpro/statement_executor.h"

namespace qc::foxpro {

// A connection's way into the shared catalog: every call waits for its turn.
class SharedTarget::View : public Catalog {
  public:
    View(Catalog& catalog, std::mutex& mutex) : catalog_(catalog), mutex_(mutex) {}

    std::vector<std::string> tableNames() override {
        const std::lock_guard lock(mutex_);
        return catalog_.tableNames();
    }
    std::optional<std::filesystem::path> findTable(const std::string& name) override {
        const std::lock_guard lock(mutex_);
        return catalog_.findTable(name);
    }
    void beginWriting() override {
        const std::lock_guard lock(mutex_);
        catalog_.beginWriting();
    }
    DbfFile createTable(const std::string& name, const std::vector<FieldSpec>& columns,
                        int codePage) override {
        const std::lock_guard lock(mutex_);
        return catalog_.createTable(name, columns, codePage);
    }
    void dropTable(const std::string& name) override {
        const std::lock_guard lock(mutex_);
        catalog_.dropTable(name);
    }
    std::filesystem::path findBeside(const std::filesystem::path& beside,
                                     const std::string& fileName) override {
        const std::lock_guard lock(mutex_);
        return catalog_.findBeside(beside, fileName);
    }
    void requireOwnTable(const std::filesystem::path& dbf) override {
        const std::lock_guard lock(mutex_);
        catalog_.requireOwnTable(dbf);
    }
    std::vector<std::string> takeNotices() override {
        const std::lock_guard lock(mutex_);
        return catalog_.takeNotices();
    }
    std::vector<std::string> fieldNames(const std::string& name, const TableLayout& layout) override {
        const std::lock_guard lock(mutex_);
        return catalog_.fieldNames(name, layout);
    }

  private:
    Catalog& catalog_;
    std::mutex& mutex_;
};

SharedTarget::SharedTarget(const std::string& path, int codePage)
    : catalog_(Database::openCatalog(path, codePage)), codePage_(codePage) {}

SharedTarget::~SharedTarget() = default;

std::unique_ptr<Database> SharedTarget::connect(const Database::Limits& limits) {
    return std::make_unique<StatementExecutor>(std::make_unique<View>(*catalog_, mutex_), limits, codePage_);
}

} // namespace qc::foxpro
