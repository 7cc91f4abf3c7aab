#pragma once
// A check box's value as the settings store keeps it: 0 not ticked, 1 ticked, 2 greyed.

class QCheckBox;

namespace qc::app {

int checkValue(const QCheckBox& box);

// Sets the value; any other number is refused with "Invalid property value" (std::runtime_error).
void setCheckValue(QCheckBox& box, int value);

} // namespace qc::app
