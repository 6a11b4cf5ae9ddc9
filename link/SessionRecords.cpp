#include "SessionRecords.h"

#include <algorithm>
#include <cstring>

namespace {

void WriteHeader(std::uint8_t* out, std::uint8_t type, std::uint8_t headerCount)
{
    std::memcpy(out, kSessionMagic.data(), kSessionMagic.size());
    out[10] = 0x10;  // version
    out[11] = type;
    out[12] = 0;
    out[13] = 0;
    out[14] = 0;  // status
    out[15] = headerCount;
}

}  // namespace

ProbeRequest BuildProbeRequest()
{
    ProbeRequest request{};
    WriteHeader(request.data(), kTypeProbe, 0);
    return request;
}

OpenRequest BuildOpenRequest(std::uint8_t type, std::string_view password)
{
    OpenRequest request{};
    WriteHeader(request.data(), type, 1);
    request[16] = 0x01;  // identifier: password
    request[17] = 0x01;  // attribute
    const std::size_t length = std::min(password.size(), kPasswordFieldSize);
    std::memcpy(request.data() + 18, password.data(), length);
    return request;
}

std::optional<int> HandshakeReplyStatus(const std::uint8_t* chunk, std::size_t length)
{
    if (chunk == nullptr) return std::nullopt;
    const std::string_view bytes(reinterpret_cast<const char*>(chunk), length);
    const std::size_t at = bytes.find(kSessionMagic);
    if (at == std::string_view::npos || length - at <= 14) return std::nullopt;
    return static_cast<int>(static_cast<std::int8_t>(chunk[at + 14]));
}
