// The program INI ("Beamdesk.ini"): the closed-caption channels offered by the
// console ([VALUE], label = value sent) and the command time-out ([TIMEOUT]).
// Read once at start-up, never written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct ValuePair {
    std::string key;    // label shown in the caption drop-down
    std::string value;  // code sent to and reported by the projector
};

using ValueTable = std::vector<ValuePair>;

constexpr int kDefaultCommandTimeoutMs = 10000;
constexpr std::size_t kKeyListBufferSize = 2048;
constexpr std::size_t kMaxValueKeyLength = 63;

// The list used only when the file does not exist: OFF, CC1, CC2.
ValueTable BuiltInValueTable();

// Cuts a profile key list (names each ended by a NUL, one more NUL after the
// last) into names. `returned` is what the profile call returned: when the
// names did not fit, the list is cut and the last name is kept as far as it
// got. Names longer than 63 characters are skipped: the format does not allow
// them, and a cut label would no longer find its own value.
std::vector<std::string> SplitKeyList(const char* buffer, std::size_t bufferSize, std::size_t returned);

// Key comparison without regard to case, in the system's code page.
bool KeysEqualNoCase(const std::string& a, const std::string& b);

// The value of the first pair whose key matches, or an empty string.
std::string LookupValue(const ValueTable& table, const std::string& key);

// Refills `table` and sets `commandTimeoutMs` from the file at `path`.
// 1 when the file exists; 0 when the built-in list was used (the time-out is
// then left as it was).
int LoadProgramIni(const std::string& path, ValueTable& table, int& commandTimeoutMs);

// Every key of `section` with its value, in file order; empty when the file
// or the section is missing. [PJLINK] holds the input codes of the console's
// source buttons under PJLink.
ValueTable LoadIniSection(const std::string& path, const char* section);
