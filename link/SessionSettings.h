// What a projector session is set up with, whichever protocol it speaks; each
// protocol takes what applies to it. Windows-free.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "PjlinkCommands.h"

// The stored values: 0 the port-3629 protocol, 1 PJLink.
enum class ProtocolId : std::uint8_t { Native = 0, Pjlink = 1 };

// "native", "pjlink".
std::string_view ProtocolName(ProtocolId protocol);
// By name, without regard to case; nothing for another name.
std::optional<ProtocolId> ProtocolByName(std::string_view name);

struct SessionSettings {
    ProtocolId protocol = ProtocolId::Native;
    std::string address;   // dotted IPv4
    std::string password;  // the protocol's own: up to 16 characters native, 32 PJLink; empty: none
    std::chrono::milliseconds commandTimeout{10000};
    PjlinkInputs pjlinkInputs;  // what the source buttons select under PJLink
};
