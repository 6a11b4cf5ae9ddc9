// The session handshake on the wire: fixed-layout byte records, no multi-byte
// integers. A probe on one connection tells whether the projector wants a
// password; an open request with the password header on a second connection
// opens the text session. Windows-free.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

constexpr std::uint16_t kProjectorPort = 3629;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kOpenRequestSize = 34;
constexpr std::size_t kPasswordFieldSize = 16;
constexpr std::string_view kSessionMagic = "QRM/TX.net";

constexpr std::uint8_t kTypeProbe = 2;
constexpr std::uint8_t kTypeOpen = 3;

// Status codes: byte 14 of a reply, and the console's own codes.
constexpr int kStatusAccepted = 0x20;
constexpr int kStatusPasswordRequired = 0x41;  // after an open request: refused
constexpr int kStatusPasswordRefused = 0x43;
constexpr int kStatusConnectFailed = 0x40;     // the console's: no TCP connection
constexpr int kStatusCommandTimeout = 0x53;    // the console's: no reply to a command
constexpr int kStatusNoReply = -1;             // nothing accepted within the wait
// The link's own codes beyond the range of a status byte.
constexpr int kStatusProjectorFailure = 0x100;  // the projector reports a failure of its own
constexpr int kStatusNeedsClass2 = 0x101;       // the command is one a class-1 projector may never answer

using ProbeRequest = std::array<std::uint8_t, kHeaderSize>;
using OpenRequest = std::array<std::uint8_t, kOpenRequestSize>;

ProbeRequest BuildProbeRequest();

// `password` holds up to 16 characters; shorter ones are zero-padded, and the
// header is present even for an empty password.
OpenRequest BuildOpenRequest(std::uint8_t type, std::string_view password);

// The status a handshake reply carries: byte 14 of the reply, sign-extended,
// so 0xFF reads like no reply at all. A chunk without the magic is ignored;
// what comes before the magic in a chunk (a projector that greets every new
// connection, its greeting read together with the reply) is skipped. A reply
// too short to hold byte 14 carries none.
std::optional<int> HandshakeReplyStatus(const std::uint8_t* chunk, std::size_t length);
