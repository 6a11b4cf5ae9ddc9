#include "ReplyHandling.h"

#include "ProgramIni.h"

namespace {

struct ReplyRule {
    std::string_view prefix;  // compared over its whole length, case-sensitive
    const char* followUp;     // null: the reply asks for nothing
};

// Tried top to bottom; the first match wins. "MUTE=OF" is compared on seven
// characters, so "MUTE=OFF" matches it.
constexpr ReplyRule kReplyRules[] = {
    {"PWSTATUS=03", "IMPWR OFF\r"}, {"PWSTATUS=01", "IMPWR ON\r"},   {"PWSTATUS=05", "IMPWR ON\r"},
    {"PWSTATUS=02", nullptr},       {"PWSTATUS=04", nullptr},        {"PWSTATUS=FF", nullptr},
    {"MUTE=ON", "MUTE OFF\r"},      {"MUTE=OF", "MUTE ON\r"},        {"FREEZE=ON", "FREEZE OFF\r"},
    {"FREEZE=OFF", "FREEZE ON\r"},  {"ERR", nullptr},
};

constexpr std::string_view kPowerOff = "IMPWR OFF\r";

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && KeysEqualNoCase(std::string(a), std::string(b));
}

}  // namespace

std::optional<std::string> FollowUpFor(std::string_view line)
{
    line = line.substr(0, kReplyCompareLength);
    for (const ReplyRule& rule : kReplyRules) {
        if (line.substr(0, rule.prefix.size()) != rule.prefix) continue;
        if (rule.followUp == nullptr) return std::nullopt;
        return std::string(rule.followUp);
    }
    return std::nullopt;
}

ReplyDecision DecideReply(const ReplyContext& context, std::vector<std::string>& followUps,
                          const std::vector<CcItem>& ccItems, std::string_view line)
{
    using Action = ReplyDecision::Action;
    if (context.phase != kPhaseCommand) return {Action::Ignore, {}, 0};

    if (line == ":") {
        if (followUps.empty()) return {};
        // Only the first follow-up goes out; any others are dropped.
        std::string next = std::move(followUps.front());
        followUps.clear();
        const Action action = EqualsNoCase(next, kPowerOff) ? Action::ConfirmPowerOff : Action::Send;
        return {action, std::move(next), 0};
    }

    if (!context.expectReply) return {};
    line = line.substr(0, kReplyCompareLength);
    for (const CcItem& item : ccItems)
        if (EqualsNoCase(item.replyText, line)) return {Action::ShowCcTicked, {}, item.commandId};

    const std::optional<std::string> followUp = FollowUpFor(line);
    ReplyDecision decision;
    if (context.ccQuery) decision.action = Action::ShowCcUnticked;
    if (followUp) followUps.push_back(*followUp);
    return decision;
}
