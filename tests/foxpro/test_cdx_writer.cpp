// The compound index writer, read back by the independent dumper and by a tree walk of our own.
#include "test_dbc_support.h"

#include "foxpro/cdx_writer.h"
#include "foxpro/database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using qc::foxpro::CdxKey;
using qc::foxpro::CdxTag;
using qc::test::ScratchFolder;

std::filesystem::path writeIndex(const ScratchFolder& folder, std::vector<CdxTag> tags) {
    const auto image = qc::foxpro::writeCompoundIndex(std::move(tags));
    const auto path = folder / "x.cdx";
    qc::test::writeBytes(path, std::string(image.begin(), image.end()));
    return path;
}

CdxTag textTag(const std::string& name, std::uint16_t keyLength) {
    CdxTag tag;
    tag.name = name;
    tag.keyExpression = "upper(" + name + ")";
    tag.forExpression = "!DELETED()";
    tag.keyLength = keyLength;
    return tag;
}

std::string pad(std::string s, std::size_t length) {
    s.resize(length, ' ');
    return s;
}

// Shuffled keys with many duplicates, shared prefixes and record numbers that need wide
// entries, in enough volume for several levels: every key comes back once, in order, and every
// interior entry names the greatest key below it.
TEST(CdxWriter, ManyKeysComeBackSortedThroughEveryLevel) {
    ScratchFolder folder;
    std::mt19937 random(7);
    CdxTag wide = textTag("WIDE", 148);
    CdxTag narrow = textTag("NARROW", 20);
    std::vector<std::pair<std::uint32_t, std::string>> expectWide, expectNarrow;
    for (std::uint32_t rec = 1; rec <= 5000; ++rec) {
        const std::string prefix = std::to_string(random() % 50);
        const std::string w = pad(prefix + "Field     name_" + std::to_string(random() % 900), 148);
        const std::string n = pad(prefix + "Type", 20);
        wide.keys.push_back({w, rec * 13}); // record numbers up to 65000: 3-byte entries
        narrow.keys.push_back({n, rec});
        expectWide.emplace_back(rec * 13, w);
        expectNarrow.emplace_back(rec, n);
    }
    auto byKey = [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second < b.second : a.first < b.first;
    };
    std::sort(expectWide.begin(), expectWide.end(), byKey);
    std::sort(expectNarrow.begin(), expectNarrow.end(), byKey);

    const auto path = writeIndex(folder, {wide, narrow});
    EXPECT_EQ(qc::test::checkIndexTree(path), "");
    auto keys = qc::test::dumpIndexKeys(path);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys["WIDE"], expectWide);
    EXPECT_EQ(keys["NARROW"], expectNarrow);
}

// Few keys stay in one root leaf; no keys still make a readable tag.
TEST(CdxWriter, SmallAndEmptyTags) {
    ScratchFolder folder;
    CdxTag one = textTag("ONE", 10);
    one.keys = {{pad("b", 10), 2}, {pad("a", 10), 1}, {pad("a", 10), 3}};
    CdxTag none = textTag("NONE", 10);
    const auto path = writeIndex(folder, {one, none});
    EXPECT_EQ(qc::test::checkIndexTree(path), "");
    auto keys = qc::test::dumpIndexKeys(path);
    EXPECT_EQ(keys["ONE"], (std::vector<std::pair<std::uint32_t, std::string>>{
                               {1, pad("a", 10)}, {3, pad("a", 10)}, {2, pad("b", 10)}}));
    EXPECT_TRUE(keys["NONE"].empty());
    const std::string file = qc::test::readBytes(path);
    EXPECT_EQ(file.size() % qc::foxpro::kCdxPageSize, 0u);
}

// Keys that are nothing but padding, and keys full to the last byte, next to each other.
TEST(CdxWriter, BlankAndFullKeys) {
    ScratchFolder folder;
    CdxTag tag = textTag("EDGE", 12);
    tag.keys = {
        {std::string(12, ' '), 1}, {std::string(12, 'z'), 2}, {"zzzzzzzzzzz ", 3}, {std::string(12, ' '), 4}};
    const auto path = writeIndex(folder, {tag});
    EXPECT_EQ(qc::test::checkIndexTree(path), "");
    EXPECT_EQ(qc::test::dumpIndexKeys(path)["EDGE"],
              (std::vector<std::pair<std::uint32_t, std::string>>{{1, std::string(12, ' ')},
                                                                  {4, std::string(12, ' ')},
                                                                  {3, "zzzzzzzzzzz "},
                                                                  {2, std::string(12, 'z')}}));
}

TEST(CdxWriter, RejectsMalformedTags) {
    CdxTag badKey = textTag("T", 10);
    badKey.keys = {{"short", 1}};
    EXPECT_THROW(qc::foxpro::writeCompoundIndex({badKey}), qc::foxpro::Error);
    EXPECT_THROW(qc::foxpro::writeCompoundIndex({textTag("ELEVENCHARS", 10)}), qc::foxpro::Error);
    EXPECT_THROW(qc::foxpro::writeCompoundIndex({textTag("T", 0)}), qc::foxpro::Error);
    EXPECT_THROW(qc::foxpro::writeCompoundIndex({textTag("T", 10), textTag("T", 12)}), qc::foxpro::Error);
}

} // namespace
