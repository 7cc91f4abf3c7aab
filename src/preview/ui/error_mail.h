#pragma once
// The address that the e-mail button opens: a new message to support with the error as its body.

#include <QString>
#include <QUrl>

namespace qc::preview::ui {

inline constexpr const char* kSupportEmail = "support@marravex.example.org";

// "mailto:" support "?subject=Marravex&body=Here is the error message that I get: " LF error,
// with subject and body percent-encoded, so that "&", "?", "#" or line breaks in the error can
// neither cut the body short nor add fields to the address.
QUrl errorMailUrl(const QString& errorText);

// What is shown instead when no e-mail program will open the address: the address itself.
QString noMailProgramMessage();

} // namespace qc::preview::ui
