// Which projector beamctl talks to and how: the address and password from the
// options, else from BEAMDESK_PROJECTOR / BEAMDESK_PASSWORD, else (on Windows)
// from the console's own saved settings. The saved password goes only with the
// saved address: it is never sent to a projector the console was not set to.
// Windows-free; the saved settings come in through a function.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "Address.h"
#include "Options.h"
#include "UsageError.h"

struct Target {
    Ipv4Address address;
    std::string password;  // at most 16 characters; empty: none
    std::chrono::milliseconds commandTimeout;
};

// The address and password the console would use, as it reads them.
struct SavedProjector {
    std::string address;   // dotted; "0.0.0.0" when none is set
    std::string password;  // unscrambled
};

using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;
using SavedProjectorLookup = std::function<std::optional<SavedProjector>()>;

constexpr const char* kProjectorVariable = "BEAMDESK_PROJECTOR";
constexpr const char* kPasswordVariable = "BEAMDESK_PASSWORD";

std::variant<Target, UsageError> ResolveTarget(const Options& options, const EnvironmentLookup& environment,
                                               const SavedProjectorLookup& saved);
