#include "Address.h"

#include "DottedAddress.h"

std::string Ipv4Address::Text() const
{
    return AddressText(static_cast<std::uint32_t>(octets[0]) << 24 | static_cast<std::uint32_t>(octets[1]) << 16 |
                       static_cast<std::uint32_t>(octets[2]) << 8 | octets[3]);
}

std::optional<Ipv4Address> ParseIpv4Address(std::string_view text)
{
    const std::optional<std::uint32_t> packed = ParseAddressText(text);
    if (!packed) return std::nullopt;
    Ipv4Address address;
    for (std::size_t i = 0; i < address.octets.size(); ++i)
        address.octets[i] = static_cast<std::uint8_t>(*packed >> (24 - 8 * i));
    return address;
}
