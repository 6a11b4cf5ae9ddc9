// A projector's IPv4 address as a user writes it: four decimal numbers 0-255
// separated by dots. Windows-free.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct Ipv4Address {
    std::array<std::uint8_t, 4> octets{};  // first octet first

    // Dotted text, as the console formats it ("%d.%d.%d.%d").
    std::string Text() const;
    // 0.0.0.0: the console's "no projector".
    bool IsUnset() const { return octets == std::array<std::uint8_t, 4>{}; }
};

// Nothing unless `text` is exactly four dot-separated numbers of one to three
// decimal digits, each 0-255. Leading zeros are decimal, never octal.
std::optional<Ipv4Address> ParseIpv4Address(std::string_view text);
