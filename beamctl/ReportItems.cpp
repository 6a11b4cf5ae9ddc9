#include "ReportItems.h"

#include <iterator>

#include "CommandSet.h"
#include "PjlinkCommands.h"
#include "PjlinkWire.h"
#include "resource.h"

namespace {

using Replies = std::vector<std::string>;

// The parameter of the reply to `body` ("POWR"), if one came and is no error.
std::optional<std::string> PjlinkParameter(const Replies& replies, std::string_view body)
{
    for (const std::string& line : replies) {
        const auto reply = ParseReplyLine(line);
        if (!reply || reply->body != body) continue;
        if (PjlinkErrorCode(reply->parameter)) return std::nullopt;
        return reply->parameter;
    }
    return std::nullopt;
}

std::vector<std::string> Words(std::string_view text)
{
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t space = text.find(' ', start);
        const std::size_t end = space == std::string_view::npos ? text.size() : space;
        if (end > start) words.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

bool AllDigits(std::string_view text)
{
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// "<hours> <lit>" for each lamp: the hours, as numbers.
std::optional<Rendered> LampHours(std::string_view parameter)
{
    const std::vector<std::string> words = Words(parameter);
    if (words.empty() || words.size() % 2 != 0) return std::nullopt;
    std::vector<Rendered> hours;
    for (std::size_t i = 0; i < words.size(); i += 2) {
        const std::string& count = words[i];
        if (!AllDigits(count) || count.size() > 9 || (words[i + 1] != "0" && words[i + 1] != "1")) return std::nullopt;
        const std::string number = std::to_string(std::stol(count));  // JSON has no leading zeros
        hours.push_back({number, number});
    }
    return ListValue(hours);
}

// Six digits, one per part: 0 ok, 1 warning, 2 error.
std::optional<Rendered> ErrorStatus(std::string_view parameter)
{
    static constexpr std::string_view kParts[] = {"fan", "lamp", "temperature", "cover", "filter", "other"};
    static constexpr std::string_view kStates[] = {"ok", "warning", "error"};
    if (parameter.size() != std::size(kParts)) return std::nullopt;
    std::vector<std::pair<std::string, Rendered>> parts;
    for (std::size_t i = 0; i < std::size(kParts); ++i) {
        if (parameter[i] < '0' || parameter[i] > '2') return std::nullopt;
        parts.push_back({std::string(kParts[i]), TextValue(kStates[parameter[i] - '0'])});
    }
    return NamedValues(parts);
}

std::optional<Rendered> Inputs(std::string_view parameter)
{
    std::vector<Rendered> codes;
    for (const std::string& code : Words(parameter)) codes.push_back(TextValue(code));
    return ListValue(codes);
}

std::optional<Rendered> ClassNumber(std::string_view parameter)
{
    const auto projectorClass = ClassFromReply(parameter);
    if (!projectorClass) return std::nullopt;
    return TextValue(std::to_string(*projectorClass));
}

std::optional<Rendered> AsItIs(std::string_view parameter)
{
    return TextValue(parameter);
}

// `reading` turns the reply's parameter into the value.
ReportItem PjlinkItem(std::string_view name, char classDigit, std::string_view body,
                      std::optional<Rendered> (*reading)(std::string_view), bool mayLack = false)
{
    const std::string key(body);
    return {name, PjlinkCommandText(classDigit, body, "?"),
            [key, reading](const Replies& replies) -> std::optional<Rendered> {
                const auto parameter = PjlinkParameter(replies, key);
                if (!parameter) return std::nullopt;
                return reading(*parameter);
            },
            mayLack};
}

// "MUTE?\r" is answered "MUTE=" and the value.
ReportItem NativeItem(std::string_view name, std::string query)
{
    const std::string replyStart = query.substr(0, query.size() - 2) + "=";
    return {name, query, [replyStart](const Replies& replies) -> std::optional<Rendered> {
                for (const std::string& line : replies)
                    if (line.compare(0, replyStart.size(), replyStart) == 0)
                        return TextValue(line.substr(replyStart.size()));
                return std::nullopt;
            }};
}

}  // namespace

const std::vector<ReportItem>& NativeStatusItems()
{
    static const std::vector<ReportItem> items = {
        NativeItem("power", CommandForButton(IDC_POWER)->text),
        NativeItem("mute", CommandForButton(IDC_AVMUTE)->text),
        NativeItem("freeze", CommandForButton(IDC_FREEZE)->text),
        NativeItem("cc", std::string(kCaptionQuery)),
    };
    return items;
}

const std::vector<ReportItem>& PjlinkStatusItems()
{
    static const std::vector<ReportItem> items = {
        PjlinkItem("power", '1', "POWR", AsItIs),
        PjlinkItem("mute", '1', "AVMT", AsItIs),
        PjlinkItem("input", '1', "INPT", AsItIs),
        PjlinkItem("freeze", '2', "FREZ", AsItIs, true),
    };
    return items;
}

const std::vector<ReportItem>& PjlinkInfoItems()
{
    static const std::vector<ReportItem> items = {
        PjlinkItem("name", '1', "NAME", AsItIs),
        PjlinkItem("manufacturer", '1', "INF1", AsItIs),
        PjlinkItem("product", '1', "INF2", AsItIs),
        PjlinkItem("class", '1', "CLSS", ClassNumber),
        PjlinkItem("lamp_hours", '1', "LAMP", LampHours),
        PjlinkItem("errors", '1', "ERST", ErrorStatus),
        PjlinkItem("inputs", '1', "INST", Inputs),
    };
    return items;
}
