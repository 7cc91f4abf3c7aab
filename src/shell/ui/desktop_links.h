#pragma once
// Opening an address (a mailto: link, a picture) with the desktop's application. Whether one will
// open it is the desktop's own answer (xdg-mime), asked before launching: the launcher itself
// only says that it started, and without an application nothing at all would happen. When the
// desktop names none, a message holds the address so the user can copy it.

#include "shell/ui_port.h"

#include <QString>
#include <QUrl>

#include <functional>

namespace qc::shell {

// The application (desktop file) the desktop names for the address: for a scheme such as mailto:
// or https:, its scheme handler; for a local file, the default for its type. Empty when the
// desktop names none or cannot be asked.
QString desktopApplicationFor(const QUrl& url);

// Opens the address through `launch` when the desktop names an application for it; otherwise, or
// when `launch` fails, shows `unanswered` through `ui`.
void openAddress(const QUrl& url, const std::function<bool(const QUrl&)>& launch, UiPort& ui,
                 const QString& unanswered);

} // namespace qc::shell
