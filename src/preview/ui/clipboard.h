#pragma once
// The clipboard helpers: clearing it and putting text on it, each retried because another
// program may hold the clipboard for a moment, and copying a list view's checked rows.

#include "shell/ui_port.h"

#include <QString>

#include <functional>

class QAbstractItemView;

namespace qc::preview::ui {

// Empties the clipboard; up to 1000 attempts, failures are not reported.
void clearClipboard();

// Puts the text on the clipboard: format 0 as plain text, any other as that clipboard format.
// True when an attempt (of at most 1000) placed it.
bool setClipboardText(const QString& text, int format);

// What a copy came to: nothing to copy (an empty list, or no row checked), the text taken by the
// clipboard, or the clipboard refusing it (another program holding it, no clipboard at all).
enum class ClipboardCopy { Nothing, Taken, Refused };

// Puts text on the clipboard; false when the clipboard did not take it.
using ClipboardPlacer = std::function<bool(const QString& text)>;

// Puts the checked rows of the view's model on the clipboard as column-aligned text, with
// `place`. An empty list leaves the clipboard as it was; no row checked empties it.
ClipboardCopy copyListViewToClipboard(const QAbstractItemView& view, UiPort& ui,
                                      const ClipboardPlacer& place);

} // namespace qc::preview::ui
