#pragma once
// The desktop's icon files, drawn by the same painting as the windows' icon: a scalable SVG and
// the PNG sizes menus and panels ask for, laid out as the hicolor theme's folders.

#include <QString>

namespace qc::packaging {

// Writes <folder>/hicolor/scalable/apps/marravex.svg and <folder>/hicolor/NxN/apps/marravex.png;
// false when a file cannot be written.
bool writeIconFiles(const QString& folder);

} // namespace qc::packaging
