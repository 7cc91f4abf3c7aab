#pragma once
// Where the windows' controls go: the designed positions are in twips.

#include <QRect>

namespace qc::shell {

// Designed positions are in twips; 15 twips make a pixel.
int px(int twips);
QRect twipsRect(int left, int top, int width, int height);

} // namespace qc::shell
