#include "ProgramIni.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

Names Split(const std::string& list, std::size_t returned)
{
    // The profile call's buffer: the list, then zeros to the end.
    std::vector<char> buffer(list.begin(), list.end());
    buffer.resize(list.size() + 2, '\0');
    return SplitKeyList(buffer.data(), buffer.size(), returned);
}

}  // namespace

TEST(ProgramIni, SplitKeyList)
{
    using namespace std::string_literals;
    const std::string name63(63, 'k');
    const std::string name64(64, 'k');
    struct Case {
        const char* why;
        std::string list;
        std::size_t returned;
        Names names;
    } const cases[] = {
        {"empty section", ""s, 0, {}},
        {"one name", "OFF\0"s, 4, {"OFF"}},
        {"four names in list order", "OFF\0CC1\0CC2\0TEXT1\0"s, 18, {"OFF", "CC1", "CC2", "TEXT1"}},
        {"cut list keeps the cut last name", "AAAA\0BBBB\0CC"s, 12, {"AAAA", "BBBB", "CC"}},
        {"stops at the double NUL", "A\0\0B\0"s, 5, {"A"}},
        {"63 characters kept", name63 + "\0X\0"s, 66, {name63, "X"}},
        {"64 characters skipped", name64 + "\0X\0"s, 67, {"X"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Split(c.list, c.returned), c.names) << c.why;
}

TEST(ProgramIni, SplitKeyListNeverReadsPastTheBuffer)
{
    // A full buffer without terminators and a count larger than the buffer.
    std::vector<char> buffer(kKeyListBufferSize, 'x');
    buffer[10] = '\0';
    const Names names = SplitKeyList(buffer.data(), buffer.size(), kKeyListBufferSize + 100);
    ASSERT_EQ(names.size(), 1u);  // the long tail exceeds 63 characters
    EXPECT_EQ(names[0], std::string(10, 'x'));
}

TEST(ProgramIni, BuiltInList)
{
    const ValueTable table = BuiltInValueTable();
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].key + "=" + table[0].value, "OFF=00");
    EXPECT_EQ(table[1].key + "=" + table[1].value, "CC1=11");
    EXPECT_EQ(table[2].key + "=" + table[2].value, "CC2=12");
}

TEST(ProgramIni, LookupValueIgnoresCaseAndTakesTheFirstMatch)
{
    const ValueTable table = {{"OFF", "00"}, {"CC1", "11"}, {"cc1", "99"}, {"Empty", ""}};
    EXPECT_EQ(LookupValue(table, "cc1"), "11");
    EXPECT_EQ(LookupValue(table, "Cc1"), "11");
    EXPECT_EQ(LookupValue(table, "off"), "00");
    EXPECT_EQ(LookupValue(table, "Empty"), "");
    EXPECT_EQ(LookupValue(table, "CC"), "");
    EXPECT_EQ(LookupValue(table, "CC12"), "");
    EXPECT_EQ(LookupValue({}, "OFF"), "");
}
