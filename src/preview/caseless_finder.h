#pragma once
// Finding a text in a UTF-8 line without regard to letter case. Lines stay UTF-8: an ASCII find
// text is matched byte by byte with ASCII case folding, and only a line that may hold a match
// through a non-ASCII letter is decoded, character by character, with Unicode simple case
// folding. Bytes that are not valid UTF-8 never match and are never rewritten.

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qc::preview {

class CaselessFinder {
  public:
    explicit CaselessFinder(const QString& find);

    bool empty() const { return folded_.empty(); }

    struct Match {
        std::size_t offset; // bytes from the start of the line
        std::size_t length; // bytes of the line that matched
    };
    // The first occurrence in the text, if any.
    std::optional<Match> find(std::string_view text) const;

  private:
    std::optional<Match> findAscii(std::string_view text) const;
    std::optional<Match> findDecoded(std::string_view text) const;

    std::vector<char32_t> folded_;
    // The folded find text as bytes when every folded character is ASCII; empty otherwise.
    std::string asciiFolded_;
    bool ascii_ = false;
    // The ASCII find text holds a letter that a non-ASCII character folds to (the Kelvin sign
    // folds to "k", the long s to "s"), so lines with non-ASCII bytes need the decoding search.
    bool reachableFromNonAscii_ = false;
};

} // namespace qc::preview
