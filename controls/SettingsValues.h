// The settings dialog's values and how they map onto the settings record: the
// packed address of the IP-address control, the check-box states and the
// password text. No Windows header, so it builds and is tested natively too.
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "AppSettings.h"

// One layout check box: its control, its caption in the catalogue and the
// show flag it edits.
struct ShowFlagBox {
    int controlId;
    unsigned captionId;
    std::uint8_t AppSettings::*flag;
};

constexpr std::size_t kShowFlagBoxCount = 15;
// In control order, 1112 to 1126: the Advanced column, then the Simple one.
extern const ShowFlagBox kShowFlagBoxes[kShowFlagBoxCount];

// The address as the IP-address control takes it: first octet most significant.
std::uint32_t PackAddress(const std::uint8_t (&octets)[4]);
void UnpackAddress(std::uint32_t packed, std::uint8_t (&octets)[4]);

// A stored flag shows as checked only when it is exactly 1, and only a state of
// exactly 1 (checked, not indeterminate) stores 1.
int CheckFromFlag(std::uint8_t flag);
std::uint8_t FlagFromCheck(int check);

// Everything the dialog edits, in the dialog's own terms.
struct SettingsDialogValues {
    int startUp = 0;
    std::uint32_t address = 0;
    int protocol = kProtocolNative;  // the drop-down's entry: 0 native, 1 PJLink
    std::string password;            // the native protocol's
    std::string pjlinkPassword;
    int show[kShowFlagBoxCount] = {};
};

// What the dialog shows for a record: each password is the text before the
// first NUL, at most its field's length (16, 32).
SettingsDialogValues DialogValuesFromSettings(const AppSettings& settings);
// Writes the edited values into `settings`; each password is cut at its
// field's length and the rest of the field cleared. Every other field (the
// layout mode in particular) stays as it was.
void ApplyDialogValues(const SettingsDialogValues& values, AppSettings& settings);

// The password field's length limit for a protocol.
int PasswordLimit(int protocol);
