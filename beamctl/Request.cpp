#include "Request.h"

#include <optional>

#include "CommandSet.h"
#include "Options.h"
#include "PjlinkCommands.h"
#include "PjlinkWire.h"

namespace {

// The longest parameter a PJLink projector takes.
constexpr std::size_t kPjlinkMaxParameter = 128;

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

// The input sources by the names a script gives them, each the console
// button's; video is the Advanced layout's.
struct NamedSource {
    std::string_view name;
    Press press;
};

constexpr NamedSource kSources[] = {
    {"computer1", Press::Computer1}, {"computer2", Press::Computer2}, {"computer", Press::Computer},
    {"quillan", Press::Quillan},     {"video", Press::VideoAdvanced}, {"s-video", Press::SVideo},
};

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

std::optional<std::string> NativeSourceByCode(std::string_view code)
{
    if (code.size() != 2 || !IsHexDigit(code[0]) || !IsHexDigit(code[1])) return std::nullopt;
    return SourceCommand(Upper(code));
}

std::optional<std::string> PjlinkSourceByCode(std::string_view code)
{
    const auto normalized = NormalizedInputCode(code);
    if (!normalized) return std::nullopt;
    return PjlinkInputCommand(*normalized);
}

// A PJLink projector answers nothing but a command line it can take.
std::optional<std::string> PjlinkRawProblem(std::string_view text)
{
    const auto line = ParseCommandLine(text);
    if (!line) return "is not a PJLink command: %, the class digit, four letters, a space and a parameter";
    if (line->parameter.size() > kPjlinkMaxParameter)
        return "has a parameter of " + std::to_string(line->parameter.size()) + " characters; a projector takes at most " +
               std::to_string(kPjlinkMaxParameter);
    return std::nullopt;
}

// What a protocol's own words send and report.
struct Vocabulary {
    std::string_view name;  // for messages
    std::string (*power)(bool);
    std::string (*mute)(bool);
    std::string (*freeze)(bool);
    std::optional<std::string> (*sourceByCode)(std::string_view code);
    std::string_view codeHint;                                 // how a code is given
    std::optional<std::string> (*rawProblem)(std::string_view);  // null: whatever the line
    const std::vector<ReportItem>& (*status)();
    const std::vector<ReportItem>& (*info)();  // null: the projector is not asked
    bool probe;                                // the port-3629 probe connection
    std::string_view hintElsewhere;            // the protocol that has what this one lacks
};

const Vocabulary kNative{
    "the native protocol", PowerCommand, MuteCommand, FreezeCommand, NativeSourceByCode,
    "a two-character code such as F2", nullptr, NativeStatusItems, nullptr, true,
    "PJLink projectors tell it: beamctl --protocol pjlink info",
};

const Vocabulary kPjlink{
    "PJLink", PjlinkPowerCommand, PjlinkMuteCommand, PjlinkFreezeCommand, PjlinkSourceByCode,
    "an input code such as 31 (type 1-6, then 1-9 or A-Z)", PjlinkRawProblem, PjlinkStatusItems, PjlinkInfoItems,
    false, "The native protocol has it: --protocol native",
};

struct Words {
    std::string given;  // the command word as typed
    std::string verb;   // ... in lower case
    std::vector<std::string> args;
};

class Parser {
public:
    Parser(const Vocabulary& vocabulary, const ProjectorSession& buttons,
           const std::function<ValueTable()>& captionChannels)
        : m_vocabulary(vocabulary), m_buttons(buttons), m_captionChannels(captionChannels)
    {
    }

    std::variant<Request, UsageError> Parse(const Words& w)
    {
        const Vocabulary& v = m_vocabulary;
        if (w.verb == "status") return Report(w, RequestKind::Status);
        if (w.verb == "info") return Report(w, RequestKind::Info);
        if (w.verb == "probe") return Probe(w);
        if (w.verb == "power") return Switch(w, "power on|off", v.power, std::nullopt);
        if (w.verb == "mute") return Switch(w, "mute on|off|toggle", v.mute, Press::AvMute);
        if (w.verb == "freeze") return Switch(w, "freeze on|off|toggle", v.freeze, Press::Freeze);
        if (w.verb == "source") return Source(w);
        if (w.verb == "volume") return Volume(w);
        if (w.verb == "cc") return Caption(w);
        if (w.verb == "send") return Send(w);
        return UsageError{"unknown command '" + w.given + "'",
                          "Commands: status, info, power, mute, freeze, source, volume, cc, probe, send, discover."};
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

    UsageError NotHere(const Words& w, const std::string& what) const
    {
        return UsageError{w.verb + ": " + std::string(m_vocabulary.name) + " has " + what,
                          std::string(m_vocabulary.hintElsewhere) + "."};
    }

    // status, info, or both on one session ("status info": a PJLink
    // projector's whole picture, for one file of metrics).
    std::variant<Request, UsageError> Report(const Words& w, RequestKind kind)
    {
        const RequestKind otherKind = kind == RequestKind::Status ? RequestKind::Info : RequestKind::Status;
        const std::string other = otherKind == RequestKind::Status ? "status" : "info";
        const bool both = w.args.size() == 1 && Lower(w.args[0]) == other;
        if (!both && Expect(w, 0, 0, (w.verb + " [" + other + "]").c_str())) return *m_error;
        Request request{kind, {}, {}};
        std::vector<RequestKind> parts{kind};
        if (both) parts.push_back(otherKind);
        for (const RequestKind part : parts) {
            const auto items = part == RequestKind::Status ? m_vocabulary.status : m_vocabulary.info;
            if (items == nullptr)
                return NotHere({w.given, "info", {}}, "no queries for what a projector tells of itself");
            for (ReportItem item : items()) {
                item.fromInfo = part == RequestKind::Info;
                request.commands.push_back({item.query, CommandKind::Plain});
                request.items.push_back(std::move(item));
            }
        }
        return request;
    }

    std::variant<Request, UsageError> Probe(const Words& w)
    {
        if (Expect(w, 0, 0, "probe")) return *m_error;
        if (!m_vocabulary.probe)
            return UsageError{"probe: " + std::string(m_vocabulary.name) + " has no probe connection",
                              "Run 'beamctl status': it fails with exit 4 when a password is wanted or refused."};
        return Request{RequestKind::Probe, {}};
    }

    // on / off send the switch's command; toggle (where there is one) sends the
    // console button's query, whose reply picks the opposite.
    std::variant<Request, UsageError> Switch(const Words& w, const char* usage, std::string (*command)(bool),
                                             std::optional<Press> toggle)
    {
        if (Expect(w, 1, 1, usage)) return *m_error;
        const std::string how = Lower(w.args[0]);
        if (how == "on" || how == "off") return Request{RequestKind::Switch, {{command(how == "on"), CommandKind::Plain}}};
        if (toggle && how == "toggle")
            if (const auto query = m_buttons.CommandFor(*toggle)) return Request{RequestKind::Switch, {*query}};
        return UsageError{w.verb + ": '" + w.args[0] + "' is not " + (toggle ? "on, off or toggle" : "on or off"),
                          std::string("Usage: beamctl [options] ") + usage};
    }

    std::variant<Request, UsageError> Source(const Words& w)
    {
        if (Expect(w, 1, 1, "source NAME|CODE")) return *m_error;
        const std::string& name = w.args[0];
        for (const NamedSource& source : kSources) {
            if (Lower(name) != source.name) continue;
            if (const auto command = m_buttons.CommandFor(source.press)) return Request{RequestKind::Switch, {*command}};
        }
        if (const auto command = m_vocabulary.sourceByCode(name))
            return Request{RequestKind::Switch, {{*command, CommandKind::Plain}}};
        std::string names;
        for (const NamedSource& source : kSources) names += std::string(source.name) + ", ";
        return UsageError{"source: unknown source '" + name + "'",
                          "Sources: " + names + "or " + std::string(m_vocabulary.codeHint) + "."};
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
        const auto step = m_buttons.CommandFor(direction == "up" ? Press::VolumeUp : Press::VolumeDown);
        if (!step) return NotHere(w, "no volume steps");
        return Request{RequestKind::Switch, std::vector<Command>(static_cast<std::size_t>(steps), *step)};
    }

    // A channel's name from the caption table, or else a value as it stands.
    std::variant<Request, UsageError> Caption(const Words& w)
    {
        if (Expect(w, 1, 1, "cc CHANNEL")) return *m_error;
        if (!m_buttons.HasCaptions()) return NotHere(w, "no caption channels");
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
        if (m_vocabulary.rawProblem)
            if (const auto problem = m_vocabulary.rawProblem(w.args[0]))
                return UsageError{"send: the command " + *problem, "Example: beamctl send \"%1POWR ?\""};
        return Request{RequestKind::Replies, {{w.args[0] + '\r', CommandKind::Plain}}};
    }

    const Vocabulary& m_vocabulary;
    const ProjectorSession& m_buttons;
    const std::function<ValueTable()>& m_captionChannels;
    std::optional<UsageError> m_error;
};

}  // namespace

std::variant<Request, UsageError> ParseRequest(const std::vector<std::string>& words, ProtocolId protocol,
                                               const ProjectorSession& buttons,
                                               const std::function<ValueTable()>& captionChannels)
{
    if (words.empty()) return UsageError{"no command given", kHelpHint};
    const Words w{words[0], Lower(words[0]), {words.begin() + 1, words.end()}};
    const Vocabulary& vocabulary = protocol == ProtocolId::Pjlink ? kPjlink : kNative;
    return Parser(vocabulary, buttons, captionChannels).Parse(w);
}
