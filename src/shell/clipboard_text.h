#pragma once
// The text that copying a list view puts on the clipboard: the checked rows, each cell padded to
// its column's widest cell and followed by a TAB, the row's last TAB and trailing spaces dropped,
// and every row ended by CR LF.

#include "shell/ui_port.h"

#include <QString>

class QAbstractItemModel;

namespace qc {

// Builds the text from the model's rows: column 0's check state marks a row, every column's
// display text is a cell. Widths count characters (UTF-16 units) and have no upper bound. Lets
// events through once per cell visited.
QString checkedRowsText(const QAbstractItemModel& model, UiPort& ui);

} // namespace qc
