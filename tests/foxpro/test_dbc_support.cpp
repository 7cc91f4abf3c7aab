#include "test_dbc_support.h"

#include "support/environment.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace qc::test {

namespace fs = std::filesystem;

void writeBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (const auto& entry : fs::directory_iterator(folder))
        out[entry.path().filename().string()] = readBytes(entry.path());
    return out;
}

namespace {

// The text between b' and the closing quote of a Python bytes literal, decoded.
std::string fromBytesLiteral(const std::string& literal) {
    std::string out;
    const char quote = literal[1];
    for (std::size_t i = 2; i < literal.size() && literal[i] != quote; ++i) {
        if (literal[i] != '\\') {
            out += literal[i];
            continue;
        }
        const char c = literal[++i];
        if (c == 'x') {
            out += static_cast<char>(std::stoi(literal.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else if (c == 'n') {
            out += '\n';
        } else if (c == 't') {
            out += '\t';
        } else if (c == 'r') {
            out += '\r';
        } else {
            out += c;
        }
    }
    return out;
}

std::uint32_t le(const std::string& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}
std::uint32_t be32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

struct Leaf {
    std::vector<std::pair<std::string, std::uint32_t>> keys;
};

Leaf readLeaf(const std::string& page, std::size_t keyLength, char pad) {
    Leaf leaf;
    const std::size_t n = le(page, 2, 2);
    const std::uint32_t recordMask = le(page, 14, 4);
    const unsigned dupMask = static_cast<unsigned char>(page[18]);
    const unsigned trailMask = static_cast<unsigned char>(page[19]);
    const unsigned recordBits = static_cast<unsigned char>(page[20]);
    const unsigned dupBits = static_cast<unsigned char>(page[21]);
    const unsigned entryBytes = static_cast<unsigned char>(page[23]);
    std::size_t end = page.size();
    std::string previous;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint64_t entry = 0;
        for (int b = static_cast<int>(entryBytes) - 1; b >= 0; --b)
            entry = (entry << 8) | static_cast<unsigned char>(page[24 + i * entryBytes + b]);
        const auto record = static_cast<std::uint32_t>(entry & recordMask);
        const std::size_t dup = (entry >> recordBits) & dupMask;
        const std::size_t trail = (entry >> (recordBits + dupBits)) & trailMask;
        const std::size_t stored = keyLength - dup - trail;
        end -= stored;
        std::string key = previous.substr(0, dup) + page.substr(end, stored) + std::string(trail, pad);
        leaf.keys.emplace_back(key, record);
        previous = key;
    }
    return leaf;
}

class TreeCheck {
  public:
    TreeCheck(const std::string& file, std::size_t keyLength, char pad)
        : file_(file), keyLength_(keyLength), pad_(pad) {}

    std::string run(std::uint32_t root, const std::string& tag) {
        tag_ = tag;
        const std::string page = file_.substr(root, 512);
        if ((le(page, 0, 2) & 1) == 0)
            fail("root node lacks the root attribute");
        walk(root, 0, true);
        for (std::size_t depth = 0; depth < levels_.size(); ++depth) {
            const auto& level = levels_[depth];
            for (std::size_t i = 0; i < level.size(); ++i) {
                const std::string page = file_.substr(level[i], 512);
                const std::uint32_t left = i > 0 ? level[i - 1] : 0xFFFFFFFF;
                const std::uint32_t right = i + 1 < level.size() ? level[i + 1] : 0xFFFFFFFF;
                if (le(page, 4, 4) != left || le(page, 8, 4) != right)
                    fail("sibling links wrong at depth " + std::to_string(depth));
            }
        }
        for (std::size_t i = 1; i < allKeys_.size(); ++i)
            if (allKeys_[i] < allKeys_[i - 1])
                fail("keys out of order");
        return errors_;
    }

    std::size_t keyCount() const { return allKeys_.size(); }

  private:
    void fail(const std::string& what) { errors_ += tag_ + ": " + what + "\n"; }

    // Returns the greatest key below the node.
    std::pair<std::string, std::uint32_t> walk(std::uint32_t offset, std::size_t depth, bool root) {
        if (offset % 512 != 0 || offset + 512 > file_.size()) {
            fail("node offset outside the file");
            return {};
        }
        if (levels_.size() <= depth)
            levels_.resize(depth + 1);
        levels_[depth].push_back(offset);
        const std::string page = file_.substr(offset, 512);
        const unsigned attr = le(page, 0, 2);
        if (((attr & 1) != 0) != root)
            fail("root attribute on a node that is not the root, or missing");
        if (attr & 2) {
            if (leafDepth_ < 0)
                leafDepth_ = static_cast<int>(depth);
            else if (leafDepth_ != static_cast<int>(depth))
                fail("leaves at different depths");
            const Leaf leaf = readLeaf(page, keyLength_, pad_);
            allKeys_.insert(allKeys_.end(), leaf.keys.begin(), leaf.keys.end());
            if (leaf.keys.empty())
                return {};
            return leaf.keys.back();
        }
        const std::size_t n = le(page, 2, 2);
        std::pair<std::string, std::uint32_t> last;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t at = 12 + i * (keyLength_ + 8);
            const std::string key = page.substr(at, keyLength_);
            const std::uint32_t record = be32(page, at + keyLength_);
            const std::uint32_t child = be32(page, at + keyLength_ + 4);
            last = walk(child, depth + 1, false);
            if (last.first != key || last.second != record)
                fail("interior entry is not the greatest key of its child");
        }
        return last;
    }

    const std::string& file_;
    std::size_t keyLength_;
    char pad_;
    std::string tag_;
    std::string errors_;
    int leafDepth_ = -1;
    std::vector<std::vector<std::uint32_t>> levels_;
    std::vector<std::pair<std::string, std::uint32_t>> allKeys_;
};

} // namespace

IndexKeys dumpIndexKeys(const fs::path& cdx) {
    const auto result = runPython({testFilesDir() + "/tools/vfp-oracle/cdxdump.py", cdx.string(), "--keys"});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    IndexKeys out;
    std::istringstream lines(result.output);
    std::string line, tag;
    while (std::getline(lines, line)) {
        if (line.rfind("tag '", 0) == 0) {
            tag = line.substr(5, line.find('\'', 5) - 5);
            out[tag];
            continue;
        }
        const auto rec = line.find("rec=");
        const auto key = line.find("key=b");
        if (tag.empty() || rec == std::string::npos || key == std::string::npos)
            continue;
        out[tag].emplace_back(static_cast<std::uint32_t>(std::stoul(line.substr(rec + 4))),
                              fromBytesLiteral(line.substr(key + 4)));
    }
    return out;
}

std::string checkIndexTree(const fs::path& cdx) {
    const std::string file = readBytes(cdx);
    if (file.size() < 1536)
        return "file too short";
    const Leaf directory = readLeaf(file.substr(le(file, 0, 4), 512), le(file, 12, 2), '\0');
    std::string errors;
    for (const auto& [name, header] : directory.keys) {
        const std::uint32_t root = le(file, header, 4);
        const std::size_t keyLength = le(file, header + 12, 2);
        TreeCheck check(file, keyLength, ' ');
        errors += check.run(root, name);
    }
    return errors;
}

} // namespace qc::test
