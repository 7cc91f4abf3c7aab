#pragma once
// The names a database container holds (its objects' names and the paths of its tables' files):
// kept in the code page its .dbc file's mark names, as FoxPro reads them, and lower-cased by that
// page for the keys of its index.

#include "foxpro/codepage.h"

#include <array>
#include <memory>
#include <string>

namespace qc::foxpro {

class DbcNames {
  public:
    // `codePage` is the page the container's mark names (0 for a mark FoxPro does not know);
    // `container` its file name, for the reports. A page the engine cannot convert is read as
    // 1252, and only names in plain ASCII, the same in every page FoxPro marks, go into it.
    // Throws Error when the system cannot tell the case of the page's letters.
    DbcNames(int codePage, std::string container);

    int codePage() const { return codePage_; }

    // `name` (UTF-8) in the container's page. Throws Error naming the name, the page and the
    // container when the page cannot hold it, or when it is longer than an object name can be
    // and `objectName` is set; `what` ("table", "field") says whose name it is.
    std::string toPage(const std::string& name, const std::string& what, bool objectName = true) const;
    // Bytes of the container's page in UTF-8.
    std::string toUtf8(const std::string& bytes) const;
    // The lower case of a name in the page. A letter becomes its lower-case letter when the page
    // holds that in one byte too; the bytes of a double-byte character stay as they are.
    std::string lower(std::string bytes) const;

  private:
    int codePage_;
    std::string container_;
    // Converting changes nothing the names mean: toUtf8() is const although the converter's
    // state moves.
    std::unique_ptr<CodePageText> text_;
    std::array<unsigned char, 256> lower_{};
    std::array<bool, 256> lead_{}; // the byte begins a double-byte character
};

} // namespace qc::foxpro
