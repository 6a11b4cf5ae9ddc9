// What the console makes of one reply line: the reply table that picks a
// toggle's follow-up command, the follow-up queue that sends it at the next
// prompt, and the CC drop-down's tick. Decisions only; the console carries
// them out (message box, menu, send). Windows-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One entry of the CC drop-down.
struct CcItem {
    int commandId;          // 2000 + index
    std::string replyText;  // "CCAP=" + the channel's value
};

constexpr int kPhaseNone = 0;
constexpr int kPhaseProbe = 2;
constexpr int kPhaseOpen = 3;
constexpr int kPhaseCommand = 4;

// Only the first 31 characters of a line take part in the comparisons.
constexpr std::size_t kReplyCompareLength = 31;

// The follow-up the reply table picks for a query's reply line, if any.
std::optional<std::string> FollowUpFor(std::string_view line);

struct ReplyContext {
    int phase;
    bool expectReply;  // the outstanding command is a query
    bool ccQuery;      // ...and it is the CC query
};

struct ReplyDecision {
    enum class Action {
        Ignore,           // before the first command: nothing at all
        None,             // the link is idle again; nothing else
        Send,             // send `command` now
        ConfirmPowerOff,  // ask "Power off?"; send `command` on Yes
        ShowCcTicked,     // tick `ccCommandId`, open the CC drop-down
        ShowCcUnticked,   // open the CC drop-down with nothing ticked
    };
    Action action = Action::None;
    std::string command;
    int ccCommandId = 0;
};

// Decides one line. `followUps` is the console's queue: a prompt takes its
// first element and empties it; a query's reply may append to it.
ReplyDecision DecideReply(const ReplyContext& context, std::vector<std::string>& followUps,
                          const std::vector<CcItem>& ccItems, std::string_view line);
