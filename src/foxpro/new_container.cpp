#include "foxpro/new_container.h"

#include "foxpro/container.h"
#include "foxpro/database.h"
#include "foxpro/table_files.h"

#include <filesystem>

namespace qc::foxpro {

void createContainer(const std::string& dbcPath, int codePage) {
    const std::filesystem::path path(dbcPath);
    const std::string file = path.filename().string();
    if (file.size() <= 4 || !hasExtension(file, ".dbc"))
        throw Error("A database container's file name must end in .dbc: '" + file + "'.");
    const std::filesystem::path folder = std::filesystem::absolute(path).parent_path();
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        throw Error("Folder '" + folder.string() + "' does not exist.");
    Container::create(path, codePage);
}

} // namespace qc::foxpro
