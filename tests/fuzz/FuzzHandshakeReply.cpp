// Any chunk a peer may send while a handshake reply is awaited.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "SessionRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto status = HandshakeReplyStatus(data, size);
    if (status) {
        // A status is only ever read from a chunk that holds the magic with
        // room for byte 14 after it.
        const std::string_view bytes(reinterpret_cast<const char*>(data), size);
        const std::size_t at = bytes.find(kSessionMagic);
        if (at == std::string_view::npos || size - at < 15) std::abort();
        if (*status < -128 || *status > 127) std::abort();
    }
    return 0;
}
