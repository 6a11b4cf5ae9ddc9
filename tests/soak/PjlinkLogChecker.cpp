#include "PjlinkLogChecker.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "ProjectorSimulator.h"

namespace {

constexpr std::string_view kClassQuery = "%1CLSS ?\r";
constexpr std::string_view kPowerQuery = "%1POWR ?\r";
constexpr std::string_view kPowerOff = "%1POWR 0\r";
constexpr std::size_t kDigestSize = 32;

// Each toggle's query and the follow-ups its reply can choose; the power
// query's "%1POWR 0" needs a Yes and has rules of its own.
struct Toggle {
    std::string_view query;
    std::string_view followUps[2];
};
constexpr Toggle kToggles[] = {
    {kPowerQuery, {"%1POWR 1\r", {}}},
    {"%1AVMT ?\r", {"%1AVMT 30\r", "%1AVMT 31\r"}},
    {"%2FREZ ?\r", {"%2FREZ 0\r", "%2FREZ 1\r"}},
};

const Toggle* ToggleOfFollowUp(std::string_view command)
{
    for (const Toggle& t : kToggles)
        for (std::string_view f : t.followUps)
            if (!f.empty() && f == command) return &t;
    return nullptr;
}

bool IsDigest(std::string_view text)
{
    return text.size() == kDigestSize && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

bool IsAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "%", a class digit, a four-character body, a space and a printable
// parameter; the CR already cut off.
bool IsCommandLine(std::string_view line)
{
    if (line.size() < 8 || line[0] != '%' || line[1] < '1' || line[1] > '9' || line[6] != ' ') return false;
    if (!std::all_of(line.begin() + 2, line.begin() + 6, IsAlnum)) return false;
    return std::all_of(line.begin() + 7, line.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

std::string Quoted(std::string_view bytes)
{
    std::string quoted = "\"";
    quoted.append(ProjectorSimulator::Escape(bytes)).append("\"");
    return quoted;
}

}  // namespace

PjlinkLogChecker::PjlinkLogChecker(std::string password, int projectorClass)
    : m_password(std::move(password)), m_class(projectorClass)
{
}

PjlinkLogChecker::Verdict PjlinkLogChecker::Check(const std::vector<std::string>& received,
                                                  const std::vector<std::string>& greetingRandoms) const
{
    Verdict verdict;
    std::vector<bool> yesTaken(Events().size(), false);
    std::size_t next = 0;  // the first event no command has been matched to yet
    bool classAsked = false;
    std::optional<std::size_t> lastPowerQuery;  // the press of the last power query sent on any connection

    for (std::size_t c = 0; c < received.size(); ++c) {
        auto fail = [&](std::string reason) {
            verdict.badConnection = c;
            verdict.reason = std::move(reason);
            return verdict;
        };
        const std::string random = c < greetingRandoms.size() ? greetingRandoms[c] : std::string();
        std::optional<std::size_t> powerQueryHere;  // the press of the last power query on this connection
        std::string previous;                       // the command before, on this connection
        std::string_view rest = received[c];
        for (std::size_t n = 1; !rest.empty(); ++n) {
            const auto cr = rest.find('\r');
            if (cr == std::string_view::npos) return fail("line " + std::to_string(n) + " unfinished: " + Quoted(rest));
            std::string_view line = rest.substr(0, cr);
            rest.remove_prefix(cr + 1);
            const std::string where = "line " + std::to_string(n) + " " + Quoted(std::string(line) + "\r");

            const bool digestHere = line.size() > kDigestSize && IsDigest(line.substr(0, kDigestSize));
            if (n == 1 && !random.empty()) {
                if (!digestHere) return fail(where + ": no digest in front, though the greeting asked for a password");
                if (line.substr(0, kDigestSize) != ProjectorSimulator::Md5Hex(random + m_password))
                    return fail(where + ": the digest is not the MD5 of the greeting's random \"" + random +
                                "\" and the password");
                line.remove_prefix(kDigestSize);
                ++verdict.digests;
            } else if (digestHere) {
                return fail(where + (n == 1 ? ": a digest, though the greeting asked for no password"
                                            : ": a digest after the connection's first line"));
            }
            if (!IsCommandLine(line)) return fail(where + ": not a PJLink command line");
            const std::string command = std::string(line) + "\r";
            const std::string before = std::exchange(previous, command);

            if (command == kClassQuery) {
                if (n != 1) return fail(where + ": the class question after the connection's first line");
                classAsked = true;
                ++verdict.classQuestions;
                continue;
            }
            if (!classAsked) return fail(where + ": a command before the class was ever asked");
            if (m_class == 1 && command[1] == '2') return fail(where + ": a class-2 command to a class-1 projector");

            if (command == kPowerOff) {
                const auto query = powerQueryHere ? powerQueryHere : lastPowerQuery;
                if (!query) return fail(where + ": power-off without a power query before it");
                std::size_t yes = *query + 1;
                while (yes < Events().size() && (Events()[yes].kind != Event::Yes || yesTaken[yes])) ++yes;
                if (yes == Events().size())
                    return fail(where + ": power-off without a Yes given after the last power query's press" +
                                (powerQueryHere ? "" : " (sent on an earlier connection)"));
                if (next > yes) return fail(where + ": power-off after a press made after its Yes");
                yesTaken[yes] = true;
                ++verdict.powerOffs;
                continue;
            }

            if (const Toggle* toggle = ToggleOfFollowUp(command)) {
                if (before != toggle->query)
                    return fail(where + ": a follow-up not right after its query " + Quoted(toggle->query) +
                                " on this connection");
                ++verdict.followUps;
                continue;
            }

            // A press: the next one not yet matched that sends this command.
            const auto match = MatchPress(Events(), next, command);
            if (const auto* why = std::get_if<std::string>(&match)) return fail(where + *why);
            const std::size_t press = std::get<std::size_t>(match);
            next = press + 1;
            verdict.eventsExplained = next;
            ++verdict.pressesArrived;
            if (command == kPowerQuery) powerQueryHere = lastPowerQuery = press;
        }
    }
    return verdict;
}
