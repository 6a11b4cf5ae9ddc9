// The projector's misbehaviours that the soak injects, one per episode, each
// drawn at random with random parameters, for the protocol the run speaks.
#pragma once

#include <functional>
#include <random>
#include <string>

#include "ProjectorSimulator.h"

struct Fault {
    std::string kind;    // names the fault in the summary
    std::string detail;  // with its parameters, for the log
    // Replies may arrive cut, trickled or behind other lines, so the console
    // can take one for the answer to a later command.
    bool repliesOutOfStep = false;
    // Only a new connection meets it: the episode starts with the open one dropped.
    bool atHandshake = false;
    // Not a standing fault: the projector drops every connection at random moments.
    bool dropsAtRandom = false;
    std::function<void(ProjectorSimulator&)> inject;
};

// One fault of the native protocol, or none, with its parameters drawn from `random`.
Fault PickFault(std::mt19937_64& random);
// The same for a PJLink projector whose password is `password` (empty: none).
Fault PickPjlinkFault(std::mt19937_64& random, const std::string& password);

// 1 to 32 ASCII letters and digits.
std::string RandomPjlinkPassword(std::mt19937_64& random);
