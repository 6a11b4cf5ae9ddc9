// PJLink on the wire (TCP 4352): the greeting, the digest that opens a
// protected connection, command and reply lines. Lines end in CR only; a
// command is "%", its class digit, a 4-letter body, one space, a parameter;
// a reply repeats class and body with "=" and its parameter. Bodies are
// compared without regard to case, as real projectors answer in either.
// Windows-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr std::uint16_t kPjlinkPort = 4352;
constexpr std::size_t kPjlinkPasswordMax = 32;

// What a projector says when a connection is accepted.
struct PjlinkGreeting {
    bool security = false;  // a digest must come with the first command
    std::string random;     // what the digest is made from
};
// "PJLINK 0", "PJLINK 1 <random>"; nothing for anything else ("PJLINK ERRA"
// is no greeting).
std::optional<PjlinkGreeting> ParseGreeting(std::string_view line);

// "PJLINK ERRA": the digest was wrong (or missing); the command was dropped.
bool IsAuthenticationRefusal(std::string_view line);

// The digest in front of a connection's first command: MD5 of the random
// number followed by the password, as 32 lower-case hex characters.
std::string PjlinkDigest(std::string_view random, std::string_view password);

// A PJLink password: at most 32 ASCII letters and digits (an empty one: none).
bool IsValidPjlinkPassword(std::string_view password);

struct PjlinkLine {
    char classDigit = '1';
    std::string body;  // upper case
    std::string parameter;
};
// A command line as sent ("%1POWR ?\r", CR optional); nothing when it is not one.
std::optional<PjlinkLine> ParseCommandLine(std::string_view text);
// A reply line ("%1POWR=0"); nothing when it is not one.
std::optional<PjlinkLine> ParseReplyLine(std::string_view line);

// "%" + class + body + " " + parameter + CR.
std::string PjlinkCommandText(char classDigit, std::string_view body, std::string_view parameter);

// ERR1 to ERR4 (1 undefined command, 2 out of parameter, 3 unavailable time,
// 4 projector failure), as the number; nothing for another parameter.
std::optional<int> PjlinkErrorCode(std::string_view parameter);
// What an error code means, for a message: "unsupported command", ...
std::string_view PjlinkErrorMeaning(int code);
