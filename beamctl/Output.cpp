#include "Output.h"

#include <cstdio>

namespace {

std::string Escaped(const char* format, unsigned char byte)
{
    char text[8];
    std::snprintf(text, sizeof text, format, byte);
    return text;
}

}  // namespace

std::string JsonString(std::string_view bytes)
{
    std::string out = "\"";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (b) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (b < 0x20 || b > 0x7E)
                out += Escaped("\\u%04x", b);
            else
                out += c;
        }
    }
    return out + "\"";
}

std::string PrintableLine(std::string_view bytes)
{
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            out += Escaped("\\x%02X", b);
        else
            out += c;
    }
    return out;
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
