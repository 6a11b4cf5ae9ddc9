// Any chunk a peer may send while a handshake reply is awaited.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "SessionRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto status = HandshakeReplyStatus(data, size);
    if (status) {
        // A status is only ever read from a chunk that starts with the magic
        // and is long enough to carry byte 14.
        if (size < 15 || std::memcmp(data, kSessionMagic.data(), kSessionMagic.size()) != 0) std::abort();
        if (*status < -128 || *status > 127) std::abort();
    }
    return 0;
}
