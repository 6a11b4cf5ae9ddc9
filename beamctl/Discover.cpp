#include "Discover.h"

#include <variant>

#include "DottedAddress.h"
#include "ExitStatus.h"
#include "Output.h"

namespace {

const char* const kExample = "Example: beamctl discover 192.168.1.0/24 10.0.0.20-10.0.0.69";

std::string PasswordWord(const std::optional<bool>& required)
{
    if (!required) return "unknown";
    return *required ? "required" : "none";
}

// "native password=none", "pjlink password=none class=2 mac=... name=...":
// the name last, since it may hold blanks.
std::string ProtocolText(const char* protocol, const ProtocolAnswer& answer)
{
    std::string text = std::string(" ") + protocol + " password=" + PasswordWord(answer.passwordRequired);
    if (answer.projectorClass) text += " class=" + std::to_string(*answer.projectorClass);
    if (answer.mac) text += " mac=" + *answer.mac;
    if (answer.name) text += " name=" + PrintableLine(*answer.name);
    return text;
}

std::string ProtocolJson(const ProtocolAnswer& answer)
{
    std::string json = "{\"password\": ";
    json += answer.passwordRequired ? JsonString(PasswordWord(answer.passwordRequired)) : "null";
    if (answer.name) json += ", \"name\": " + JsonString(*answer.name);
    if (answer.projectorClass) json += ", \"class\": " + std::to_string(*answer.projectorClass);
    if (answer.mac) json += ", \"mac\": " + JsonString(*answer.mac);
    return json + "}";
}

}  // namespace

bool IsDiscoverCommand(std::string_view word)
{
    constexpr std::string_view kWord = "discover";
    if (word.size() != kWord.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char c = word[i] >= 'A' && word[i] <= 'Z' ? static_cast<char>(word[i] - 'A' + 'a') : word[i];
        if (c != kWord[i]) return false;
    }
    return true;
}

std::string DiscoveredText(const std::vector<DiscoveredProjector>& found)
{
    std::string out;
    for (const DiscoveredProjector& p : found) {
        out += AddressText(p.address);
        if (p.native) out += ProtocolText("native", *p.native);
        if (p.pjlink) out += ProtocolText("pjlink", *p.pjlink);
        out += "\n";
    }
    return out;
}

std::string DiscoveredJson(const std::vector<DiscoveredProjector>& found)
{
    if (found.empty()) return "[]\n";
    std::string out = "[\n";
    for (std::size_t i = 0; i < found.size(); ++i) {
        const DiscoveredProjector& p = found[i];
        out += "  {\"address\": " + JsonString(AddressText(p.address));
        if (p.native) out += ", \"native\": " + ProtocolJson(*p.native);
        if (p.pjlink) out += ", \"pjlink\": " + ProtocolJson(*p.pjlink);
        out += i + 1 < found.size() ? "},\n" : "}\n";
    }
    return out + "]\n";
}

int RunDiscover(const std::vector<std::string>& words, bool json, const Host& host, std::string& out,
                std::string& err)
{
    std::vector<AddressRange> ranges;
    for (const std::string& word : words) {
        auto range = ParseRange(word);
        if (const auto* problem = std::get_if<std::string>(&range))
            return FailureLine(err, ExitStatus::Usage, "discover: " + *problem, kExample);
        ranges.push_back(std::get<AddressRange>(range));
    }
    const std::vector<LocalInterface> interfaces = host.interfaces ? host.interfaces() : std::vector<LocalInterface>{};
    if (ranges.empty()) {
        ranges = DefaultRanges(interfaces);
        if (ranges.empty()) {
            if (json) out += DiscoveredJson({});
            return FailureLine(err, ExitStatus::NoAnswer, "discover: no network interface is up to search", kExample);
        }
    }

    const std::unique_ptr<SweepNetwork> network = host.makeSweepNetwork ? host.makeSweepNetwork() : nullptr;
    if (!network) return FailureLine(err, ExitStatus::NoAnswer, "the system's sockets cannot be used");
    SweepRequest request;
    request.ranges = ranges;
    request.searchAddresses = SearchAddresses(ranges, interfaces);
    const SweepOutcome outcome = RunSweep(request, *network);

    out += json ? DiscoveredJson(outcome.found) : DiscoveredText(outcome.found);
    if (!outcome.searchHeard)
        err += "beamctl: note: UDP port 4352 could not be had; the PJLink search's answers were not heard\n";
    if (outcome.found.empty())
        return FailureLine(err, ExitStatus::NoAnswer, "no projector answered in " + RangesText(ranges));
    return ExitCode(ExitStatus::Done);
}
