// Any chunk a peer may send while a handshake reply is awaited.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "SessionRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto status = HandshakeReplyStatus(data, size);
    // A status is read exactly from a chunk that holds the magic with room for
    // byte 14 after its first occurrence, and it is that byte, sign-extended.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t at = bytes.find(kSessionMagic);
    const bool carries = at != std::string_view::npos && size - at >= 15;
    if (status.has_value() != carries) std::abort();
    if (status && *status != static_cast<std::int8_t>(data[at + 14])) std::abort();
    return 0;
}
