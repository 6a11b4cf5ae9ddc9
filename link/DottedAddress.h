// An IPv4 address as people write it: four decimal numbers 0-255 separated by
// dots. Packed with the first number in the high byte. Windows-free.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// "192.168.1.20".
std::string AddressText(std::uint32_t address);
// Nothing unless `text` is exactly four dot-separated numbers of one to three
// decimal digits, each 0-255. Leading zeros are decimal, never octal.
std::optional<std::uint32_t> ParseAddressText(std::string_view text);
