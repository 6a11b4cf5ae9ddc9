// What a beamctl command asks of the projector: the commands to send, one
// after the other, each to its answer, and what to print. Every word is
// checked here, before any connection is made. Each protocol has its own
// words for its switches, codes, reports and raw commands; what a console
// button sends (a toggle, a source by name, a volume step) is asked of the
// session, so beamctl sends what the console sends. Windows-free.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Command.h"
#include "ProgramIni.h"
#include "ProjectorSession.h"
#include "ReportItems.h"
#include "SessionSettings.h"
#include "UsageError.h"

enum class RequestKind {
    Switch,   // commands whose answers are all there is to it (power, mute, source, ...)
    Status,   // one query per item; the items' values are printed
    Info,     // the same, for what the projector tells of itself
    Probe,    // only the probe connection: is there a projector, does it want a password
    Replies,  // one raw command; its reply lines are printed
};

struct Request {
    RequestKind kind = RequestKind::Switch;
    std::vector<Command> commands;        // status, info: one per item, in order
    std::vector<ReportItem> items = {};   // status, info
};

// `words` is the command and its arguments; `buttons` is a session of the
// protocol, asked only what the console's buttons send. The caption table is
// asked for only by `cc`.
std::variant<Request, UsageError> ParseRequest(const std::vector<std::string>& words, ProtocolId protocol,
                                               const ProjectorSession& buttons,
                                               const std::function<ValueTable()>& captionChannels);

// The most volume steps one command takes.
constexpr int kMaxVolumeSteps = 100;
