#include "PjlinkWire.h"

#include "Md5.h"

namespace {

constexpr std::string_view kGreetingWord = "PJLINK";

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Upper(text[i]) != Upper(prefix[i])) return false;
    return true;
}

// "%", a class digit, four letters or digits and the separator.
std::optional<PjlinkLine> ParseLine(std::string_view line, char separator)
{
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() < 7 || line[0] != '%' || !IsDigit(line[1]) || line[6] != separator) return std::nullopt;
    PjlinkLine parsed;
    parsed.classDigit = line[1];
    for (std::size_t i = 2; i < 6; ++i) {
        if (!IsLetter(line[i]) && !IsDigit(line[i])) return std::nullopt;
        parsed.body += Upper(line[i]);
    }
    parsed.parameter = std::string(line.substr(7));
    return parsed;
}

}  // namespace

std::optional<PjlinkGreeting> ParseGreeting(std::string_view line)
{
    if (!StartsWithNoCase(line, kGreetingWord) || line.size() < kGreetingWord.size() + 2 ||
        line[kGreetingWord.size()] != ' ')
        return std::nullopt;
    const std::string_view rest = line.substr(kGreetingWord.size() + 1);
    if (rest == "0") return PjlinkGreeting{false, {}};
    // Real projectors vary in the random's form; whatever stands after the
    // space is what the digest is made from.
    if (rest.size() > 2 && rest[0] == '1' && rest[1] == ' ') return PjlinkGreeting{true, std::string(rest.substr(2))};
    return std::nullopt;
}

bool IsAuthenticationRefusal(std::string_view line)
{
    return line.size() == 11 && StartsWithNoCase(line, "PJLINK ERRA");
}

std::string PjlinkDigest(std::string_view random, std::string_view password)
{
    std::string text(random);
    text.append(password);
    return Md5Hex(text);
}

bool IsValidPjlinkPassword(std::string_view password)
{
    if (password.size() > kPjlinkPasswordMax) return false;
    for (const char c : password)
        if (!IsLetter(c) && !IsDigit(c)) return false;
    return true;
}

std::optional<PjlinkLine> ParseCommandLine(std::string_view text)
{
    return ParseLine(text, ' ');
}

std::optional<PjlinkLine> ParseReplyLine(std::string_view line)
{
    return ParseLine(line, '=');
}

std::string PjlinkCommandText(char classDigit, std::string_view body, std::string_view parameter)
{
    std::string text = "%";
    text += classDigit;
    text.append(body);
    text += ' ';
    text.append(parameter);
    text += '\r';
    return text;
}

std::optional<int> PjlinkErrorCode(std::string_view parameter)
{
    if (parameter.size() != 4 || !StartsWithNoCase(parameter, "ERR") || parameter[3] < '1' || parameter[3] > '4')
        return std::nullopt;
    return parameter[3] - '0';
}

std::string_view PjlinkErrorMeaning(int code)
{
    switch (code) {
    case 1: return "unsupported command";
    case 2: return "out of parameter";
    case 3: return "unavailable time";
    case 4: return "projector failure";
    default: return "unknown error";
    }
}
