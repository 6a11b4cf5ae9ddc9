// Scrambling of the monitor password as it is stored in the registry: a fixed
// substitution of the printable characters 0x20-0x7E. This is obfuscation,
// not encryption; it only keeps the password from being read at a glance.
#pragma once

#include <cstddef>

class PasswordCodec {
public:
    virtual ~PasswordCodec() = default;

    // True for the characters the table substitutes: 0x20-0x7E. Every other
    // byte (control characters, 0x7F, 0x80 and above) passes through as is.
    bool IsScrambled(char c) const;

    // Scramble up to maxLength characters of source, stopping early at a NUL.
    // Writes that many characters to dest (no terminator) and their number to
    // *count. False only when source is null.
    bool Encode(const char* source, std::size_t maxLength, char* dest, std::size_t* count) const;

    // The inverse of Encode, with the same stopping rules.
    bool Decode(const char* stored, std::size_t length, char* dest, std::size_t* count) const;
};
