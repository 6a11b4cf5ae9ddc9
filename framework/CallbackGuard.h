// The system calls our window procedures, dialog procedure and entry point
// from its own code, which a C++ exception must never unwind through. Each
// runs its body through GuardCallback: an exception that escapes it is
// written to the debugger output and the call ends with a plain result.
#pragma once

#include <exception>

// Writes "Beamdesk: <what> escaped <where>" to the debugger output.
void ReportEscapedException(const char* where, const char* what) noexcept;

// body(), or `fallback` when it throws.
template <typename Result, typename Body>
Result GuardCallback(const char* where, Result fallback, Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::exception& e) {
        ReportEscapedException(where, e.what());
    } catch (...) {
        ReportEscapedException(where, "an exception of unknown type");
    }
    return fallback;
}
