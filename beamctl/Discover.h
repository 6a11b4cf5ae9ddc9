// beamctl discover [RANGE...]: every address of the ranges (without one, the
// /24 around each address of the machine's interfaces that are up, the
// loopback left out) searched for projectors on both ports at once, beside
// the PJLink search datagram; one line per projector found, or with --json
// an array of objects. Exit 0 when one was found, 3 when none was. The
// network and the interface list come from the host. Windows-free.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Beamctl.h"

// The command word, without regard to case.
bool IsDiscoverCommand(std::string_view word);

// `ranges` are the words after the command.
int RunDiscover(const std::vector<std::string>& ranges, bool json, const Host& host, std::string& out,
                std::string& err);

// What is printed for what was found (in the order given).
std::string DiscoveredText(const std::vector<DiscoveredProjector>& found);
std::string DiscoveredJson(const std::vector<DiscoveredProjector>& found);
