#include "man_page.h"

#include <QRegularExpression>
#include <QStringList>

namespace qc::packaging {

namespace {

constexpr int kIndent = 4;

int indentOf(const QString& line) {
    int n = 0;
    while (n < line.size() && line[n] == QLatin1Char(' '))
        ++n;
    return n;
}

// Text as roff reads it: backslashes kept, a dot or quote at the start not taken for a request,
// and the dashes of option names as minus signs (a hyphen would not paste back into a terminal).
QString escaped(QString text) {
    text.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    static const QRegularExpression option(QStringLiteral("(^|[^\\w-])(--?[\\w][\\w-]*)"));
    QString out;
    qsizetype at = 0;
    for (auto it = option.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out += text.mid(at, m.capturedStart(2) - at);
        out += m.captured(2).replace(QLatin1Char('-'), QStringLiteral("\\-"));
        at = m.capturedEnd(2);
    }
    out += text.mid(at);
    if (out.startsWith(QLatin1Char('.')) || out.startsWith(QLatin1Char('\'')))
        out.prepend(QStringLiteral("\\&"));
    return out;
}

// "--server HOST" as bold option and italic value; "convert" or "130" bold.
QString term(const QString& text) {
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    if (space < 0)
        return QStringLiteral("\\fB%1\\fR").arg(escaped(text));
    return QStringLiteral("\\fB%1\\fR \\fI%2\\fR")
        .arg(escaped(text.left(space)), escaped(text.mid(space + 1)));
}

} // namespace

QString manPage(const QString& usage, const QString& version, const QString& date) {
    QString page =
        QStringLiteral(".TH MARRAVEX 1 \"%1\" \"marravex %2\" \"User Commands\"\n").arg(date, version);
    static const QRegularExpression title(QStringLiteral("^[A-Z][A-Z ]*$"));
    static const QRegularExpression item(QStringLiteral("^ {4}(-\\S*(?: [^ ]+)?|\\w+)  +(\\S.*)$"));
    QString section;
    // A blank line ends an item list or a paragraph; the next paragraph starts with .PP.
    bool verbatim = false, inItem = false, inParagraph = false, afterBlank = false;
    for (const QString& line : usage.split(QLatin1Char('\n'))) {
        if (title.match(line).hasMatch()) {
            if (verbatim)
                page += QStringLiteral(".fi\n");
            section = line;
            page += QStringLiteral(".SH %1\n").arg(section);
            verbatim = section == QLatin1String("SYNOPSIS") || section == QLatin1String("EXAMPLES");
            if (verbatim)
                page += QStringLiteral(".nf\n");
            inItem = inParagraph = afterBlank = false;
            continue;
        }
        if (line.trimmed().isEmpty()) {
            afterBlank = verbatim || inItem || inParagraph;
            inItem = inParagraph = false;
            continue;
        }
        const QString text = line.mid(std::min(indentOf(line), kIndent));
        if (verbatim) {
            page += (afterBlank ? QStringLiteral(".sp\n") : QString()) + escaped(text) + QLatin1Char('\n');
            afterBlank = false;
        } else if (section == QLatin1String("NAME")) {
            page += escaped(text).replace(QStringLiteral(" - "), QStringLiteral(" \\- ")) + QLatin1Char('\n');
        } else if (const auto m = item.match(line); m.hasMatch()) {
            page += QStringLiteral(".TP\n%1\n%2\n").arg(term(m.captured(1)), escaped(m.captured(2)));
            inItem = true;
        } else {
            // A deeper line continues the item above; a line at the margin, the paragraph.
            if (!inItem && !inParagraph && indentOf(line) == kIndent) {
                if (afterBlank)
                    page += QStringLiteral(".PP\n");
                inParagraph = true;
            }
            page += escaped(line.trimmed()) + QLatin1Char('\n');
        }
    }
    if (verbatim)
        page += QStringLiteral(".fi\n");
    return page;
}

} // namespace qc::packaging
