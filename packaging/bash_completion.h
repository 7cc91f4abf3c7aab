#pragma once
// The bash completion of marravex, written from the command line's option table: the commands,
// each command's options, the fixed words of an option's value, and files or folders where the
// value names one.

#include <QString>

namespace qc::packaging {

QString bashCompletion();

} // namespace qc::packaging
