// Start with the user's session: the value "Beamdesk" in the current user's
// Run key, rewritten on every save of the settings and never deleted.
#pragma once

#include <cstdint>

constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValueName = "Beamdesk";

// 1: the quoted path of this executable; anything else: an empty string.
// Every failure leaves the Run key as it was, silently.
void RegisterAtStartup(std::uint8_t startUp);
