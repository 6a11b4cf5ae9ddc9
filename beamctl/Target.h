// Which projectors beamctl talks to and how: the protocol, the addresses and
// the password from the options, else from BEAMDESK_PROTOCOL /
// BEAMDESK_PROJECTOR / BEAMDESK_PASSWORD (an empty one counts as unset), else
// (on Windows) from the console's own saved settings; the protocol is the
// native one when nothing names one, and a file of projectors may name each
// one's. The password is the protocol's own, and a saved one goes only with
// the saved address: it is never sent to a projector the console was not set
// to. Windows-free; the saved settings come in through a function.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Address.h"
#include "Options.h"
#include "SessionSettings.h"
#include "UsageError.h"

struct Target {
    Ipv4Address address;
    std::string password;  // native: at most 16 characters; PJLink: 32 letters and digits; empty: none
    std::chrono::milliseconds commandTimeout;
    ProtocolId protocol = ProtocolId::Native;
    std::string origin = {};  // where the address was given: "--projector", "rooms.txt:3"
};

// What the console would use, as it reads it.
struct SavedProjector {
    std::string address;   // dotted; "0.0.0.0" when none is set
    std::string password;  // the native protocol's, unscrambled
    ProtocolId protocol = ProtocolId::Native;
    std::string pjlinkPassword = {};  // unscrambled
};

using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;
using SavedProjectorLookup = std::function<std::optional<SavedProjector>()>;

constexpr const char* kProjectorVariable = "BEAMDESK_PROJECTOR";
constexpr const char* kPasswordVariable = "BEAMDESK_PASSWORD";
constexpr const char* kProtocolVariable = "BEAMDESK_PROTOCOL";

// The protocol alone: --protocol, BEAMDESK_PROTOCOL, the saved settings'.
std::variant<ProtocolId, UsageError> ResolveProtocol(const Options& options, const EnvironmentLookup& environment,
                                                     const SavedProjectorLookup& saved);

// Every projector of the run, in the order listed (see ProjectorList.h): each
// with its line's protocol or else the run's, and the password from the
// options or the environment. Only an address taken from the saved settings
// takes their password.
std::variant<std::vector<Target>, UsageError> ResolveTargets(const Options& options,
                                                            const EnvironmentLookup& environment,
                                                            const SavedProjectorLookup& saved);
