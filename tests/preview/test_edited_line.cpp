// Writing an edited line back: what the user did not touch keeps its bytes, breaks included.
#include "preview/edited_line.h"

#include <gtest/gtest.h>

using qc::preview::editedLineText;

namespace {

// What a plain-text box shows for a line: every break as LF, a no-break space as a space.
QString shownInBox(const std::string& line) {
    QString text = QString::fromStdString(line);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    return text;
}

std::string edit(const std::string& line, const QString& after) {
    return editedLineText(line, shownInBox(line), after);
}

TEST(EditedLine, UntouchedBreaksKeepTheirKind) {
    // A text value holding LF, CR LF and a lone CR, as a source row may.
    const std::string line = "INSERT INTO [t] VALUES ('a\nb\r\nc\rd', 1);";
    EXPECT_EQ(edit(line, shownInBox(line)), line);
    EXPECT_EQ(edit(line, QStringLiteral("INSERT INTO [t] VALUES ('a\nb\nc\nd', 2);")),
              "INSERT INTO [t] VALUES ('a\nb\r\nc\rd', 2);");
    EXPECT_EQ(edit(line, QStringLiteral("INSERT INTO [u] VALUES ('a\nb\nc\nd', 1);")),
              "INSERT INTO [u] VALUES ('a\nb\r\nc\rd', 1);");
    // Edits at both ends leave the breaks between them as they were.
    EXPECT_EQ(edit(line, QStringLiteral("INSERT INTO [x] VALUES ('a\nb\nc\nd', 9);")),
              "INSERT INTO [x] VALUES ('a\nb\r\nc\rd', 9);");
    // A no-break space the box shows as a space stays a no-break space.
    const std::string nbsp = "INSERT INTO [t] VALUES ('a\xc2\xa0"
                             "b', 1);";
    EXPECT_EQ(edit(nbsp, QStringLiteral("INSERT INTO [t] VALUES ('a b', 2);")),
              "INSERT INTO [t] VALUES ('a\xc2\xa0"
              "b', 2);");
    // The box shows U+FDD0 as a break; the value keeps it, and the rest of the line its bytes.
    const std::string mark = "INSERT INTO [t] VALUES ('a\xef\xb7\x90"
                             "b\xc2\xa0"
                             "c', 1);";
    EXPECT_EQ(editedLineText(mark, QStringLiteral("INSERT INTO [t] VALUES ('a\nb c', 1);"),
                             QStringLiteral("INSERT INTO [t] VALUES ('a\nb c', 2);")),
              "INSERT INTO [t] VALUES ('a\xef\xb7\x90"
              "b\xc2\xa0"
              "c', 2);");
}

TEST(EditedLine, TypedBreaksTakeTheLinesKindAndDeletedOnesGo) {
    EXPECT_EQ(edit("INSERT INTO t VALUES ('a\r\nb')", QStringLiteral("INSERT INTO t\nVALUES ('a\nb')")),
              "INSERT INTO t\r\nVALUES ('a\r\nb')");
    EXPECT_EQ(edit("INSERT INTO t VALUES ('a\nb')", QStringLiteral("INSERT INTO t\nVALUES ('a\nb')")),
              "INSERT INTO t\nVALUES ('a\nb')");
    EXPECT_EQ(edit("INSERT INTO t VALUES ('a\r\nb')", QStringLiteral("INSERT INTO t VALUES ('ab')")),
              "INSERT INTO t VALUES ('ab')");
    EXPECT_EQ(edit("x", QString()), "");
    // A box whose text cannot be traced to the line still gives the line's kind of break.
    EXPECT_EQ(editedLineText("a\r\nb", QStringLiteral("zz"), QStringLiteral("c\nd")), "c\r\nd");
}

} // namespace
