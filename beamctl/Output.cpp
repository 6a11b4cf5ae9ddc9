#include "Output.h"

namespace {

// The prefix and the value in `digits` hex digits: "\u00e9", "\x1B".
std::string HexEscape(const char* prefix, char32_t value, int digits, const char* hexDigits)
{
    std::string text = prefix;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) text += hexDigits[(value >> shift) & 0xF];
    return text;
}

std::string UnicodeEscape(char32_t utf16Unit)
{
    return HexEscape("\\u", utf16Unit, 4, "0123456789abcdef");
}

}  // namespace

// UTF-8 (a PJLink name is) becomes the characters it spells; a byte that is
// no part of UTF-8 is read as Latin-1. Everything outside printable ASCII is
// a \u escape, so the output is ASCII whatever the projector sent.
std::string JsonString(std::string_view bytes)
{
    std::string out = "\"";
    while (!bytes.empty()) {
        const auto b = static_cast<unsigned char>(bytes.front());
        char32_t codePoint = b;
        std::size_t length = 1;
        if (b > 0x7F)
            if (const std::size_t sequence = Utf8SequenceLength(bytes, codePoint); sequence > 0) length = sequence;
        bytes.remove_prefix(length);
        switch (codePoint) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (codePoint >= 0x20 && codePoint <= 0x7E) {
                out += static_cast<char>(codePoint);
            } else if (codePoint > 0xFFFF) {  // a surrogate pair
                codePoint -= 0x10000;
                out += UnicodeEscape(0xD800 + (codePoint >> 10));
                out += UnicodeEscape(0xDC00 + (codePoint & 0x3FF));
            } else {
                out += UnicodeEscape(codePoint);
            }
        }
    }
    return out + "\"";
}

std::size_t Utf8SequenceLength(std::string_view bytes, char32_t& codePoint)
{
    if (bytes.empty()) return 0;
    const auto lead = static_cast<unsigned char>(bytes[0]);
    std::size_t length = 0;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3F);
    }
    static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kShortest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    codePoint = value;
    return length;
}

namespace {

// A terminal takes C0 and C1 controls as commands, the C1 ones both as bytes
// 0x80-0x9F and as the characters U+0080-U+009F in UTF-8. With `backslash`
// the backslash is escaped too, so a \xNN in a line is always an escape. Any
// other byte above 0x7F stays as it came: UTF-8 text, or a byte of another
// character set.
std::string ControlsEscaped(std::string_view bytes, bool backslash)
{
    std::string out;
    while (!bytes.empty()) {
        const auto b = static_cast<unsigned char>(bytes.front());
        std::size_t length = 1;
        bool escape = b < 0x20 || b == 0x7F || (backslash && b == '\\');
        if (b > 0x7F) {
            char32_t codePoint = 0;
            if (const std::size_t sequence = Utf8SequenceLength(bytes, codePoint); sequence > 0) {
                length = sequence;
                escape = codePoint <= 0x9F;
            } else {
                escape = b <= 0x9F;
            }
        }
        for (std::size_t i = 0; i < length; ++i) {
            if (escape)
                out += HexEscape("\\x", static_cast<unsigned char>(bytes[i]), 2, "0123456789ABCDEF");
            else
                out += bytes[i];
        }
        bytes.remove_prefix(length);
    }
    return out;
}

}  // namespace

std::string PrintableLine(std::string_view bytes)
{
    return ControlsEscaped(bytes, true);
}

std::string PrintableMessage(std::string_view bytes)
{
    return ControlsEscaped(bytes, false);
}

namespace {

std::vector<RenderedField> AsRendered(const std::vector<Field>& fields)
{
    std::vector<RenderedField> rendered;
    for (const auto& [name, value] : fields)
        rendered.push_back({name, value ? std::optional<Rendered>(TextValue(*value)) : std::nullopt});
    return rendered;
}

}  // namespace

std::string FieldsText(const std::vector<Field>& fields)
{
    return RenderedText(AsRendered(fields));
}

std::string FieldsJson(const std::vector<Field>& fields)
{
    return RenderedJson(AsRendered(fields));
}

Rendered TextValue(std::string_view bytes)
{
    return {std::string(bytes), JsonString(bytes)};
}

Rendered ListValue(const std::vector<Rendered>& items)
{
    Rendered list{"", "["};
    for (std::size_t i = 0; i < items.size(); ++i) {
        list.text += (i > 0 ? " " : "") + items[i].text;
        list.json += (i > 0 ? ", " : "") + items[i].json;
    }
    list.json += "]";
    return list;
}

Rendered NamedValues(const std::vector<std::pair<std::string, Rendered>>& items)
{
    Rendered named{"", "{"};
    for (std::size_t i = 0; i < items.size(); ++i) {
        named.text += (i > 0 ? " " : "") + items[i].first + ":" + items[i].second.text;
        named.json += (i > 0 ? ", " : "") + JsonString(items[i].first) + ": " + items[i].second.json;
    }
    named.json += "}";
    return named;
}

std::string RenderedText(const std::vector<RenderedField>& fields)
{
    std::string out;
    for (const auto& [name, value] : fields)
        if (value) out += name + "=" + PrintableLine(value->text) + "\n";
    return out;
}

std::string RenderedJson(const std::vector<RenderedField>& fields)
{
    std::string out = "{";
    for (const auto& [name, value] : fields) {
        if (out.size() > 1) out += ", ";
        out += JsonString(name) + ": " + (value ? value->json : "null");
    }
    return out + "}\n";
}

std::string RepliesText(const std::vector<std::string>& replies)
{
    std::string out;
    for (const std::string& line : replies) out += PrintableLine(line) + "\n";
    return out;
}

std::string RepliesJson(const std::vector<std::string>& replies)
{
    std::string out = "{\"replies\": [";
    for (std::size_t i = 0; i < replies.size(); ++i) out += (i > 0 ? ", " : "") + JsonString(replies[i]);
    return out + "]}\n";
}

int FailureLine(std::string& err, ExitStatus status, const std::string& problem, std::string hint)
{
    if (!hint.empty() && hint.back() == '.') hint.pop_back();
    err += "beamctl: " + PrintableMessage(hint.empty() ? problem : problem + " (" + hint + ")") + "\n";
    return ExitCode(status);
}
