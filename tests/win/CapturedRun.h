// Runs a console program the way a script does and keeps what it printed on
// its standard output and standard error, and its exit code.
#pragma once

#include <windows.h>

#include <string>

struct CapturedRun {
    DWORD exitCode = STILL_ACTIVE;  // still so when it did not end in time (it is then ended)
    std::string out;
    std::string err;
};

// `arguments` are appended to the quoted program path as they stand.
CapturedRun RunCaptured(const std::string& executable, const std::string& arguments, DWORD limitMs = 60000);
