#pragma once
// Where the command line's SQL Server password comes from: a file, the environment variable
// MARRAVEX_PASSWORD, or the terminal without echo; never an option value.

#include <QString>

#include <optional>

namespace qc::cli {

struct PasswordSource {
    QString file;                  // --password-file
    std::optional<QString> stored; // the window's stored password (--saved-settings)
};

// The password, or nullopt with `error` saying why there is none.
std::optional<QString> findPassword(const PasswordSource& source, QString& error);

} // namespace qc::cli
