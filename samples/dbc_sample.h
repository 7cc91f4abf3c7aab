#pragma once
// The sample database container beside the program: a small container of our own with two
// tables, in its own sub-folder of the samples folder.

#include <filesystem>

namespace samples {

// Writes `samplesFolder`/Container/shop.dbc (with .dct and .dcx) and its tables customers and
// orders. Throws qc::foxpro::Error when a file cannot be written.
void writeContainerSample(const std::filesystem::path& samplesFolder);

} // namespace samples
