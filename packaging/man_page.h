#pragma once
// The manual page marravex(1), set in roff from the usage text of --help, so that the two never
// say different things.

#include <QString>

namespace qc::packaging {

// `usage` is laid out as --help prints it: section titles in capitals at the margin, everything
// else indented by four; "TERM  text" lines (two spaces or more between) list options, commands
// and exit codes, with their text continued on deeper lines; SYNOPSIS and EXAMPLES are kept line
// for line. `date` is shown as the page's date.
QString manPage(const QString& usage, const QString& version, const QString& date);

} // namespace qc::packaging
