#include "CommandSet.h"

#include "resource.h"

namespace {

constexpr ButtonCommand kButtons[] = {
    {IDC_POWER, "PWSTATUS?\r", true, true},     {IDC_COMPUTER1, "SOURCE 10\r", false, false},
    {IDC_COMPUTER2, "SOURCE 20\r", false, false}, {IDC_COMPUTER, "SOURCE F1\r", false, false},
    {IDC_QUILLAN, "SOURCE 50\r", false, false},   {IDC_SVIDEO, "SOURCE 42\r", false, false},
    {IDC_AVMUTE, "MUTE?\r", true, true},          {IDC_FREEZE, "FREEZE?\r", true, true},
    {IDC_VOLUME_DOWN, "KEY 56\r", false, false},  {IDC_VOLUME_UP, "KEY 57\r", false, false},
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

std::string CaptionCommand(std::string_view value)
{
    std::string command = "CCAP ";
    command += value;
    command += '\r';
    return command;
}
