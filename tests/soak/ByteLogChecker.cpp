#include "ByteLogChecker.h"

#include <algorithm>
#include <string_view>

#include "ProjectorSimulator.h"

namespace {

using namespace std::string_literals;

constexpr std::string_view kKeepAlive = ":\r";
constexpr std::string_view kPowerQuery = "PWSTATUS?\r";
constexpr std::string_view kCaptionQuery = "CCAP?\r";
constexpr std::string_view kPowerOff = "IMPWR OFF\r";

// Each toggle's query and the commands its answer can choose.
struct Toggle {
    std::string_view query;
    std::string_view followUps[2];
};
constexpr Toggle kToggles[] = {
    {kPowerQuery, {"IMPWR ON\r", kPowerOff}},
    {"MUTE?\r", {"MUTE ON\r", "MUTE OFF\r"}},
    {"FREEZE?\r", {"FREEZE ON\r", "FREEZE OFF\r"}},
};

const Toggle* ToggleOfQuery(std::string_view command)
{
    for (const Toggle& t : kToggles)
        if (t.query == command) return &t;
    return nullptr;
}

bool IsFollowUpOf(const Toggle& toggle, std::string_view command)
{
    return std::find(std::begin(toggle.followUps), std::end(toggle.followUps), command) != std::end(toggle.followUps);
}

bool IsFollowUp(std::string_view command)
{
    return std::any_of(std::begin(kToggles), std::end(kToggles),
                       [&](const Toggle& t) { return IsFollowUpOf(t, command); });
}

// The sixteen-byte header both handshake requests start with.
std::string Header(char type, char headerCount)
{
    return "QRM/TX.net\x10"s + type + "\0\0\0"s + headerCount;
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

std::string Quoted(std::string_view bytes)
{
    std::string quoted = "\"";
    quoted.append(ProjectorSimulator::Escape(bytes)).append("\"");
    return quoted;
}

// What one session connection has shown so far.
struct SessionSoFar {
    const Toggle* lastQuery = nullptr;       // the last toggle query sent on it
    bool lastQueryAnswered = false;          // its follow-up went out
    std::optional<std::size_t> firstPowerPress;
    std::optional<std::size_t> firstQueryPress;  // any query, the caption query included
    bool anyCommand = false;
};

}  // namespace

ByteLogChecker::ByteLogChecker(std::string password)
    : m_probe(Header('\x02', '\0')), m_open(Header('\x03', '\x01') + "\x01\x01"s)
{
    password.resize(16, '\0');
    m_open += password;
}

void ByteLogChecker::BeginOutOfStep(std::size_t first)
{
    m_outOfStep.push_back({first, static_cast<std::size_t>(-1)});
}

void ByteLogChecker::EndOutOfStep(std::size_t last)
{
    if (!m_outOfStep.empty()) m_outOfStep.back().last = last;
}

bool ByteLogChecker::OutOfStep(std::size_t connection) const
{
    return std::any_of(m_outOfStep.begin(), m_outOfStep.end(),
                       [&](const Range& r) { return connection >= r.first && connection <= r.last; });
}

ByteLogChecker::Verdict ByteLogChecker::Check(const std::vector<std::string>& received, std::size_t freeTicks) const
{
    Verdict verdict;
    const auto ticks = static_cast<std::size_t>(
        std::count_if(Events().begin(), Events().end(), [](const Event& e) { return e.kind == Event::Tick; }));
    std::vector<bool> yesTaken(Events().size(), false);
    std::size_t next = 0;  // the first event no command has been matched to yet

    // The first Yes after `press` that no power-off has taken yet.
    auto takeYes = [&](std::size_t press) {
        for (std::size_t i = press + 1; i < Events().size(); ++i) {
            if (Events()[i].kind != Event::Yes || yesTaken[i]) continue;
            yesTaken[i] = true;
            return true;
        }
        return false;
    };

    for (std::size_t c = 0; c < received.size(); ++c) {
        const std::string_view bytes = received[c];
        auto fail = [&](std::string reason) {
            verdict.badConnection = c;
            verdict.reason = std::move(reason);
            return verdict;
        };
        if (StartsWith(m_probe, bytes) || StartsWith(m_open, bytes)) continue;  // perhaps cut short
        if (!StartsWith(bytes, m_open)) return fail("neither the probe nor an open request");

        const bool strict = !OutOfStep(c);
        SessionSoFar session;
        std::string_view rest = bytes.substr(m_open.size());
        for (std::size_t n = 1; !rest.empty(); ++n) {
            if (StartsWith(rest, m_probe.substr(0, 11)))
                return fail("a handshake request inside the session, after command " + std::to_string(n - 1) + ": " +
                            Quoted(rest.substr(0, m_open.size())));
            const auto cr = rest.find('\r');
            if (cr == std::string_view::npos) {
                // A command still arriving, or cut off by the close: the start
                // of something that may be sent.
                bool known = StartsWith(kKeepAlive, rest);
                for (const Toggle& t : kToggles)
                    for (std::string_view f : t.followUps) known = known || StartsWith(f, rest);
                for (std::size_t i = next; i < Events().size() && !known; ++i)
                    known = Events()[i].kind == Event::Press && StartsWith(Events()[i].command, rest);
                if (!known) return fail("an unfinished command that nothing asked for: " + Quoted(rest));
                break;
            }
            const std::string_view command = rest.substr(0, cr + 1);
            rest.remove_prefix(cr + 1);
            const std::string where = "command " + std::to_string(n) + " " + Quoted(command);
            const bool opensSession = !session.anyCommand;
            session.anyCommand = true;

            if (command == kKeepAlive) {
                if (opensSession && c >= m_startUpConnections) return fail(where + ": a keep-alive opened a session");
                if (++verdict.keepAlives > ticks + freeTicks)
                    return fail(where + ": more keep-alives (" + std::to_string(verdict.keepAlives) +
                                ") than ticks (" + std::to_string(ticks) + " + " + std::to_string(freeTicks) +
                                " of the program's own timer)");
                continue;
            }

            if (command == kPowerOff) {
                const auto after = strict ? session.firstPowerPress : session.firstQueryPress;
                if (!after) return fail(where + ": power-off without a power query before it on this connection");
                if (!takeYes(*after)) return fail(where + ": power-off without a Yes given after the power query");
                continue;
            }

            if (IsFollowUp(command)) {
                if (strict) {
                    if (!session.lastQuery) return fail(where + ": a follow-up without a query before it on this connection");
                    if (session.lastQueryAnswered) return fail(where + ": a second follow-up for one query");
                    if (!IsFollowUpOf(*session.lastQuery, command))
                        return fail(where + ": not a follow-up of the last query, " + Quoted(session.lastQuery->query));
                    session.lastQueryAnswered = true;
                } else if (!session.firstQueryPress) {
                    return fail(where + ": a follow-up without any query before it on this connection");
                }
                continue;
            }

            // A press: the next one not yet matched that sends this command.
            const auto match = MatchPress(Events(), next, command);
            if (const auto* why = std::get_if<std::string>(&match)) return fail(where + *why);
            const std::size_t press = std::get<std::size_t>(match);
            next = press + 1;
            verdict.eventsExplained = next;
            ++verdict.pressesArrived;
            if (const Toggle* toggle = ToggleOfQuery(command)) {
                session.lastQuery = toggle;
                session.lastQueryAnswered = false;
                if (command == kPowerQuery && !session.firstPowerPress) session.firstPowerPress = press;
            }
            if ((ToggleOfQuery(command) != nullptr || command == kCaptionQuery) && !session.firstQueryPress)
                session.firstQueryPress = press;
        }
    }
    return verdict;
}
