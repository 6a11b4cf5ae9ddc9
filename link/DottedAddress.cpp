#include "DottedAddress.h"

#include <cstdio>

std::string AddressText(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF, (address >> 8) & 0xFF,
                  address & 0xFF);
    return text;
}

std::optional<std::uint32_t> ParseAddressText(std::string_view text)
{
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (text.empty() || text.front() != '.') return std::nullopt;
            text.remove_prefix(1);
        }
        std::size_t digits = 0;
        unsigned value = 0;
        while (digits < text.size() && digits < 3 && text[digits] >= '0' && text[digits] <= '9')
            value = value * 10 + static_cast<unsigned>(text[digits++] - '0');
        if (digits == 0 || value > 255) return std::nullopt;
        address = address << 8 | value;
        text.remove_prefix(digits);
    }
    if (!text.empty()) return std::nullopt;
    return address;
}
