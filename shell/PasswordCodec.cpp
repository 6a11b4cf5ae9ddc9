#include "PasswordCodec.h"

#include <array>

namespace {

constexpr char kFirst = 0x20;
constexpr std::size_t kTableSize = 95;

// Position k holds the stored form of the character 0x20 + k. Changing it makes
// every stored password unreadable, so it never changes.
constexpr char kTable[] =
    "i1-]u(4|@8Q~sF&[YS{mz$NU5>+na\"EA:ItT6/%M`g9H_d0)O2K\\<PoxL*ry;D?G=vjk cbV3hpJ}'q7WwX#C,fl!Z.R^eB";
static_assert(sizeof kTable - 1 == kTableSize);

constexpr std::array<char, kTableSize> MakeInverse()
{
    std::array<char, kTableSize> inverse{};
    for (std::size_t k = 0; k < kTableSize; ++k)
        inverse[static_cast<unsigned char>(kTable[k]) - kFirst] = static_cast<char>(kFirst + k);
    return inverse;
}

constexpr std::array<char, kTableSize> kInverse = MakeInverse();

constexpr bool IsPermutation()
{
    for (char c : kInverse)
        if (c == 0) return false;
    return true;
}
static_assert(IsPermutation(), "each printable character must occur once in the table");

template <typename Map>
bool Transform(const PasswordCodec& codec, const char* in, std::size_t maxLength, char* out,
               std::size_t* count, Map map)
{
    if (in == nullptr) return false;
    std::size_t n = 0;
    for (; n < maxLength && in[n] != '\0'; ++n)
        out[n] = codec.IsScrambled(in[n]) ? map(in[n]) : in[n];
    if (count != nullptr) *count = n;
    return true;
}

}  // namespace

bool PasswordCodec::IsScrambled(char c) const
{
    const auto value = static_cast<signed char>(c);
    return value >= 0x20 && value <= 0x7E;
}

bool PasswordCodec::Encode(const char* source, std::size_t maxLength, char* dest, std::size_t* count) const
{
    return Transform(*this, source, maxLength, dest, count,
                     [](char c) { return kTable[static_cast<unsigned char>(c) - kFirst]; });
}

bool PasswordCodec::Decode(const char* stored, std::size_t length, char* dest, std::size_t* count) const
{
    return Transform(*this, stored, length, dest, count,
                     [](char c) { return kInverse[static_cast<unsigned char>(c) - kFirst]; });
}
