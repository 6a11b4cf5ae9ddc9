#include "Address.h"

#include <cstdio>

std::string Ipv4Address::Text() const
{
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
    return text;
}

std::optional<Ipv4Address> ParseIpv4Address(std::string_view text)
{
    Ipv4Address address;
    for (std::size_t i = 0; i < address.octets.size(); ++i) {
        if (i > 0) {
            if (text.empty() || text.front() != '.') return std::nullopt;
            text.remove_prefix(1);
        }
        std::size_t digits = 0;
        int value = 0;
        while (digits < text.size() && digits < 3 && text[digits] >= '0' && text[digits] <= '9')
            value = value * 10 + (text[digits++] - '0');
        if (digits == 0 || value > 255) return std::nullopt;
        address.octets[i] = static_cast<std::uint8_t>(value);
        text.remove_prefix(digits);
    }
    if (!text.empty()) return std::nullopt;
    return address;
}
