#pragma once
// The clipboard helpers: clearing it and putting text on it, each retried because another
// program may hold the clipboard for a moment, and copying a list view's checked rows.

#include "shell/ui_port.h"

#include <QString>

class QAbstractItemView;

namespace qc::preview::ui {

// Empties the clipboard; up to 1000 attempts, failures are not reported.
void ClearClipboard();

// Puts the text on the clipboard: format 0 as plain text, any other as that clipboard format.
// True when an attempt (of at most 1000) placed it.
bool SetClipboardText(const QString& text, int format);

// Puts the checked rows of the view's model on the clipboard as column-aligned text. An empty
// list leaves the clipboard as it was.
void CopyListViewToClipboard(const QAbstractItemView& view, UiPort& ui);

} // namespace qc::preview::ui
