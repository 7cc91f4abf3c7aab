#include "foxpro/database.h"
#include "foxpro/names.h"
#include "foxpro/statement.h"

#include <climits>

namespace qc::foxpro {

namespace {

[[noreturn]] void syntaxError() {
    throw Error("Syntax error.");
}

// Plain ASCII tests: statements are read the same whatever the process locale says.
bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isWordStart(char c) {
    return isAsciiLetter(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isWordChar(char c) {
    return isWordStart(c) || isDigit(c);
}

struct TypeWord {
    const char* word;
    char type;
};

constexpr TypeWord kTypeWords[] = {
    {"CHAR", 'C'},      {"CHARACTER", 'C'}, {"C", 'C'},        {"VARCHAR", 'V'},   {"V", 'V'},
    {"INT", 'I'},       {"INTEGER", 'I'},   {"SMALLINT", 'I'}, {"I", 'I'},         {"DOUBLE", 'B'},
    {"B", 'B'},         {"DEC", 'N'},       {"DECIMAL", 'N'},  {"NUMERIC", 'N'},   {"NUM", 'N'},
    {"N", 'N'},         {"FLOAT", 'F'},     {"F", 'F'},        {"CURRENCY", 'Y'},  {"MONEY", 'Y'},
    {"Y", 'Y'},         {"DATE", 'D'},      {"D", 'D'},        {"TIMESTAMP", 'T'}, {"DATETIME", 'T'},
    {"T", 'T'},         {"LOGICAL", 'L'},   {"BIT", 'L'},      {"L", 'L'},         {"LONG", 'M'},
    {"MEMO", 'M'},      {"TEXT", 'M'},      {"M", 'M'},        {"BLOB", 'W'},      {"W", 'W'},
    {"VARBINARY", 'Q'}, {"Q", 'Q'},         {"GENERAL", 'G'},  {"G", 'G'},
};

class Parser {
  public:
    explicit Parser(std::string_view text) : s_(text) {}

    // Parses into `result`; an INSERT reuses the buffers an earlier INSERT left there.
    void statement(Statement& result) {
        skipSpace();
        if (atEnd() || !isWordStart(peek()))
            throw Error("Unrecognized command verb.");
        // INSERT first: it is the statement of nearly every call.
        if (acceptWord("INSERT")) {
            expectWord("INTO");
            auto* reused = std::get_if<InsertInto>(&result);
            insert(reused ? *reused : result.emplace<InsertInto>());
        } else if (acceptWord("CREATE")) {
            expectWord("TABLE");
            result = create();
        } else if (acceptWord("DROP")) {
            expectWord("TABLE");
            result = DropTable{name()};
        } else {
            throw Error("Unrecognized command verb.");
        }
        skipSpace();
        if (accept(';'))
            skipSpace();
        if (!atEnd())
            syntaxError();
    }

  private:
    bool atEnd() const { return pos_ >= s_.size(); }
    char peek(std::size_t ahead = 0) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }

    void skipSpace() {
        while (!atEnd()) {
            // Most characters lie above the blank: one comparison settles them.
            const auto c = static_cast<unsigned char>(s_[pos_]);
            if (c > ' ' || (c != ' ' && c != '\t' && c != '\r' && c != '\n'))
                return;
            ++pos_;
        }
    }

    bool accept(char c) {
        skipSpace();
        if (peek() != c)
            return false;
        ++pos_;
        return true;
    }

    void expect(char c) {
        if (!accept(c))
            syntaxError();
    }

    std::string_view wordView() {
        skipSpace();
        if (!isWordStart(peek()))
            syntaxError();
        const std::size_t start = pos_;
        while (!atEnd() && isWordChar(s_[pos_]))
            ++pos_;
        return s_.substr(start, pos_ - start);
    }
    std::string bareWord() { return std::string(wordView()); }

    // The length of `word` (upper-case letters) when the next word is it, whatever its case;
    // else 0.
    std::size_t matchWord(const char* word) {
        skipSpace();
        std::size_t i = 0;
        for (; word[i] != '\0'; ++i)
            // For a letter, clearing the case bit is the whole of upper-casing it.
            if ((peek(i) & ~0x20) != word[i])
                return 0;
        return isWordChar(peek(i)) ? 0 : i;
    }
    bool peekWord(const char* word) { return matchWord(word) != 0; }

    // Steps over the next word when it is `word`.
    bool acceptWord(const char* word) {
        const std::size_t length = matchWord(word);
        pos_ += length;
        return length != 0;
    }

    void expectWord(const char* word) {
        if (!acceptWord(word))
            syntaxError();
    }

    // A name: bare, [bracketed] (]] stands for ]) or "double-quoted" ("" stands for ").
    std::string name() {
        std::string out;
        nameInto(out);
        return out;
    }

    void nameInto(std::string& out) {
        skipSpace();
        const char open = peek();
        if (open != '[' && open != '"') {
            out.assign(wordView());
            return;
        }
        const char close = open == '[' ? ']' : '"';
        ++pos_;
        out.clear();
        for (;;) {
            const std::size_t end = s_.find(close, pos_);
            if (end == std::string_view::npos)
                syntaxError();
            out.append(s_.substr(pos_, end - pos_));
            pos_ = end + 1;
            if (peek() != close)
                break;
            out += close;
            ++pos_;
        }
    }

    int smallNumber() {
        skipSpace();
        if (!isDigit(peek()))
            syntaxError();
        long value = 0;
        while (isDigit(peek())) {
            value = value * 10 + (s_[pos_++] - '0');
            if (value > 100000)
                syntaxError();
        }
        return static_cast<int>(value);
    }

    // FoxPro's form: CREATE TABLE name [CODEPAGE = n] (fields).
    CreateTable create() {
        CreateTable out;
        out.table = name();
        if (acceptWord("CODEPAGE")) {
            expect('=');
            out.codePage = smallNumber();
        }
        expect('(');
        do {
            out.columns.push_back(column());
        } while (accept(','));
        expect(')');
        return out;
    }

    ColumnDefinition column() {
        ColumnDefinition column;
        column.name = name();
        const std::string word = asciiUpper(bareWord());
        bool known = false;
        for (const auto& entry : kTypeWords) {
            if (word == entry.word) {
                column.type = entry.type;
                known = true;
                break;
            }
        }
        if (!known)
            throw Error("Field " + column.name + ": '" + word + "' is not a field type.");
        switch (column.type) {
        case 'C':
        case 'V':
        case 'Q':
            column.width = 254;
            break;
        case 'N':
        case 'F':
            column.width = 20;
            column.decimals = 6;
            break;
        case 'B':
            column.decimals = 4;
            break;
        default:
            break;
        }
        if (accept('(')) {
            column.width = smallNumber();
            column.decimals = 0;
            if (accept(','))
                column.decimals = smallNumber();
            expect(')');
        }
        if (peekWord("NOT")) {
            bareWord();
            expectWord("NULL");
            column.nullable = false;
        } else if (peekWord("NULL")) {
            bareWord();
        }
        return column;
    }

    // Element strings and vectors keep their room from the statement parsed before.
    void insert(InsertInto& out) {
        nameInto(out.table);
        std::size_t fields = 0;
        if (accept('(')) {
            do {
                if (fields == out.fields.size())
                    out.fields.emplace_back();
                nameInto(out.fields[fields++]);
            } while (accept(','));
            expect(')');
        }
        out.fields.resize(fields);
        expectWord("VALUES");
        expect('(');
        std::size_t values = 0;
        do {
            if (values == out.values.size())
                out.values.emplace_back();
            literal(out.values[values++]);
        } while (accept(','));
        expect(')');
        out.values.resize(values);
    }

    void literal(Literal& out) {
        skipSpace();
        out.kind = Literal::Kind::Null;
        out.text.clear();
        const char c = peek();
        if (c == '\'') {
            ++pos_;
            out.kind = Literal::Kind::Text;
            for (;;) {
                if (atEnd())
                    syntaxError();
                const std::size_t quote = s_.find('\'', pos_);
                if (quote == std::string_view::npos)
                    syntaxError();
                out.text.append(s_.substr(pos_, quote - pos_));
                pos_ = quote + 1;
                if (peek() == '\'') {
                    out.text += '\'';
                    ++pos_;
                    continue;
                }
                break;
            }
            return;
        }
        if (c == '{')
            return dateLiteral(out);
        if (c == '.') {
            if (isDigit(peek(1)))
                return number(out);
            ++pos_;
            const std::string word = asciiUpper(bareWord());
            if (peek() != '.')
                syntaxError();
            ++pos_;
            if (word == "T" || word == "Y")
                out.kind = Literal::Kind::True;
            else if (word == "F" || word == "N")
                out.kind = Literal::Kind::False;
            else if (word == "NULL")
                out.kind = Literal::Kind::Null;
            else
                syntaxError();
            return;
        }
        if (c == '+' || c == '-' || isDigit(c))
            return number(out);
        if (acceptWord("NULL"))
            return;
        syntaxError();
    }

    // Past the digits from `at` on.
    std::size_t skipDigits(std::size_t at) const {
        while (at < s_.size() && isDigit(s_[at]))
            ++at;
        return at;
    }

    void number(Literal& out) {
        out.kind = Literal::Kind::Number;
        const std::size_t start = pos_;
        if (peek() == '+' || peek() == '-')
            ++pos_;
        std::size_t end = skipDigits(pos_);
        std::size_t digits = end - pos_;
        pos_ = end;
        if (peek() == '.') {
            end = skipDigits(++pos_);
            digits += end - pos_;
            pos_ = end;
        }
        if (digits == 0)
            syntaxError();
        if (peek() == 'e' || peek() == 'E') {
            ++pos_;
            if (peek() == '+' || peek() == '-')
                ++pos_;
            if (!isDigit(peek()))
                syntaxError();
            pos_ = skipDigits(pos_);
        }
        const char next = peek();
        if (isWordChar(next) || next == '.')
            syntaxError();
        out.text.assign(s_.substr(start, pos_ - start));
    }

    void dateLiteral(Literal& out) {
        ++pos_; // {
        skipSpace();
        if (accept('}')) {
            out.kind = Literal::Kind::EmptyDate;
            return;
        }
        if (!accept('^'))
            syntaxError();
        const std::size_t close = s_.find('}', pos_);
        if (close == std::string_view::npos)
            syntaxError();
        out.text.assign(s_.substr(pos_, close - pos_));
        pos_ = close + 1;
        out.kind = out.text.find(':') == std::string::npos ? Literal::Kind::Date : Literal::Kind::DateTime;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

} // namespace

Statement parseStatement(std::string_view text) {
    Statement result;
    Parser(text).statement(result);
    return result;
}

void parseStatement(std::string_view text, Statement& reuse) {
    Parser(text).statement(reuse);
}

std::vector<FieldSpec> fieldSpecs(const CreateTable& statement) {
    std::vector<FieldSpec> fields;
    fields.reserve(statement.columns.size());
    for (const auto& definition : statement.columns) {
        FieldSpec field;
        field.name = definition.name;
        field.type = definition.type;
        field.width = definition.width;
        field.decimals = definition.decimals;
        field.nullable = definition.nullable;
        fields.push_back(std::move(field));
    }
    return fields;
}

} // namespace qc::foxpro
