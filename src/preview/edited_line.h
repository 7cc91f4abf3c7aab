#pragma once
// Writing an edited line back. A text box shows every line break (CR LF, LF or a lone CR) as one
// LF and may show other characters in a form of its own (a no-break space as a space), so its
// text is not the line's text. What the user did not touch is taken from the line as it was,
// byte for byte: the breaks inside a text value keep their kind unless the user changed them.

#include <QString>

#include <string>

namespace qc::preview {

// The line to store after an edit. `original` is the line's text, `shownBefore` what the box
// showed when it was loaded, `shownAfter` what it shows now. The changed span of the box's text
// replaces the matching span of the line; new breaks in it take the line's kind (CR LF when the
// line holds one, else LF), or the kinds of the breaks it replaces when there are as many.
std::string editedLineText(const std::string& original, const QString& shownBefore,
                           const QString& shownAfter);

} // namespace qc::preview
