#include "foxpro/cdx_writer.h"

#include "foxpro/database.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qc::foxpro {

namespace {

constexpr std::size_t kHeaderSize = 1024;
constexpr std::size_t kLeafHeaderSize = 24;
constexpr std::size_t kLeafSpace = kCdxPageSize - kLeafHeaderSize;
constexpr std::size_t kInteriorHeaderSize = 12;
constexpr std::uint32_t kNoSibling = 0xFFFFFFFF;
constexpr std::size_t kMaxKeyLength = 240;
constexpr std::size_t kMaxTagName = 10;

constexpr std::uint16_t kAttrInterior = 0, kAttrRoot = 1, kAttrLeaf = 2;

void putLe16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void putLe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void putBe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
}

// One leaf entry as stored: what it shares with the key before it and how many pad bytes it drops.
struct Packed {
    std::size_t dup = 0;
    std::size_t trail = 0;
};

// The widths a leaf uses: duplicate and trailing counts take as many bits as the key length
// needs; the record number takes what is left of the smallest entry that holds the largest one.
struct LeafWidths {
    unsigned countBits = 0;
    unsigned recordBits = 0;
    unsigned entryBytes = 0;
};

LeafWidths leafWidths(std::size_t keyLength, std::uint32_t maxRecord) {
    LeafWidths w;
    w.countBits = static_cast<unsigned>(std::bit_width(keyLength));
    const auto needed = static_cast<unsigned>(std::bit_width(std::max<std::uint32_t>(maxRecord, 1)));
    w.entryBytes = (needed + 2 * w.countBits + 7) / 8;
    w.recordBits = 8 * w.entryBytes - 2 * w.countBits;
    return w;
}

struct Node {
    std::size_t first = 0; // leaf: range of sorted keys; interior: range of child nodes
    std::size_t count = 0;
    std::uint32_t offset = 0;
    std::size_t lastKey = 0; // index of the greatest key below this node
};

class TagBuilder {
  public:
    explicit TagBuilder(const CdxTag& tag) : tag_(tag) {}

    // Splits the sorted keys into leaves and builds the interior levels above them.
    void plan() {
        measure();
        planLeaves();
        const std::size_t capacity = (kCdxPageSize - kInteriorHeaderSize) / (tag_.keyLength + 8u);
        while (levels_.back().size() > 1) {
            const auto& below = levels_.back();
            std::vector<Node> level;
            for (std::size_t i = 0; i < below.size(); i += capacity) {
                Node n;
                n.first = i;
                n.count = std::min(capacity, below.size() - i);
                n.lastKey = below[i + n.count - 1].lastKey;
                level.push_back(n);
            }
            levels_.push_back(std::move(level));
        }
    }

    std::size_t pageCount() const {
        std::size_t n = 0;
        for (const auto& level : levels_)
            n += level.size();
        return n;
    }

    // Places the nodes from base on, root first, and writes header and nodes into out.
    void write(std::vector<std::uint8_t>& out, std::size_t headerAt) {
        std::uint32_t at = static_cast<std::uint32_t>(headerAt + kHeaderSize);
        for (auto level = levels_.rbegin(); level != levels_.rend(); ++level)
            for (auto& node : *level) {
                node.offset = at;
                at += kCdxPageSize;
            }
        writeHeader(out, headerAt);
        for (std::size_t l = 0; l < levels_.size(); ++l) {
            const bool root = l + 1 == levels_.size();
            for (std::size_t i = 0; i < levels_[l].size(); ++i) {
                const auto& level = levels_[l];
                const std::uint32_t left = i > 0 ? level[i - 1].offset : kNoSibling;
                const std::uint32_t right = i + 1 < level.size() ? level[i + 1].offset : kNoSibling;
                if (l == 0)
                    writeLeaf(out, level[i], root, left, right);
                else
                    writeInterior(out, level[i], levels_[l - 1], root, left, right);
            }
        }
    }

  private:
    const std::string& key(std::size_t i) const { return tag_.keys[i].bytes; }

    // What each key shares with the key before it and how many pad bytes end it, worked out
    // once: the leaves are planned and then written from these.
    void measure() {
        const std::size_t n = tag_.keys.size();
        const std::size_t length = tag_.keyLength;
        trail_.assign(n, 0);
        shared_.assign(n, 0);
        for (std::size_t i = 0; i < n; ++i) {
            const char* k = tag_.keys[i].bytes.data();
            std::size_t trail = 0;
            while (trail < length && k[length - 1 - trail] == tag_.pad)
                ++trail;
            trail_[i] = trail;
            if (i > 0) {
                const char* prev = tag_.keys[i - 1].bytes.data();
                std::size_t dup = 0;
                while (dup < length && prev[dup] == k[dup])
                    ++dup;
                shared_[i] = std::min(dup, length - trail);
            }
        }
    }

    Packed pack(std::size_t i, bool firstInNode) const { return {firstInNode ? 0 : shared_[i], trail_[i]}; }

    void planLeaves() {
        std::vector<Node> leaves;
        const std::size_t keyCount = tag_.keys.size();
        std::size_t i = 0;
        do {
            Node n;
            n.first = i;
            std::size_t storedBytes = 0;
            std::uint32_t maxRecord = 0;
            while (i < keyCount) {
                const Packed p = pack(i, n.count == 0);
                const std::size_t stored = tag_.keyLength - p.dup - p.trail;
                const std::uint32_t rec = std::max(maxRecord, tag_.keys[i].record);
                const auto w = leafWidths(tag_.keyLength, rec);
                if (n.count > 0 && (n.count + 1) * w.entryBytes + storedBytes + stored > kLeafSpace)
                    break;
                storedBytes += stored;
                maxRecord = rec;
                ++n.count;
                ++i;
            }
            n.lastKey = n.count > 0 ? i - 1 : 0;
            leaves.push_back(n);
        } while (i < keyCount);
        levels_.push_back(std::move(leaves));
    }

    void writeHeader(std::vector<std::uint8_t>& out, std::size_t at) const {
        putLe32(out, at, levels_.back().front().offset);
        putLe16(out, at + 12, tag_.keyLength);
        out[at + 14] = static_cast<std::uint8_t>(tag_.options | (tag_.forExpression.empty() ? 0 : 0x08));
        out[at + 15] = 1;
        const std::size_t keyLen = tag_.keyExpression.size() + 1;
        const std::size_t forLen = tag_.forExpression.size() + 1;
        putLe16(out, at + 504, static_cast<std::uint16_t>(keyLen));
        putLe16(out, at + 506, static_cast<std::uint16_t>(forLen));
        putLe16(out, at + 508, 0);
        putLe16(out, at + 510, static_cast<std::uint16_t>(keyLen));
        std::memcpy(out.data() + at + 512, tag_.keyExpression.data(), tag_.keyExpression.size());
        std::memcpy(out.data() + at + 512 + keyLen, tag_.forExpression.data(), tag_.forExpression.size());
    }

    void writeLeaf(std::vector<std::uint8_t>& out, const Node& n, bool root, std::uint32_t left,
                   std::uint32_t right) const {
        const std::size_t at = n.offset;
        std::uint32_t maxRecord = 0;
        for (std::size_t i = n.first; i < n.first + n.count; ++i)
            maxRecord = std::max(maxRecord, tag_.keys[i].record);
        const auto w = leafWidths(tag_.keyLength, maxRecord);
        putLe16(out, at, static_cast<std::uint16_t>(kAttrLeaf | (root ? kAttrRoot : 0)));
        putLe16(out, at + 2, static_cast<std::uint16_t>(n.count));
        putLe32(out, at + 4, left);
        putLe32(out, at + 8, right);
        const std::uint32_t recordMask =
            w.recordBits >= 32 ? 0xFFFFFFFFu : (std::uint32_t{1} << w.recordBits) - 1;
        const auto countMask = static_cast<std::uint8_t>((1u << w.countBits) - 1);
        putLe32(out, at + 14, recordMask);
        out[at + 18] = countMask;
        out[at + 19] = countMask;
        out[at + 20] = static_cast<std::uint8_t>(w.recordBits);
        out[at + 21] = static_cast<std::uint8_t>(w.countBits);
        out[at + 22] = static_cast<std::uint8_t>(w.countBits);
        out[at + 23] = static_cast<std::uint8_t>(w.entryBytes);
        std::size_t end = at + kCdxPageSize;
        std::size_t entry = at + kLeafHeaderSize;
        for (std::size_t i = n.first; i < n.first + n.count; ++i) {
            const Packed p = pack(i, i == n.first);
            const std::uint64_t value = tag_.keys[i].record | (std::uint64_t{p.dup} << w.recordBits) |
                                        (std::uint64_t{p.trail} << (w.recordBits + w.countBits));
            for (unsigned b = 0; b < w.entryBytes; ++b)
                out[entry + b] = static_cast<std::uint8_t>(value >> (8 * b));
            entry += w.entryBytes;
            const std::size_t stored = tag_.keyLength - p.dup - p.trail;
            end -= stored;
            std::memcpy(out.data() + end, key(i).data() + p.dup, stored);
        }
        putLe16(out, at + 12, static_cast<std::uint16_t>(end - entry));
    }

    void writeInterior(std::vector<std::uint8_t>& out, const Node& n, const std::vector<Node>& below,
                       bool root, std::uint32_t left, std::uint32_t right) const {
        const std::size_t at = n.offset;
        putLe16(out, at, root ? kAttrRoot : kAttrInterior);
        putLe16(out, at + 2, static_cast<std::uint16_t>(n.count));
        putLe32(out, at + 4, left);
        putLe32(out, at + 8, right);
        std::size_t entry = at + kInteriorHeaderSize;
        for (std::size_t c = n.first; c < n.first + n.count; ++c) {
            const auto& child = below[c];
            std::memcpy(out.data() + entry, key(child.lastKey).data(), tag_.keyLength);
            putBe32(out, entry + tag_.keyLength, tag_.keys[child.lastKey].record);
            putBe32(out, entry + tag_.keyLength + 4, child.offset);
            entry += tag_.keyLength + 8u;
        }
    }

    const CdxTag& tag_;
    std::vector<std::size_t> trail_;
    std::vector<std::size_t> shared_;
    std::vector<std::vector<Node>> levels_;
};

void check(const CdxTag& tag) {
    if (tag.name.empty() || tag.name.size() > kMaxTagName)
        throw Error("Invalid index tag name \"" + tag.name + "\".");
    if (tag.keyLength == 0 || tag.keyLength > kMaxKeyLength)
        throw Error("Invalid key length for index tag " + tag.name + ".");
    if (tag.keyExpression.size() + tag.forExpression.size() + 2 > kCdxPageSize)
        throw Error("Index expression too long for tag " + tag.name + ".");
    for (const auto& k : tag.keys)
        if (k.bytes.size() != tag.keyLength)
            throw Error("Index key of the wrong length for tag " + tag.name + ".");
}

} // namespace

std::vector<std::uint8_t> writeCompoundIndex(std::vector<CdxTag> tags) {
    for (std::size_t t = 0; t < tags.size(); ++t)
        for (std::size_t u = 0; u < t; ++u)
            if (tags[t].name == tags[u].name)
                throw Error("Duplicate index tag name \"" + tags[t].name + "\".");
    for (auto& tag : tags) {
        check(tag);
        std::sort(tag.keys.begin(), tag.keys.end(), [](const CdxKey& a, const CdxKey& b) {
            const int c = std::memcmp(a.bytes.data(), b.bytes.data(), a.bytes.size());
            return c != 0 ? c < 0 : a.record < b.record;
        });
    }

    // The directory's keys are the tag names and its record numbers the tags' header offsets,
    // which depend on how many pages the directory itself takes: place until stable.
    CdxTag directory;
    directory.name = "directory";
    directory.keyLength = kMaxTagName;
    directory.options = 0xE0;
    directory.pad = '\0';
    std::vector<TagBuilder> builders;
    for (const auto& tag : tags) {
        builders.emplace_back(tag);
        builders.back().plan();
    }
    std::vector<std::size_t> tagAt(tags.size());
    std::size_t directoryPages = 1;
    for (;;) {
        std::size_t at = kHeaderSize + directoryPages * kCdxPageSize;
        directory.keys.clear();
        for (std::size_t t = 0; t < tags.size(); ++t) {
            tagAt[t] = at;
            std::string name = tags[t].name;
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            name.resize(kMaxTagName, directory.pad);
            directory.keys.push_back({name, static_cast<std::uint32_t>(at)});
            at += kHeaderSize + builders[t].pageCount() * kCdxPageSize;
        }
        std::sort(directory.keys.begin(), directory.keys.end(),
                  [](const CdxKey& a, const CdxKey& b) { return a.bytes < b.bytes; });
        TagBuilder probe(directory);
        probe.plan();
        if (probe.pageCount() == directoryPages)
            break;
        directoryPages = probe.pageCount();
    }

    std::size_t total = kHeaderSize + directoryPages * kCdxPageSize;
    for (auto& b : builders)
        total += kHeaderSize + b.pageCount() * kCdxPageSize;
    std::vector<std::uint8_t> out(total, 0);
    TagBuilder dir(directory);
    dir.plan();
    dir.write(out, 0);
    for (std::size_t t = 0; t < tags.size(); ++t)
        builders[t].write(out, tagAt[t]);
    return out;
}

} // namespace qc::foxpro
