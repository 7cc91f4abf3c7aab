#pragma once
// The texts of message boxes as the windows and the terminal show them.

#include <QString>

namespace qc {

// The title of every message box that names no title of its own.
QString applicationTitle();

// Message texts break lines with CR LF or a lone CR, as the old program's boxes did; a box or a
// terminal breaks them at LF.
QString withNewlines(QString text);

} // namespace qc
