#include "CommandSet.h"

#include "ReplyHandling.h"
#include "resource.h"

namespace {

constexpr CommandKind kPlain = CommandKind::Plain;
constexpr CommandKind kQuery = CommandKind::Query;

constexpr ButtonCommand kButtons[] = {
    {IDC_POWER, "PWSTATUS?\r", kQuery},      {IDC_COMPUTER1, "SOURCE 10\r", kPlain},
    {IDC_COMPUTER2, "SOURCE 20\r", kPlain},  {IDC_COMPUTER, "SOURCE F1\r", kPlain},
    {IDC_QUILLAN, "SOURCE 50\r", kPlain},    {IDC_SVIDEO, "SOURCE 42\r", kPlain},
    {IDC_AVMUTE, "MUTE?\r", kQuery},         {IDC_FREEZE, "FREEZE?\r", kQuery},
    {IDC_VOLUME_DOWN, "KEY 56\r", kPlain},   {IDC_VOLUME_UP, "KEY 57\r", kPlain},
};

struct NamedSource {
    std::string_view name;
    int controlId;  // IDC_VIDEO: the Advanced layout's video input
};

constexpr NamedSource kSources[] = {
    {"computer1", IDC_COMPUTER1}, {"computer2", IDC_COMPUTER2}, {"computer", IDC_COMPUTER},
    {"quillan", IDC_QUILLAN},     {"video", IDC_VIDEO},         {"s-video", IDC_SVIDEO},
};

}  // namespace

std::optional<ButtonCommand> CommandForButton(int controlId)
{
    for (const ButtonCommand& b : kButtons)
        if (b.controlId == controlId) return b;
    return std::nullopt;
}

std::string VideoCommand(bool advancedLayout)
{
    return advancedLayout ? "SOURCE 41\r" : "SOURCE F2\r";
}

namespace {

// A command word, a value and CR.
std::string WithValue(std::string_view word, std::string_view value)
{
    std::string command(word);
    command += ' ';
    command += value;
    command += '\r';
    return command;
}

}  // namespace

std::string CaptionCommand(std::string_view value)
{
    return WithValue("CCAP", value);
}

std::string PowerCommand(bool on)
{
    return std::string(on ? kPowerOnCommand : kPowerOffCommand);
}

std::string MuteCommand(bool on)
{
    return std::string(on ? kMuteOnCommand : kMuteOffCommand);
}

std::string FreezeCommand(bool on)
{
    return std::string(on ? kFreezeOnCommand : kFreezeOffCommand);
}

std::optional<std::string> SourceCommandByName(std::string_view name)
{
    for (const NamedSource& source : kSources) {
        if (!EqualsNoCase(source.name, name)) continue;
        if (source.controlId == IDC_VIDEO) return VideoCommand(true);
        return std::string(CommandForButton(source.controlId)->text);
    }
    return std::nullopt;
}

const std::vector<std::string_view>& SourceNames()
{
    static const std::vector<std::string_view> names = [] {
        std::vector<std::string_view> list;
        for (const NamedSource& source : kSources) list.push_back(source.name);
        return list;
    }();
    return names;
}

std::string SourceCommand(std::string_view code)
{
    return WithValue("SOURCE", code);
}
