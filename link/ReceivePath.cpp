#include "ReceivePath.h"

#include "SessionRecords.h"

std::optional<int> ReceivePath::Chunk(const char* data, std::size_t length, bool replyAwaited, const Deliver& deliver)
{
    const std::uint64_t chunk = ++m_chunks;
    if (replyAwaited) return HandshakeReplyStatus(reinterpret_cast<const std::uint8_t*>(data), length);
    m_lines.Feed(data, length, [&](std::string_view line) { deliver(line, chunk); });
    return std::nullopt;
}
