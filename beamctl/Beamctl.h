// beamctl as a function: the command line in, the text of its two output
// streams and its exit status out. What it needs from the machine (environment,
// the console's saved settings, caption channels and PJLink input codes, a
// network transport, the interfaces and sockets of a search) comes in through Host, so tests run it in-process against
// the projector simulator. Windows-free.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DiscoveryRanges.h"
#include "DiscoverySweep.h"
#include "ProgramIni.h"
#include "Target.h"
#include "Transport.h"

struct Host {
    EnvironmentLookup environment;
    SavedProjectorLookup savedProjector;
    std::function<ValueTable()> captionChannels;
    std::function<std::unique_ptr<Transport>()> makeTransport;
    // Beamdesk.ini's [PJLINK] entries; asked for only under PJLink. Empty (or
    // unset): the built-in input codes.
    std::function<ValueTable()> pjlinkInputs = {};
    // discover: the machine's interfaces and the search's sockets (unset:
    // none, and no sockets).
    std::function<std::vector<LocalInterface>()> interfaces = {};
    std::function<std::unique_ptr<SweepNetwork>()> makeSweepNetwork = {};
};

// `args` without the program name. What is meant for standard output and
// standard error is appended to `out` and `err`. Returns the exit status.
int RunBeamctl(const std::vector<std::string>& args, const Host& host, std::string& out, std::string& err);
