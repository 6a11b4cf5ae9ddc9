// What a projector search sweeps: address ranges as a user types them
// ("192.168.1.0/24", "10.0.0.20-10.0.0.69"), the ranges searched when none is
// given (the /24 around each address of the machine's interfaces), and where
// the search datagram of a range goes. Addresses are IPv4, packed with the
// first octet most significant. Windows-free; pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The shortest prefix and the most addresses one range may have.
constexpr int kMinRangePrefix = 22;
constexpr std::size_t kMaxRangeAddresses = 1024;
// Interfaces' subnets are cut to this prefix around the interface's address.
constexpr int kDefaultRangePrefix = 24;

// Addresses first to last, both included.
struct AddressRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;

    std::size_t Size() const { return static_cast<std::size_t>(last - first) + 1; }
    bool Contains(std::uint32_t address) const { return address >= first && address <= last; }
    bool operator==(const AddressRange&) const = default;
};

// An IPv4 address of the machine, as the system lists it.
struct LocalInterface {
    std::string name;
    std::uint32_t address = 0;
    int prefixLength = 0;  // of its subnet
    bool up = false;
    bool loopback = false;
};

// The block of `prefixLength` bits around `address`, as swept: the hosts only,
// without the block's own address and its broadcast address, for a prefix up
// to 30; both addresses of a /31 and the one of a /32.
AddressRange BlockHosts(std::uint32_t address, int prefixLength);

// One range as typed: A.B.C.D/N with N from 22 to 32 (the block around
// A.B.C.D, hosts only as BlockHosts), or A.B.C.D-A.B.C.E with at most 1024
// addresses, first not after last. Every address must be a unicast one
// (1.0.0.0 to 223.255.255.255). Else the problem, for a message.
std::variant<AddressRange, std::string> ParseRange(std::string_view text);
// Ranges separated by blanks or commas (at least one); the first problem.
std::variant<std::vector<AddressRange>, std::string> ParseRanges(std::string_view text);

// The range typed the shortest way: "192.168.1.0/24" for a block's hosts as
// BlockHosts gives them, else "A.B.C.D-A.B.C.E"; a single address as itself.
std::string RangeText(const AddressRange& range);
// Ranges' texts separated by a blank.
std::string RangesText(const std::vector<AddressRange>& ranges);

// What is searched when no range is given: for each interface that is up and
// not the loopback (no 127.x.y.z address either), its subnet cut to the /24
// around its address (a smaller subnet stays as it is), as BlockHosts gives
// it; each range once, in the interfaces' order.
std::vector<AddressRange> DefaultRanges(const std::vector<LocalInterface>& interfaces);

// Where a range's search datagram goes: the broadcast address of the smallest
// interface subnet (prefix 8 to 30) that holds the whole range, else the last
// address of the smallest block that holds it (for a single address, itself).
std::uint32_t SearchAddress(const AddressRange& range, const std::vector<LocalInterface>& interfaces);
// The search addresses of all ranges, each once, in order.
std::vector<std::uint32_t> SearchAddresses(const std::vector<AddressRange>& ranges,
                                           const std::vector<LocalInterface>& interfaces);

// Every address of the ranges once, in ascending order.
std::vector<std::uint32_t> SweptAddresses(const std::vector<AddressRange>& ranges);
