// What is wrong with a command line, told in one line, and a one-line hint on
// how to put it right. Windows-free.
#pragma once

#include <string>

struct UsageError {
    std::string message;
    std::string hint;
};

// The hint when nothing more specific helps.
inline constexpr const char* kHelpHint = "Run 'beamctl --help' for the commands and options.";
