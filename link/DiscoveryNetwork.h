// The system's side of a projector search: non-blocking connections, the
// search's UDP socket, and the machine's IPv4 interfaces.
// Implementations: DiscoveryNetwork_posix.cpp (poll, getifaddrs) and
// DiscoveryNetwork_win.cpp (select, GetAdaptersAddresses).
#pragma once

#include <memory>
#include <vector>

#include "DiscoveryRanges.h"
#include "DiscoverySweep.h"

// The system's sockets for one sweep; null when they cannot be used (the
// socket layer did not start).
std::unique_ptr<SweepNetwork> MakeSweepNetwork();

// Every IPv4 address of every interface, with its subnet and state.
std::vector<LocalInterface> ListInterfaces();
