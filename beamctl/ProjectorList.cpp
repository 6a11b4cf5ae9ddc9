#include "ProjectorList.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

constexpr const char* kFileHint =
    "A file of projectors has one address a line, optionally followed by native or pjlink; # starts a comment.";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    while (!(text = Trimmed(text)).empty()) {
        std::size_t end = 0;
        while (end < text.size() && !IsBlank(text[end])) ++end;
        words.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return words;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& problem)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        problem = std::strerror(errno);
        return std::nullopt;
    }
    std::string bytes;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        problem = "it could not be read";
        return std::nullopt;
    }
    return bytes;
}

// Collects the entries, refusing the second of two that name one projector
// (leading zeros or not).
class Collector {
public:
    std::optional<UsageError> Add(std::string_view addressText, std::optional<ProtocolId> protocol,
                                  const std::string& origin)
    {
        const auto address = ParseIpv4Address(addressText);
        if (!address)
            return UsageError{origin + ": '" + std::string(addressText) + "' is not an IPv4 address (four numbers 0-255)",
                              kAddressHint};
        if (address->IsUnset()) return UsageError{origin + ": 0.0.0.0 names no projector", kAddressHint};
        const auto [earlier, added] = m_seen.emplace(address->Text(), origin);
        if (!added)
            return UsageError{origin + ": " + address->Text() +
                                  (earlier->second == origin ? " is listed twice"
                                                             : " is listed already (" + earlier->second + ")"),
                              "List each projector once."};
        m_list.push_back({*address, protocol, origin});
        return std::nullopt;
    }

    std::vector<ListedProjector> Take() { return std::move(m_list); }

private:
    std::vector<ListedProjector> m_list;
    std::map<std::string, std::string> m_seen;  // address -> where it was listed
};

std::variant<std::vector<ListedProjector>, UsageError> ParseFile(const std::string& path, const std::string& origin)
{
    if (path.empty()) return UsageError{origin + ": '@' names no file", kFileHint};
    std::string problem;
    const auto bytes = ReadWholeFile(path, problem);
    if (!bytes) return UsageError{origin + ": cannot read '" + path + "' (" + problem + ")", kFileHint};
    std::string_view rest = *bytes;
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
    Collector collector;
    for (int number = 1; !rest.empty(); ++number) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (const std::size_t comment = line.find('#'); comment != std::string_view::npos) line = line.substr(0, comment);
        const std::vector<std::string_view> words = Words(line);
        if (words.empty()) continue;
        const std::string where = path + ":" + std::to_string(number);
        if (words.size() > 2)
            return UsageError{where + ": '" + std::string(Trimmed(line)) +
                                  "' is more than an address and a protocol",
                              kFileHint};
        std::optional<ProtocolId> protocol;
        if (words.size() == 2) {
            protocol = ProtocolByName(words[1]);
            if (!protocol)
                return UsageError{where + ": '" + std::string(words[1]) + "' is not a protocol (native or pjlink)",
                                  kFileHint};
        }
        if (auto error = collector.Add(words[0], protocol, where)) return *error;
    }
    std::vector<ListedProjector> list = collector.Take();
    if (list.empty()) return UsageError{origin + ": '" + path + "' lists no projector", kFileHint};
    return list;
}

}  // namespace

std::variant<std::vector<ListedProjector>, UsageError> ParseProjectorList(std::string_view text,
                                                                          const std::string& origin)
{
    if (!text.empty() && text.front() == '@') return ParseFile(std::string(text.substr(1)), origin);
    Collector collector;
    if (text.find(',') == std::string_view::npos) {
        // One address, exactly as given.
        if (auto error = collector.Add(text, std::nullopt, origin)) return *error;
        return collector.Take();
    }
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trimmed(text.substr(0, comma));
        if (item.empty())
            return UsageError{origin + ": an empty entry in the list of projectors",
                              "Separate the addresses with single commas: --projector 192.168.1.20,192.168.1.21."};
        if (auto error = collector.Add(item, std::nullopt, origin)) return *error;
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return collector.Take();
}
