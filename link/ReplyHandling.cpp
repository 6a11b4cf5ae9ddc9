#include "ReplyHandling.h"

#include "Command.h"

namespace {

struct ReplyRule {
    std::string_view prefix;    // compared over its whole length, case-sensitive
    std::string_view followUp;  // empty: the reply asks for nothing
};

// Tried top to bottom; the first match wins. "MUTE=OF" is compared on seven
// characters, so "MUTE=OFF" matches it.
constexpr ReplyRule kReplyRules[] = {
    {"PWSTATUS=03", kPowerOffCommand}, {"PWSTATUS=01", kPowerOnCommand},  {"PWSTATUS=05", kPowerOnCommand},
    {"PWSTATUS=02", {}},               {"PWSTATUS=04", {}},               {"PWSTATUS=FF", {}},
    {"MUTE=ON", kMuteOffCommand},      {"MUTE=OF", kMuteOnCommand},       {"FREEZE=ON", kFreezeOffCommand},
    {"FREEZE=OFF", kFreezeOnCommand},  {"ERR", {}},
};

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

std::optional<std::string> FollowUpFor(std::string_view line)
{
    line = line.substr(0, kReplyCompareLength);
    for (const ReplyRule& rule : kReplyRules) {
        if (line.substr(0, rule.prefix.size()) != rule.prefix) continue;
        if (rule.followUp.empty()) return std::nullopt;
        return std::string(rule.followUp);
    }
    return std::nullopt;
}

std::optional<int> CaptionEntryFor(const std::vector<CcItem>& items, std::string_view line)
{
    line = line.substr(0, kReplyCompareLength);
    for (const CcItem& item : items)
        if (EqualsNoCase(item.replyText, line)) return item.commandId;
    return std::nullopt;
}
