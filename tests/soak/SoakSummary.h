// What a soak run did and saw, printed at its end (and after a failure).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <map>
#include <string>

struct SoakSummary {
    bool pjlink = false;  // the protocol of the run: what there is to count
    int episodes = 0;
    int steps = 0;
    int checks = 0;
    int presses = 0;
    int captionChoices = 0;
    int menusEscaped = 0;
    int ticks = 0;
    int layoutSwitches = 0;
    int drops = 0;  // every connection dropped by the projector at a random moment
    int yes = 0;
    int no = 0;
    std::map<std::string, int> faults;   // by kind
    std::map<std::string, int> prompts;  // by text
    std::chrono::milliseconds longestReopen{0};
    std::string longestReopenFault;
    std::chrono::milliseconds longestAnswer{0};
    // From the projector's byte log at the last check.
    std::size_t connections = 0;
    std::size_t bytes = 0;
    std::size_t pressesArrived = 0;
    std::size_t keepAlives = 0;
    std::size_t followUps = 0;       // PJLink
    std::size_t powerOffs = 0;       // PJLink
    std::size_t classQuestions = 0;  // PJLink
    std::size_t digests = 0;         // PJLink

    void Print(std::FILE* out) const;
};
