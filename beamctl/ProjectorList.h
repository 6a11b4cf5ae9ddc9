// The projectors a run is for, as --projector or BEAMDESK_PROJECTOR names
// them: one address, a comma-separated list of them, or @FILE, a file of one
// address a line, each optionally followed by the protocol it speaks (native
// or pjlink), with "#" comments and blank lines. Every entry is checked here,
// before any connection is made. Windows-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Address.h"
#include "SessionSettings.h"
#include "UsageError.h"

struct ListedProjector {
    Ipv4Address address;
    std::optional<ProtocolId> protocol;  // the line's own; nothing: the run's
    std::string origin;                  // for messages: "--projector", or "rooms.txt:3"
};

// `origin` names where `text` came from ("--projector", "BEAMDESK_PROJECTOR").
// A file is read as bytes; a line may end in CR LF, and the first may start
// with a UTF-8 byte order mark. An address may be listed once.
std::variant<std::vector<ListedProjector>, UsageError> ParseProjectorList(std::string_view text,
                                                                          const std::string& origin);

// The hint of every address problem.
inline constexpr const char* kAddressHint = "Give the projector's address, e.g. --projector 192.168.1.20.";
