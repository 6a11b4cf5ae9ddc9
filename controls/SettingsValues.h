// The settings dialog's values and how they map onto the settings record: the
// packed address of the IP-address control, the check-box states, the
// password text and the presenter keys. No Windows header, so it builds and is
// tested natively too. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

// One presenter key: the console button it presses, the settings dialog's
// hot-key control, its label (and the label's catalogue text), the status text
// beside it, and the field it is stored in.
struct PresenterKey {
    int buttonId;
    int fieldId;
    int labelId;
    unsigned captionId;
    int statusId;
    std::uint16_t AppSettings::*hotkey;
};

constexpr std::size_t kPresenterKeyCount = 3;
// A/V Mute, Freeze, Power: the dialog's order from the top, and the order in
// which the console registers them.
extern const PresenterKey kPresenterKeys[kPresenterKeyCount];

// The hot-key control's modifier flags (HOTKEYF_*) and RegisterHotKey's
// (MOD_*): the same three keys, in other bits.
constexpr unsigned kHotkeyShift = 0x01, kHotkeyControl = 0x02, kHotkeyAlt = 0x04;
constexpr unsigned kModAlt = 0x0001, kModControl = 0x0002, kModShift = 0x0004;

// What RegisterHotKey takes for a key: its modifiers and virtual-key code.
struct KeyRegistration {
    unsigned modifiers;
    unsigned virtualKey;
    bool operator==(const KeyRegistration&) const = default;
};
// Nothing for none (no key code). The extended-key flag tells two keys of the
// same code apart on screen only; it does not reach the registration.
std::optional<KeyRegistration> RegistrationOf(std::uint16_t hotkey);

// What the dialog says beside a presenter key.
enum class KeyStatus {
    Free,      // nothing: none, or a combination the system gives us
    Taken,     // another program holds the combination
    SetAbove,  // a key above in the dialog has the same combination
};
// The catalogue text shown beside a key for a status; 0 for none.
unsigned StatusTextId(KeyStatus status);
// The index of an earlier key with the same registration as key `index`, if any.
std::optional<std::size_t> SameKeyAbove(const std::uint16_t (&keys)[kPresenterKeyCount], std::size_t index);

// Everything the dialog edits, in the dialog's own terms.
struct SettingsDialogValues {
    int startUp = 0;
    std::uint32_t address = 0;
    int protocol = kProtocolNative;  // the drop-down's entry: 0 native, 1 PJLink
    std::string password;            // the native protocol's
    std::string pjlinkPassword;
    int show[kShowFlagBoxCount] = {};
    std::uint16_t keys[kPresenterKeyCount] = {};  // as kPresenterKeys, as the hot-key controls report them
};

// What the dialog shows for a record: each password is the text before the
// first NUL, at most its field's length (16, 32).
SettingsDialogValues DialogValuesFromSettings(const AppSettings& settings);
// Writes the edited values into `settings`; each password is cut at its
// field's length and the rest of the field cleared; a key without a key code
// is stored as none. Every other field (the
// layout mode in particular) stays as it was.
void ApplyDialogValues(const SettingsDialogValues& values, AppSettings& settings);

// The password field's length limit for a protocol.
int PasswordLimit(int protocol);
