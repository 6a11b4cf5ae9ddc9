// The Find dialog's rows: one per protocol a projector answered on, kept in
// order of address (the native protocol first) as answers come and improve,
// and the catalogue texts of their columns.
#include <gtest/gtest.h>

#include <vector>

#include "FoundProjectors.h"

TEST(FoundProjectors, RowsKeepTheirOrderAsAnswersCome)
{
    FoundRows rows;
    struct Step {
        FoundProjector row;
        std::size_t index;
        bool added;
    };
    const Step steps[] = {
        {{0x0A000005, kProtocolPjlink, "", true}, 0, true},
        {{0x0A000009, kProtocolNative, "", false}, 1, true},
        {{0x0A000005, kProtocolNative, "", false}, 0, true},  // the native row before the PJLink one
        {{0x0A000001, kProtocolPjlink, "", std::nullopt}, 0, true},
        {{0x0A000001, kProtocolPjlink, "Hall", false}, 0, false},  // known better: in its place
        {{0x0A00000A, kProtocolPjlink, "", false}, 4, true},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(rows.Put(s.row), std::make_pair(s.index, s.added)) << s.row.address << " " << s.row.protocol;
        EXPECT_EQ(rows.Rows()[s.index], s.row);
    }
    std::vector<std::pair<std::uint32_t, int>> order;
    for (const FoundProjector& r : rows.Rows()) order.emplace_back(r.address, r.protocol);
    const std::vector<std::pair<std::uint32_t, int>> expected{
        {0x0A000001, kProtocolPjlink}, {0x0A000005, kProtocolNative}, {0x0A000005, kProtocolPjlink},
        {0x0A000009, kProtocolNative}, {0x0A00000A, kProtocolPjlink}};
    EXPECT_EQ(order, expected);
    rows.Clear();
    EXPECT_TRUE(rows.Rows().empty());
}

TEST(FoundProjectors, ColumnTexts)
{
    EXPECT_EQ(ProtocolTextId(kProtocolNative), 117u);
    EXPECT_EQ(ProtocolTextId(kProtocolPjlink), 118u);
    EXPECT_EQ(PasswordTextId(true), 119u);
    EXPECT_EQ(PasswordTextId(false), 120u);
    EXPECT_EQ(PasswordTextId(std::nullopt), 121u);
}
