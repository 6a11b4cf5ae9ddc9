#include "PjlinkCommands.h"

#include "PjlinkWire.h"
#include "ReplyHandling.h"

const std::string_view kPjlinkClassQuery = "%1CLSS ?\r";

namespace {

struct InputKey {
    std::string_view key;
    std::string PjlinkInputs::*code;
};

constexpr InputKey kInputKeys[] = {
    {"Computer1", &PjlinkInputs::computer1}, {"Computer2", &PjlinkInputs::computer2},
    {"Computer", &PjlinkInputs::computer},   {"Quillan", &PjlinkInputs::quillan},
    {"Video", &PjlinkInputs::video},         {"SVideo", &PjlinkInputs::svideo},
};

// A toggle's reply table: the body asked, the reply's parameter, what goes
// out next. "Anything muted" (video, audio or both) unmutes both.
struct FollowUpRule {
    std::string_view body;
    std::string_view parameter;
    std::string_view followUp;
};

constexpr FollowUpRule kFollowUps[] = {
    {"POWR", "0", "%1POWR 1\r"},  {"POWR", "1", "%1POWR 0\r"},  // "2" cooling, "3" warming up: nothing
    {"AVMT", "11", "%1AVMT 30\r"}, {"AVMT", "21", "%1AVMT 30\r"}, {"AVMT", "31", "%1AVMT 30\r"},
    {"AVMT", "30", "%1AVMT 31\r"}, {"FREZ", "1", "%2FREZ 0\r"},   {"FREZ", "0", "%2FREZ 1\r"},
};

std::string Query(char classDigit, std::string_view body)
{
    return PjlinkCommandText(classDigit, body, "?");
}

}  // namespace

std::optional<std::string> NormalizedInputCode(std::string_view code)
{
    if (code.size() != 2 || code[0] < '1' || code[0] > '6') return std::nullopt;
    char number = code[1];
    if (number >= 'a' && number <= 'z') number = static_cast<char>(number - 'a' + 'A');
    if (!((number >= '1' && number <= '9') || (number >= 'A' && number <= 'Z'))) return std::nullopt;
    return std::string{code[0], number};
}

PjlinkInputs PjlinkInputsFrom(const std::vector<std::pair<std::string, std::string>>& entries)
{
    PjlinkInputs inputs;
    for (const InputKey& k : kInputKeys)
        for (const auto& [key, value] : entries) {
            if (!EqualsNoCase(key, k.key)) continue;
            if (const auto code = NormalizedInputCode(value)) inputs.*k.code = *code;
            break;
        }
    return inputs;
}

std::string PjlinkInputCommand(std::string_view code)
{
    const bool class2 = code.size() == 2 && (code[0] == '6' || (code[1] >= 'A' && code[1] <= 'Z'));
    return PjlinkCommandText(class2 ? '2' : '1', "INPT", code);
}

std::optional<Command> PjlinkCommandFor(Press press, const PjlinkInputs& inputs)
{
    const auto plain = [](std::string text) { return Command{std::move(text), CommandKind::Plain}; };
    switch (press) {
    case Press::Power: return Command{Query('1', "POWR"), CommandKind::Query};
    case Press::AvMute: return Command{Query('1', "AVMT"), CommandKind::Query};
    case Press::Freeze: return Command{Query('2', "FREZ"), CommandKind::Query};
    case Press::Computer1: return plain(PjlinkInputCommand(inputs.computer1));
    case Press::Computer2: return plain(PjlinkInputCommand(inputs.computer2));
    case Press::Computer: return plain(PjlinkInputCommand(inputs.computer));
    case Press::Quillan: return plain(PjlinkInputCommand(inputs.quillan));
    case Press::VideoAdvanced:
    case Press::VideoSimple: return plain(PjlinkInputCommand(inputs.video));
    case Press::SVideo: return plain(PjlinkInputCommand(inputs.svideo));
    case Press::VolumeDown: return plain(PjlinkVolumeCommand(false));
    case Press::VolumeUp: return plain(PjlinkVolumeCommand(true));
    case Press::CaptionQuery: return std::nullopt;  // PJLink has no captions
    }
    return std::nullopt;
}

std::string PjlinkPowerCommand(bool on)
{
    return PjlinkCommandText('1', "POWR", on ? "1" : "0");
}

std::string PjlinkMuteCommand(bool on)
{
    return PjlinkCommandText('1', "AVMT", on ? "31" : "30");
}

std::string PjlinkFreezeCommand(bool on)
{
    return PjlinkCommandText('2', "FREZ", on ? "1" : "0");
}

std::string PjlinkVolumeCommand(bool up)
{
    return PjlinkCommandText('2', "SVOL", up ? "1" : "0");
}

std::optional<int> ClassFromReply(std::string_view parameter)
{
    for (const char c : parameter) {
        if (c == '1' || c == '2') return c - '0';
        if (c >= '0' && c <= '9') return std::nullopt;
    }
    return std::nullopt;
}

bool NeedsClass2(std::string_view commandText)
{
    return commandText.size() > 1 && commandText[0] == '%' && commandText[1] == '2';
}

std::optional<std::string> PjlinkFollowUp(std::string_view body, std::string_view parameter)
{
    for (const FollowUpRule& rule : kFollowUps)
        if (EqualsNoCase(rule.body, body) && rule.parameter == parameter) return std::string(rule.followUp);
    return std::nullopt;
}
