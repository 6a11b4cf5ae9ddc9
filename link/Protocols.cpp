#include "Protocols.h"

#include "NativeSession.h"
#include "PjlinkSession.h"

namespace {

struct NamedProtocol {
    ProtocolId id;
    std::string_view name;
};

constexpr NamedProtocol kProtocols[] = {{ProtocolId::Native, "native"}, {ProtocolId::Pjlink, "pjlink"}};

}  // namespace

std::string_view ProtocolName(ProtocolId protocol)
{
    for (const NamedProtocol& p : kProtocols)
        if (p.id == protocol) return p.name;
    return "native";
}

std::optional<ProtocolId> ProtocolByName(std::string_view name)
{
    for (const NamedProtocol& p : kProtocols)
        if (EqualsNoCase(p.name, name)) return p.id;
    return std::nullopt;
}

std::unique_ptr<ProjectorSession> MakeSession(const SessionSettings& settings, std::vector<CcItem> captionItems)
{
    if (settings.protocol == ProtocolId::Pjlink) return std::make_unique<PjlinkSession>(settings);
    return std::make_unique<NativeSession>(settings.password, std::move(captionItems));
}
