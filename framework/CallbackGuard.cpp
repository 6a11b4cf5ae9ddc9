#include "CallbackGuard.h"

#include <windows.h>

#include <string>

void ReportEscapedException(const char* where, const char* what) noexcept
{
    try {
        const std::string line = std::string("Beamdesk: ") + what + " escaped " + where + "\n";
        OutputDebugStringA(line.c_str());
    } catch (...) {
        OutputDebugStringA("Beamdesk: an exception escaped a callback\n");
    }
}
