// What a beamctl command asks of the projector: the commands to send, one
// after the other, each to its prompt, and what to print. Every word is checked
// here, before any connection is made. Windows-free.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Command.h"
#include "ProgramIni.h"
#include "UsageError.h"

enum class RequestKind {
    Switch,   // commands whose prompts are all there is to it (power, mute, source, ...)
    Status,   // one query per status item; the items' values are printed
    Probe,    // only the probe connection: is there a projector, does it want a password
    Replies,  // one raw command; its reply lines are printed
};

// One line of `status`: its name, the query, and how its value is found.
struct StatusItem {
    std::string_view name;   // "power"
    std::string query;       // "PWSTATUS?\r"
    std::string replyStart;  // "PWSTATUS=": the value follows it
};
const std::vector<StatusItem>& StatusItems();

struct Request {
    RequestKind kind = RequestKind::Switch;
    std::vector<Command> commands;  // status: one per StatusItems() entry, in order
};

// `words` is the command and its arguments. The caption table is asked for
// only by `cc`.
std::variant<Request, UsageError> ParseRequest(const std::vector<std::string>& words,
                                               const std::function<ValueTable()>& captionChannels);

// The most volume steps one command takes.
constexpr int kMaxVolumeSteps = 100;
