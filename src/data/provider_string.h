#pragma once
// The OLE DB form of a connection string ("Provider=vfpoledb.1;Data Source=...;"): keys are
// case-insensitive, a value may be enclosed in double or single quotes (the quote doubled inside),
// unknown keys are ignored.

#include <optional>
#include <string>
#include <string_view>

namespace qc::data {

// The value of the key, quotes removed; nothing when the string does not name the key.
std::optional<std::string> providerAttribute(std::string_view connectionString, std::string_view key);

// The value as it must stand in such a string: unchanged unless it holds ";" or begins with a
// quote or a blank, in which case it is enclosed in double quotes with every '"' doubled.
std::string quoteProviderValue(std::string_view value);

// True when the string names the FoxPro provider ("vfpoledb", with or without ".1").
bool namesFoxProProvider(std::string_view connectionString);

} // namespace qc::data
