// Any chunk a peer may send while a handshake reply is awaited.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "SessionRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto status = HandshakeReplyStatus(data, size);
    // A status is read exactly from a chunk that starts with the magic and is
    // long enough to carry byte 14, and it is that byte, sign-extended.
    const bool carries = size >= 15 && std::memcmp(data, kSessionMagic.data(), kSessionMagic.size()) == 0;
    if (status.has_value() != carries) std::abort();
    if (status && *status != static_cast<std::int8_t>(data[14])) std::abort();
    return 0;
}
