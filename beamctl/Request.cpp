#include "Request.h"

#include <optional>

#include "CommandSet.h"
#include "Options.h"
#include "resource.h"

namespace {

std::string Lower(std::string_view word)
{
    std::string lower(word);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string Upper(std::string_view word)
{
    std::string upper(word);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

std::string ButtonText(int controlId)
{
    return CommandForButton(controlId)->text;
}

// A command of the user's own must go out as one line, whole: no CR inside
// (it would end the command early) and not longer than the link sends.
std::optional<std::string> RawTextProblem(std::string_view text, std::string_view prefix)
{
    if (text.find('\r') != std::string_view::npos) return "contains a carriage return";
    if (prefix.size() + text.size() + 1 > kMaxCommandLength)
        return "is longer than a command may be (" + std::to_string(kMaxCommandLength - prefix.size() - 1) +
               " characters)";
    return std::nullopt;
}

struct Words {
    std::string given;  // the command word as typed
    std::string verb;   // ... in lower case
    std::vector<std::string> args;
};

class Parser {
public:
    explicit Parser(const std::function<ValueTable()>& captionChannels) : m_captionChannels(captionChannels) {}

    std::variant<Request, UsageError> Parse(const Words& w)
    {
        if (w.verb == "status") return Status(w);
        if (w.verb == "probe") return Probe(w);
        if (w.verb == "power") return Switch(w, "power on|off", false, PowerCommand, 0);
        if (w.verb == "mute") return Switch(w, "mute on|off|toggle", true, MuteCommand, IDC_AVMUTE);
        if (w.verb == "freeze") return Switch(w, "freeze on|off|toggle", true, FreezeCommand, IDC_FREEZE);
        if (w.verb == "source") return Source(w);
        if (w.verb == "volume") return Volume(w);
        if (w.verb == "cc") return Caption(w);
        if (w.verb == "send") return Send(w);
        return UsageError{"unknown command '" + w.given + "'",
                          "Commands: status, power, mute, freeze, source, volume, cc, probe, send."};
    }

private:
    // True (with m_error set) when the argument count is outside [min, max].
    bool Expect(const Words& w, std::size_t min, std::size_t max, const char* usage)
    {
        if (w.args.size() >= min && w.args.size() <= max) return false;
        m_error = UsageError{w.verb + (w.args.size() < min ? ": an argument is missing" : ": too many arguments"),
                             std::string("Usage: beamctl [options] ") + usage};
        return true;
    }

    std::variant<Request, UsageError> Status(const Words& w)
    {
        if (Expect(w, 0, 0, "status")) return *m_error;
        Request request{RequestKind::Status, {}};
        for (const StatusItem& item : StatusItems()) request.commands.push_back({item.query, CommandKind::Plain});
        return request;
    }

    std::variant<Request, UsageError> Probe(const Words& w)
    {
        if (Expect(w, 0, 0, "probe")) return *m_error;
        return Request{RequestKind::Probe, {}};
    }

    // on / off send the switch's command; toggle (where there is one) sends the
    // console button's query, whose reply picks the opposite.
    std::variant<Request, UsageError> Switch(const Words& w, const char* usage, bool canToggle,
                                             std::string (*command)(bool), int toggleButton)
    {
        if (Expect(w, 1, 1, usage)) return *m_error;
        const std::string how = Lower(w.args[0]);
        if (how == "on" || how == "off") return Request{RequestKind::Switch, {{command(how == "on"), CommandKind::Plain}}};
        if (canToggle && how == "toggle")
            return Request{RequestKind::Switch, {{ButtonText(toggleButton), CommandKind::Query}}};
        return UsageError{w.verb + ": '" + w.args[0] + "' is not " + (canToggle ? "on, off or toggle" : "on or off"),
                          std::string("Usage: beamctl [options] ") + usage};
    }

    std::variant<Request, UsageError> Source(const Words& w)
    {
        if (Expect(w, 1, 1, "source NAME|CODE")) return *m_error;
        const std::string& name = w.args[0];
        if (auto command = SourceCommandByName(name)) return Request{RequestKind::Switch, {{*command, CommandKind::Plain}}};
        if (name.size() == 2 && IsHexDigit(name[0]) && IsHexDigit(name[1]))
            return Request{RequestKind::Switch, {{SourceCommand(Upper(name)), CommandKind::Plain}}};
        std::string names;
        for (std::string_view known : SourceNames()) names += std::string(known) + ", ";
        return UsageError{"source: unknown source '" + name + "'",
                          "Sources: " + names + "or a two-character code such as F2."};
    }

    std::variant<Request, UsageError> Volume(const Words& w)
    {
        if (Expect(w, 1, 2, "volume up|down [N]")) return *m_error;
        const std::string direction = Lower(w.args[0]);
        if (direction != "up" && direction != "down")
            return UsageError{"volume: '" + w.args[0] + "' is not up or down", "Usage: beamctl [options] volume up|down [N]"};
        int steps = 1;
        if (w.args.size() == 2) {
            const auto count = ParseCount(w.args[1], kMaxVolumeSteps);
            if (!count)
                return UsageError{"volume: '" + w.args[1] + "' is not a number of steps from 1 to " +
                                      std::to_string(kMaxVolumeSteps),
                                  "Example: beamctl volume up 3"};
            steps = *count;
        }
        const Command step{ButtonText(direction == "up" ? IDC_VOLUME_UP : IDC_VOLUME_DOWN), CommandKind::Plain};
        return Request{RequestKind::Switch, std::vector<Command>(static_cast<std::size_t>(steps), step)};
    }

    // A channel's name from the caption table, or else a value as it stands.
    std::variant<Request, UsageError> Caption(const Words& w)
    {
        if (Expect(w, 1, 1, "cc CHANNEL")) return *m_error;
        const std::string& channel = w.args[0];
        std::optional<std::string> value;
        for (const ValuePair& pair : m_captionChannels())
            if (KeysEqualNoCase(pair.key, channel)) {
                value = pair.value;
                break;
            }
        if (!value) value = channel;
        if (value->empty()) return UsageError{"cc: no channel given", "Example: beamctl cc CC1"};
        if (const auto problem = RawTextProblem(*value, "CCAP "))
            return UsageError{"cc: the channel value " + *problem, "Example: beamctl cc CC1"};
        return Request{RequestKind::Switch, {{CaptionCommand(*value), CommandKind::Plain}}};
    }

    std::variant<Request, UsageError> Send(const Words& w)
    {
        if (Expect(w, 1, 1, "send TEXT  (quote TEXT when it has spaces)")) return *m_error;
        if (const auto problem = RawTextProblem(w.args[0], ""))
            return UsageError{"send: the command " + *problem, "beamctl adds the CR that ends the command."};
        return Request{RequestKind::Replies, {{w.args[0] + '\r', CommandKind::Plain}}};
    }

    const std::function<ValueTable()>& m_captionChannels;
    std::optional<UsageError> m_error;
};

}  // namespace

const std::vector<StatusItem>& StatusItems()
{
    static const std::vector<StatusItem> items = [] {
        const std::pair<std::string_view, std::string> queries[] = {
            {"power", ButtonText(IDC_POWER)},
            {"mute", ButtonText(IDC_AVMUTE)},
            {"freeze", ButtonText(IDC_FREEZE)},
            {"cc", std::string(kCaptionQuery)},
        };
        std::vector<StatusItem> list;
        // "MUTE?\r" is answered "MUTE=" and the value.
        for (const auto& [name, query] : queries)
            list.push_back({name, query, query.substr(0, query.size() - 2) + "="});
        return list;
    }();
    return items;
}

std::variant<Request, UsageError> ParseRequest(const std::vector<std::string>& words,
                                               const std::function<ValueTable()>& captionChannels)
{
    if (words.empty()) return UsageError{"no command given", kHelpHint};
    const Words w{words[0], Lower(words[0]), {words.begin() + 1, words.end()}};
    return Parser(captionChannels).Parse(w);
}
