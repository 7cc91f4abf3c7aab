#pragma once
// Where the files the program ships lie (the hand pointer, the help picture, the optional skin, the
// sample tables): beside the executable in a build folder; in <prefix>/share/marravex once
// installed as <prefix>/bin/marravex.

#include <QString>

namespace qc {

// The folder of the shipped files for a program whose executable lies in `programDir`.
QString shippedFilesFolder(const QString& programDir);

// The sample folder the user converts into: the shipped one in a build folder the user can write
// in; otherwise a copy in the user's data folder (~/.local/share/marravex/Samples), made once and
// kept from then on, since an installed one lies under /usr, where no program writes (not even
// one run by root). Throws std::runtime_error when the copy cannot be made.
QString writableSamplesFolder(const QString& shippedFolder);

// The folder of the files the running program ships.
QString programFolder();

// True when the file system can report the path's modification time; false on any failure.
bool fileExists(const QString& path);

} // namespace qc
