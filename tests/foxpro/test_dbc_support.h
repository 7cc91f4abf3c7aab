#pragma once
// Helpers for the container and index tests: whole-file writes, folder snapshots, and the keys
// of a compound index as the independent dumper reads them.

#include "foxpro_test_helpers.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qc::test {

void writeBytes(const std::filesystem::path& file, const std::string& bytes);

// Every file of a folder with its bytes, to show that a failing call changed nothing.
std::map<std::string, std::string> snapshot(const std::filesystem::path& folder);

// (record, key bytes) of every key of every tag, in the order the dumper walks the leaves.
using IndexKeys = std::map<std::string, std::vector<std::pair<std::uint32_t, std::string>>>;
IndexKeys dumpIndexKeys(const std::filesystem::path& cdx);

// Walks every node of every tag from its root and returns what is wrong with the tree (empty
// when nothing is): interior entries that are not the greatest key below them, broken sibling
// links, leaves out of order or at different depths.
std::string checkIndexTree(const std::filesystem::path& cdx);

} // namespace qc::test
