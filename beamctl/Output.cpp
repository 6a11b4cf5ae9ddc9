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

std::string FieldsText(const std::vector<Field>& fields)
{
    std::string out;
    for (const auto& [name, value] : fields)
        if (value) out += name + "=" + PrintableLine(*value) + "\n";
    return out;
}

std::string FieldsJson(const std::vector<Field>& fields)
{
    std::string out = "{";
    for (const auto& [name, value] : fields) {
        if (out.size() > 1) out += ", ";
        out += JsonString(name) + ": " + (value ? JsonString(*value) : "null");
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
