// Container records and their PROPERTY memo, against entries Visual FoxPro wrote.
#include "foxpro/database.h"
#include "foxpro/dbc_property.h"
#include "foxpro/dbc_record.h"

#include <gtest/gtest.h>

namespace {

using qc::foxpro::DbcProperty;
using Bytes = std::vector<std::uint8_t>;

Bytes hex(const std::string& text) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return out;
}

TEST(DbcProperty, EncodesEntriesAsFoxProWroteThem) {
    EXPECT_EQ(qc::foxpro::encodeProperties({DbcProperty::int32(qc::foxpro::dbc_property::kVersion, 10)}),
              hex("0b000000010018"
                  "0000000a"));
    EXPECT_EQ(qc::foxpro::encodeProperties({DbcProperty::byte(qc::foxpro::dbc_property::kSubType, 1),
                                            DbcProperty::text(qc::foxpro::dbc_property::kPath, "types.dbf"),
                                            DbcProperty::text(20, "type_id")}),
              hex("08000000010002"
                  "01"
                  "11000000010001"
                  "74797065732e64626600"
                  "0f000000010014"
                  "747970655f696400"));
    EXPECT_EQ(qc::foxpro::encodeProperties({DbcProperty::int32(30, -1)}), hex("0b00000001001e"
                                                                              "ffffffff"));
    EXPECT_TRUE(qc::foxpro::encodeProperties({}).empty());
}

TEST(DbcProperty, DecodesWhatItEncodesAndRefusesDamage) {
    const std::vector<DbcProperty> entries = {DbcProperty::byte(2, 1), DbcProperty::text(1, "a.dbf"),
                                              DbcProperty::text(56, "")};
    const Bytes bytes = qc::foxpro::encodeProperties(entries);
    EXPECT_EQ(qc::foxpro::decodeProperties(bytes), entries);
    EXPECT_EQ(qc::foxpro::findProperty(entries, 1)->asText(), "a.dbf");
    EXPECT_FALSE(qc::foxpro::findProperty(entries, 7));

    Bytes cut(bytes.begin(), bytes.end() - 1);
    EXPECT_THROW(qc::foxpro::decodeProperties(cut), qc::foxpro::Error);
    Bytes overlong = bytes;
    overlong[0] = 200; // the first entry claims more than the memo holds
    EXPECT_THROW(qc::foxpro::decodeProperties(overlong), qc::foxpro::Error);
    Bytes zero = bytes;
    zero[0] = 0; // an entry of length 0 would never end the walk
    EXPECT_THROW(qc::foxpro::decodeProperties(zero), qc::foxpro::Error);
    // A two-byte id (seen in other tools' containers) keeps the id in its first byte.
    EXPECT_EQ(qc::foxpro::decodeProperties(hex("0900000002001800"
                                               "01"))[0],
              DbcProperty::byte(24, 1));
}

TEST(DbcRecord, RoundTripsAndRefusesTextsThatDoNotFit) {
    qc::foxpro::DbcRecord r;
    r.objectId = 70000;
    r.parentId = 6;
    r.objectType = "Field";
    r.objectName = std::string(128, 'n');
    r.propertyBlock = 9;
    r.deleted = true;
    const std::string bytes = r.encode();
    ASSERT_EQ(bytes.size(), 165u);
    EXPECT_EQ(bytes[0], '*');
    EXPECT_EQ(bytes.substr(1, 4), std::string("\x70\x11\x01\x00", 4));
    EXPECT_EQ(bytes.substr(155, 6), "      "); // RIINFO blank
    const auto back = qc::foxpro::DbcRecord::decode(bytes);
    EXPECT_EQ(back.objectId, 70000);
    EXPECT_EQ(back.objectName, r.objectName);
    EXPECT_EQ(back.objectType, "Field");
    EXPECT_EQ(back.propertyBlock, 9u);
    EXPECT_TRUE(back.deleted);

    r.objectName += "x";
    EXPECT_THROW(r.encode(), qc::foxpro::Error);
    r.objectName = "ok";
    r.objectType = "Relationship";
    EXPECT_THROW(r.encode(), qc::foxpro::Error);
    EXPECT_THROW(qc::foxpro::DbcRecord::decode("short"), qc::foxpro::Error);
}

} // namespace
