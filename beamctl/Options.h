// beamctl's command line cut into options and the command words. Options may
// stand anywhere before "--", each at most once; everything after "--", and
// every word that does not start with "-", belongs to the command. A value
// that starts with "-" is taken only as "--name=VALUE". Windows-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "UsageError.h"

struct Options {
    std::optional<std::string> projector;  // as given; checked with the other sources
    std::optional<std::string> password;
    std::optional<std::string> protocol;   // as given; checked with the other sources
    std::optional<int> timeoutMs;
    bool json = false;
    bool prometheus = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> words;  // the command and its arguments
};

struct ParsedOptions {
    Options options;
    std::optional<UsageError> error;
};

// `args` without the program name.
ParsedOptions ParseOptions(const std::vector<std::string>& args);

// The longest command time-out taken: an hour.
constexpr int kMaxTimeoutMs = 3600000;

// A whole decimal number from 1 to `max`; nothing for anything else.
std::optional<int> ParseCount(std::string_view text, int max);
