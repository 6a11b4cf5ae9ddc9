#include "Prometheus.h"

#include <optional>

namespace {

using Labels = std::vector<std::pair<std::string, std::string>>;

struct Sample {
    Labels labels;  // beside address and protocol
    long long value = 0;
};

struct Family {
    const char* name;
    const char* help;
    // The samples of one projector's fields.
    std::vector<Sample> (*samples)(ProtocolId protocol, const std::vector<RenderedField>& fields);
};

std::optional<std::string> FieldText(const std::vector<RenderedField>& fields, std::string_view name)
{
    for (const auto& [field, value] : fields)
        if (field == name && value) return value->text;
    return std::nullopt;
}

std::vector<std::string> SpaceSeparated(const std::string& text)
{
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t space = text.find(' ', start);
        const std::size_t end = space == std::string::npos ? text.size() : space;
        if (end > start) words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// One sample, or none when the field is missing or `reading` makes nothing of it.
std::vector<Sample> One(const std::vector<RenderedField>& fields, std::string_view name,
                        std::optional<long long> (*reading)(ProtocolId, const std::string&), ProtocolId protocol)
{
    const auto text = FieldText(fields, name);
    if (!text) return {};
    const auto value = reading(protocol, *text);
    if (!value) return {};
    return {{{}, *value}};
}

// PJLink's power codes, which the native ones are mapped onto.
std::optional<long long> PowerState(ProtocolId protocol, const std::string& code)
{
    if (protocol == ProtocolId::Pjlink) {
        if (code.size() == 1 && code[0] >= '0' && code[0] <= '3') return code[0] - '0';
        return std::nullopt;
    }
    if (code == "01") return 0;  // standby
    if (code == "02") return 3;  // warming up
    if (code == "03") return 1;  // on
    if (code == "04") return 2;  // cooling down
    return std::nullopt;
}

std::optional<long long> AvMute(ProtocolId protocol, const std::string& code)
{
    if (protocol == ProtocolId::Pjlink) {
        if (code == "30") return 0;
        if (code == "11" || code == "21" || code == "31") return 1;
        return std::nullopt;
    }
    if (code == "ON") return 1;
    if (code == "OFF") return 0;
    return std::nullopt;
}

std::optional<long long> Freeze(ProtocolId protocol, const std::string& code)
{
    if (code == (protocol == ProtocolId::Pjlink ? "1" : "ON")) return 1;
    if (code == (protocol == ProtocolId::Pjlink ? "0" : "OFF")) return 0;
    return std::nullopt;
}

std::vector<Sample> InfoLabelled(const std::vector<RenderedField>& fields,
                                 std::vector<std::pair<std::string, std::string_view>> labelFields)
{
    Sample sample{{}, 1};
    for (const auto& [label, field] : labelFields)
        if (const auto text = FieldText(fields, field)) sample.labels.push_back({label, *text});
    if (sample.labels.empty()) return {};
    return {sample};
}

const Family kFamilies[] = {
    {"projector_power_state", "The projector's power: 0 standby, 1 on, 2 cooling down, 3 warming up.",
     [](ProtocolId protocol, const std::vector<RenderedField>& fields) {
         return One(fields, "power", PowerState, protocol);
     }},
    {"projector_av_mute", "1 while the picture or the sound is muted (A/V mute), else 0.",
     [](ProtocolId protocol, const std::vector<RenderedField>& fields) {
         return One(fields, "mute", AvMute, protocol);
     }},
    {"projector_freeze", "1 while the picture is frozen, else 0.",
     [](ProtocolId protocol, const std::vector<RenderedField>& fields) {
         return One(fields, "freeze", Freeze, protocol);
     }},
    {"projector_input_info", "The input the projector shows, by its PJLink code; always 1.",
     [](ProtocolId, const std::vector<RenderedField>& fields) { return InfoLabelled(fields, {{"input", "input"}}); }},
    {"projector_caption_info", "The caption channel the projector is set to; always 1.",
     [](ProtocolId, const std::vector<RenderedField>& fields) { return InfoLabelled(fields, {{"channel", "cc"}}); }},
    {"projector_info", "What the projector tells of itself; always 1.",
     [](ProtocolId, const std::vector<RenderedField>& fields) {
         return InfoLabelled(
             fields, {{"name", "name"}, {"manufacturer", "manufacturer"}, {"product", "product"}, {"class", "class"}});
     }},
    {"projector_lamp_hours", "Hours each lamp has been lit, as the projector counts them.",
     [](ProtocolId, const std::vector<RenderedField>& fields) {
         std::vector<Sample> samples;
         const auto text = FieldText(fields, "lamp_hours");
         if (!text) return samples;
         int lamp = 0;
         for (const std::string& hours : SpaceSeparated(*text))
             samples.push_back({{{"lamp", std::to_string(++lamp)}}, std::stoll(hours)});
         return samples;
     }},
    {"projector_error", "The state the projector reports for each part: 0 ok, 1 warning, 2 error.",
     [](ProtocolId, const std::vector<RenderedField>& fields) {
         std::vector<Sample> samples;
         const auto text = FieldText(fields, "errors");
         if (!text) return samples;
         for (const std::string& part : SpaceSeparated(*text)) {  // "lamp:warning"
             const std::size_t colon = part.find(':');
             const std::string state = part.substr(colon + 1);
             const long long value = state == "ok" ? 0 : state == "warning" ? 1 : 2;
             samples.push_back({{{"kind", part.substr(0, colon)}}, value});
         }
         return samples;
     }},
};

std::string SampleLine(const char* name, const MetricsSource& projector, const Labels& labels, long long value)
{
    std::string line = std::string(name) + "{address=\"" + PrometheusLabelValue(projector.address) +
                       "\",protocol=\"" + std::string(ProtocolName(projector.protocol)) + "\"";
    for (const auto& [label, text] : labels) line += "," + label + "=\"" + PrometheusLabelValue(text) + "\"";
    return line + "} " + std::to_string(value) + "\n";
}

std::string Heading(const char* name, const char* help)
{
    return std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n";
}

}  // namespace

std::string PrometheusLabelValue(std::string_view bytes)
{
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            if (b == '\\')
                out += "\\\\";
            else if (b == '"')
                out += "\\\"";
            else if (b == '\n')
                out += "\\n";
            else
                out += static_cast<char>(b);
            ++i;
            continue;
        }
        char32_t codePoint = 0;
        if (const std::size_t length = Utf8SequenceLength(bytes.substr(i), codePoint); length > 0) {
            out.append(bytes.substr(i, length));
            i += length;
            continue;
        }
        out += static_cast<char>(0xC0 | (b >> 6));
        out += static_cast<char>(0x80 | (b & 0x3F));
        ++i;
    }
    return out;
}

std::string PrometheusText(const std::vector<MetricsSource>& projectors)
{
    std::string out = Heading("projector_up", "Whether the projector answered beamctl's queries (1) or not (0).");
    for (const MetricsSource& projector : projectors) out += SampleLine("projector_up", projector, {}, projector.up);
    for (const Family& family : kFamilies) {
        std::string samples;
        for (const MetricsSource& projector : projectors) {
            if (!projector.up) continue;
            for (const Sample& sample : family.samples(projector.protocol, projector.fields))
                samples += SampleLine(family.name, projector, sample.labels, sample.value);
        }
        if (!samples.empty()) out += Heading(family.name, family.help) + samples;
    }
    return out;
}
