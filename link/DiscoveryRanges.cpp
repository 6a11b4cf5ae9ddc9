#include "DiscoveryRanges.h"

#include <algorithm>

#include "DottedAddress.h"

namespace {

constexpr std::uint32_t kFirstUnicast = 0x01000000;  // 1.0.0.0
constexpr std::uint32_t kLastUnicast = 0xDFFFFFFF;   // 223.255.255.255
constexpr std::uint32_t kLoopbackNet = 0x7F000000;   // 127.0.0.0/8
// Subnets whose broadcast address a search may use.
constexpr int kMinSearchPrefix = 8;
constexpr int kMaxSearchPrefix = 30;

std::uint32_t Mask(int prefixLength)
{
    return prefixLength <= 0 ? 0 : prefixLength >= 32 ? 0xFFFFFFFFu : ~((1u << (32 - prefixLength)) - 1);
}

bool IsUnicast(const AddressRange& range)
{
    return range.first >= kFirstUnicast && range.last <= kLastUnicast;
}

bool IsLoopback(std::uint32_t address)
{
    return (address & Mask(8)) == kLoopbackNet;
}

std::optional<int> ParsePrefix(std::string_view text)
{
    if (text.empty() || text.size() > 2) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string Quoted(std::string_view text)
{
    std::string quoted(1, '\'');
    quoted.append(text).push_back('\'');
    return quoted;
}

const char* const kRangeForms = "A.B.C.D/N with N from 22 to 32, or A.B.C.D-A.B.C.E";

}  // namespace

AddressRange BlockHosts(std::uint32_t address, int prefixLength)
{
    prefixLength = std::clamp(prefixLength, 0, 32);
    const std::uint32_t network = address & Mask(prefixLength);
    const std::uint32_t broadcast = network | ~Mask(prefixLength);
    if (prefixLength >= 31) return {network, broadcast};
    return {network + 1, broadcast - 1};
}

std::variant<AddressRange, std::string> ParseRange(std::string_view text)
{
    AddressRange range;
    if (const auto slash = text.find('/'); slash != std::string_view::npos) {
        const auto address = ParseAddressText(text.substr(0, slash));
        const auto prefix = ParsePrefix(text.substr(slash + 1));
        if (!address || !prefix) return Quoted(text) + " is not a range: " + kRangeForms;
        if (*prefix < kMinRangePrefix || *prefix > 32)
            return Quoted(text) + ": the prefix must be from " + std::to_string(kMinRangePrefix) +
                   " to 32 (at most " + std::to_string(kMaxRangeAddresses) + " addresses)";
        range = BlockHosts(*address, *prefix);
    } else if (const auto dash = text.find('-'); dash != std::string_view::npos) {
        const auto first = ParseAddressText(text.substr(0, dash));
        const auto last = ParseAddressText(text.substr(dash + 1));
        if (!first || !last) return Quoted(text) + " is not a range: " + kRangeForms;
        if (*first > *last) return Quoted(text) + ": the first address comes after the last";
        range = {*first, *last};
        if (range.Size() > kMaxRangeAddresses)
            return Quoted(text) + " holds " + std::to_string(range.Size()) + " addresses; a range holds at most " +
                   std::to_string(kMaxRangeAddresses);
    } else {
        return Quoted(text) + " is not a range: " + kRangeForms;
    }
    if (!IsUnicast(range))
        return Quoted(text) + " reaches beyond the unicast addresses (1.0.0.0 to 223.255.255.255)";
    return range;
}

std::variant<std::vector<AddressRange>, std::string> ParseRanges(std::string_view text)
{
    std::vector<AddressRange> ranges;
    const auto isSeparator = [](char c) { return c == ' ' || c == '\t' || c == ','; };
    while (!text.empty()) {
        if (isSeparator(text.front())) {
            text.remove_prefix(1);
            continue;
        }
        std::size_t length = 0;
        while (length < text.size() && !isSeparator(text[length])) ++length;
        auto range = ParseRange(text.substr(0, length));
        if (auto* problem = std::get_if<std::string>(&range)) return std::move(*problem);
        ranges.push_back(std::get<AddressRange>(range));
        text.remove_prefix(length);
    }
    if (ranges.empty()) return std::string("no range given: ") + kRangeForms;
    return ranges;
}

std::string RangeText(const AddressRange& range)
{
    for (int prefix = kMinRangePrefix; prefix <= 32; ++prefix)
        if (BlockHosts(range.first, prefix) == range)
            return AddressText(range.first & Mask(prefix)) + "/" + std::to_string(prefix);
    return AddressText(range.first) + "-" + AddressText(range.last);
}

std::string RangesText(const std::vector<AddressRange>& ranges)
{
    std::string text;
    for (const AddressRange& range : ranges) {
        if (!text.empty()) text.push_back(' ');
        text.append(RangeText(range));
    }
    return text;
}

std::vector<AddressRange> DefaultRanges(const std::vector<LocalInterface>& interfaces)
{
    std::vector<AddressRange> ranges;
    for (const LocalInterface& i : interfaces) {
        if (!i.up || i.loopback || IsLoopback(i.address) || i.prefixLength < 0 || i.prefixLength > 32) continue;
        const AddressRange range = BlockHosts(i.address, std::max(i.prefixLength, kDefaultRangePrefix));
        if (!IsUnicast(range)) continue;
        if (std::find(ranges.begin(), ranges.end(), range) == ranges.end()) ranges.push_back(range);
    }
    return ranges;
}

std::uint32_t SearchAddress(const AddressRange& range, const std::vector<LocalInterface>& interfaces)
{
    int best = -1;
    std::uint32_t broadcast = 0;
    for (const LocalInterface& i : interfaces) {
        if (i.prefixLength < kMinSearchPrefix || i.prefixLength > kMaxSearchPrefix || i.prefixLength <= best) continue;
        const std::uint32_t mask = Mask(i.prefixLength);
        const std::uint32_t network = i.address & mask;
        if ((range.first & mask) != network || (range.last & mask) != network) continue;
        best = i.prefixLength;
        broadcast = network | ~mask;
    }
    if (best >= 0) return broadcast;
    int common = 0;
    while (common < 32 && ((range.first ^ range.last) & (0x80000000u >> common)) == 0) ++common;
    return range.first | ~Mask(common);
}

std::vector<std::uint32_t> SearchAddresses(const std::vector<AddressRange>& ranges,
                                           const std::vector<LocalInterface>& interfaces)
{
    std::vector<std::uint32_t> addresses;
    for (const AddressRange& range : ranges) {
        const std::uint32_t address = SearchAddress(range, interfaces);
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) addresses.push_back(address);
    }
    return addresses;
}

std::vector<std::uint32_t> SweptAddresses(const std::vector<AddressRange>& ranges)
{
    std::vector<std::uint32_t> addresses;
    for (const AddressRange& range : ranges)
        for (std::uint64_t a = range.first; a <= range.last; ++a) addresses.push_back(static_cast<std::uint32_t>(a));
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    return addresses;
}
