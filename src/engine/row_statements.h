#pragma once
// One INSERT INTO statement per source row, every value written as a literal. Columns listed in
// the table's numericColumns are written unquoted; everything else is quoted with apostrophes
// doubled. How a value is written follows from its own type, never from what its text looks
// like, so a text that merely resembles a date or a number reaches the target unchanged.
//
// Each value becomes one of three literals (NULL, a bare number, a quoted text), so the same row
// can be handed to the FoxPro engine as the literals its parser would read from the text, sparing
// the run writing the text and the engine reading it back.

#include "foxpro/statement.h"
#include "odbc/value.h"
#include "shell/locale.h"

#include <string>
#include <string_view>
#include <vector>

namespace qc::engine {

// The value itself, or the fallback when the value is Null.
const odbc::Value& nullToDefault(const odbc::Value& value, const odbc::Value& fallback);

// Builds the statements of one table into one buffer that is reused from row to row.
class RowStatement {
  public:
    // What finishRow() leaves: the statement's text, or the literals without the text.
    enum class Output { Text, Literals };

    RowStatement(std::string_view table, std::vector<int> numericColumns, const Locale& locale,
                 Output output = Output::Text);

    // Starts "INSERT INTO [table] VALUES (" with the field position and numeric cursor at 0.
    void beginRow();
    // Appends the next field's value, followed by ", ".
    void appendValue(const odbc::Value& value);
    // Drops the final ", " and closes the statement with ");".
    void finishRow();

    Output output() const { return output_; }
    // With Output::Text.
    const std::string& text() const { return text_; }

    // With Output::Literals: the row as the engine's parser reads it from text(), and whether
    // it can be handed over as it is. A number the parser would not read as one (a double that
    // is infinite or not a number) cannot: the text, made by renderText(), lets the engine
    // refuse the row as it refuses that text.
    const foxpro::InsertInto& literals() const { return row_; }
    bool literalsParse() const { return literalsParse_; }
    // The text of the row the literals hold.
    std::string renderText() const;

  private:
    enum class Form { Numeric, TextAmongNumeric, TextOnly };
    Form nextForm() {
        if (numericColumns_.empty())
            return Form::TextOnly;
        if (cursor_ < numericColumns_.size() && numericColumns_[cursor_] == position_) {
            ++cursor_;
            return Form::Numeric;
        }
        return Form::TextAmongNumeric;
    }

    // The three literals every value ends as, written into the text or kept as the next
    // literal. A text known to hold no apostrophe skips the search for one.
    void appendLiteral(foxpro::Literal::Kind kind, std::string_view text, bool mayHoldApostrophe = true);
    void appendNull() { appendLiteral(foxpro::Literal::Kind::Null, {}); }
    void appendUnquoted(std::string_view text) { appendLiteral(foxpro::Literal::Kind::Number, text); }
    void appendQuoted(std::string_view text, bool mayHoldApostrophe = true) {
        appendLiteral(foxpro::Literal::Kind::Text, text, mayHoldApostrophe);
    }
    void appendNumber(std::string_view digits, Form form);
    // mm/dd/yyyy and hh:nn:ss with the locale's separators, unquoted, written at `out`; each
    // returns the end. kPartRoom is what either may need.
    static constexpr std::size_t kPartRoom = 40;
    char* putDate(char* out, const odbc::Date& date) const;
    char* putClock(char* out, const odbc::Time& time) const;
    void appendDateTime(const odbc::Date& date, const odbc::Time* time);
    void appendTime(const odbc::Time& time);

    std::string prefix_;
    std::vector<int> numericColumns_;
    char decimalSeparator_;
    char dateSeparator_;
    char timeSeparator_;

    Output output_;
    std::string text_;
    foxpro::InsertInto row_;
    bool literalsParse_ = true;
    std::string scratch_;
    int position_ = 0;
    std::size_t cursor_ = 0;
};

// The whole statement of one row, for callers that hold the row's values.
std::string rowStatement(std::string_view table, const std::vector<int>& numericColumns,
                         const std::vector<odbc::Value>& row, const Locale& locale);

} // namespace qc::engine
