#include "PasswordCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Encoded(const std::string& plain)
{
    std::string out(plain.size(), '\0');
    std::size_t count = 0;
    EXPECT_TRUE(PasswordCodec().Encode(plain.c_str(), plain.size(), out.data(), &count));
    out.resize(count);
    return out;
}

std::string Decoded(const std::string& stored)
{
    std::string out(stored.size(), '\0');
    std::size_t count = 0;
    EXPECT_TRUE(PasswordCodec().Decode(stored.c_str(), stored.size(), out.data(), &count));
    out.resize(count);
    return out;
}

}  // namespace

TEST(PasswordCodec, WhichBytesAreScrambled)
{
    const PasswordCodec codec;
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(codec.IsScrambled(static_cast<char>(b)), b >= 0x20 && b <= 0x7E) << b;
}

TEST(PasswordCodec, EveryNonNulByteReadsBackAsSaved)
{
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    const std::string stored = Encoded(all);
    ASSERT_EQ(stored.size(), all.size());
    EXPECT_NE(stored, all);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const auto b = static_cast<unsigned char>(all[i]);
        const auto s = static_cast<unsigned char>(stored[i]);
        if (b >= 0x20 && b <= 0x7E)
            EXPECT_TRUE(s >= 0x20 && s <= 0x7E) << "printable stays printable: " << int(b);
        else
            EXPECT_EQ(s, b) << "passes unchanged: " << int(b);
    }
    EXPECT_EQ(Decoded(stored), all);
}

TEST(PasswordCodec, StopsAtNulOrLengthAndRefusesNull)
{
    const PasswordCodec codec;
    char out[16] = {};
    std::size_t count = 99;
    EXPECT_TRUE(codec.Encode("ab\0cd", 5, out, &count));
    EXPECT_EQ(count, 2u);
    EXPECT_TRUE(codec.Encode("abcdef", 3, out, &count));
    EXPECT_EQ(count, 3u);
    EXPECT_TRUE(codec.Decode("xyz", 0, out, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(codec.Encode(nullptr, 4, out, &count));
    EXPECT_FALSE(codec.Decode(nullptr, 4, out, &count));
}

// The stored form is a contract between versions: a password saved by one
// must read back in the next. Every printable character, in order, and the
// form this and every later version stores it in, written out here (not
// taken from the codec), so a change to a single table entry fails.
TEST(PasswordCodec, StoredFormOfEveryPrintableCharacterNeverChanges)
{
    std::string every;
    for (char c = 0x20; c <= 0x7E; ++c) every += c;
    const std::string stored =
        "i1-]u(4|@8Q~sF&[YS{mz$NU5>+na\"EA:ItT6/%M`g9H_d0)O2K\\<PoxL*ry;D?G=vjk cbV3hpJ}'q7WwX#C,fl!Z.R^eB";
    EXPECT_EQ(Encoded(every), stored);
    EXPECT_EQ(Decoded(stored), every);
}
