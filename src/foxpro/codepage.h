#pragma once
// Text conversion between UTF-8 (what statements carry) and the code page a table's mark names
// (what its C, V and M fields store), and FoxPro's marks for the code pages.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qc::foxpro {

// The code page FoxPro's mark (header byte 29) names; 0 for 0x00 and for a mark FoxPro does not
// know.
int codePageOfMark(std::uint8_t mark);
// FoxPro's mark for a code page; 0 when FoxPro has none.
std::uint8_t markOfCodePage(int codePage);
// The code pages a table can be written in: those FoxPro has a mark for and this engine a
// converter, in ascending order.
const std::vector<int>& writableCodePages();
bool isWritableCodePage(int codePage);
// Throws Error naming the code page when it is not one of writableCodePages().
void requireWritableCodePage(int codePage);
// The pages whose characters take one or two bytes (932, 936, 949, 950).
bool isDoubleByteCodePage(int codePage);

// Converts between UTF-8 and one code page, keeping its converters from value to value. Not for
// use by two threads at once.
class CodePageText {
  public:
    // Throws Error when the code page is not one of writableCodePages() or the system lacks its
    // converter.
    explicit CodePageText(int codePage);
    CodePageText(CodePageText&&) noexcept;
    CodePageText& operator=(CodePageText&&) noexcept;
    ~CodePageText();

    int codePage() const { return codePage_; }

    // Converts UTF-8 into `out`, of which only the first `room` bytes are written; returns the
    // length of the whole converted text, so a caller sees whether it fitted. Throws Error
    // naming `field` when the text holds a character the code page cannot hold or is not valid
    // UTF-8. No character takes more bytes in a code page than in UTF-8.
    std::size_t fromUtf8(std::string_view text, const std::string& field, char* out, std::size_t room);
    std::string fromUtf8(std::string_view text, const std::string& field);

    // Bytes the code page does not define become U+FFFD.
    std::string toUtf8(std::string_view bytes);

  private:
    struct Converters;
    int codePage_ = 0;
    std::unique_ptr<Converters> converters_;
};

// True when `text` is valid UTF-8.
bool isValidUtf8(std::string_view text);
// Decodes the UTF-8 character at `i` into `code` and steps `i` past it; false, `i` left where it
// was, when the bytes there are not valid UTF-8.
bool nextCodePoint(std::string_view text, std::size_t& i, std::uint32_t& code);
void appendUtf8(std::string& out, std::uint32_t code);

} // namespace qc::foxpro
