// One text command for the projector and what kind of answer it waits for.
// Windows-free.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class CommandKind {
    Plain,         // a source, volume, CC choice or follow-up: the reply changes nothing
    Query,         // a toggle's question: its reply picks the follow-up; a new one drops older follow-ups
    CaptionQuery,  // the CC button's question: its reply opens the drop-down
    KeepAlive,     // the idle session's ":": never opens a session, never reported when unanswered
};

struct Command {
    std::string text;  // CR-terminated, sent as it stands
    CommandKind kind = CommandKind::Plain;
};

// The longest command the link sends: a caption choice is "CCAP ", a value of
// up to 259 characters from Beamdesk.ini, and CR. Anything longer is dropped
// whole, never cut.
constexpr std::size_t kMaxCommandLength = 271;
static_assert(kMaxCommandLength >= 5 + 259 + 1, "room for the longest caption command");

constexpr std::string_view kKeepAliveCommand = ":\r";
constexpr std::string_view kCaptionQuery = "CCAP?\r";
// The switches the toggles' follow-ups send.
constexpr std::string_view kPowerOnCommand = "IMPWR ON\r";
constexpr std::string_view kPowerOffCommand = "IMPWR OFF\r";
constexpr std::string_view kMuteOnCommand = "MUTE ON\r";
constexpr std::string_view kMuteOffCommand = "MUTE OFF\r";
constexpr std::string_view kFreezeOnCommand = "FREEZE ON\r";
constexpr std::string_view kFreezeOffCommand = "FREEZE OFF\r";
