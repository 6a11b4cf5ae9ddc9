#include "CommandSet.h"

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

std::string SourceCommand(std::string_view code)
{
    return WithValue("SOURCE", code);
}
