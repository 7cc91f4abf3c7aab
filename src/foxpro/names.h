#pragma once
// Rules for table and field names.

#include <string>
#include <vector>

namespace qc::foxpro {

// Throws Error when `name` cannot be a table name: empty, ".", "..", or holding "/", "\", ":"
// or NUL. Such names could reach a file outside the database's folder.
void checkTableName(const std::string& name);

// The lower-case file name of the table `name` with `extension` (".dbf", ".fpt").
std::string tableFileName(const std::string& name, const std::string& extension);

// ASCII lower case of a UTF-8 text (other bytes unchanged).
std::string asciiLower(std::string text);
std::string asciiUpper(std::string text);
bool equalsIgnoreCase(const std::string& a, const std::string& b);

// The names stored in the DBF for fields named `names` (UTF-8, as the statement wrote them):
// upper case, characters other than letters, digits and "_" become "_", a leading digit gets a
// "_" in front, cut to 10 characters, and made unique in order with a numbered suffix
// ("CONTACT_TY", then "CONTACT_T2"). Throws Error for an empty name or for two names that are
// the same apart from case.
std::vector<std::string> shortFieldNames(const std::vector<std::string>& names);

} // namespace qc::foxpro
