// What the link's worker makes of each chunk it reads from the projector.
// While a handshake reply is awaited, a chunk is that reply or nothing (its
// status is handed over, no line comes of it); otherwise its lines, put
// together across chunks, go to the window one by one, each with the number
// of the chunk that completed it, so the link can tell a line that was read
// before its last command went out. Windows-free; the worker thread's, but
// ChunksRead may be read from any thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "LineAssembler.h"

class ReceivePath {
public:
    using Deliver = std::function<void(std::string_view line, std::uint64_t chunk)>;

    // One chunk as read. Returns the handshake status it carries when a reply
    // is awaited (nothing: the chunk was no reply); else delivers its lines.
    std::optional<int> Chunk(const char* data, std::size_t length, bool replyAwaited, const Deliver& deliver);

    // Chunks read so far on this connection (1 is the first).
    std::uint64_t ChunksRead() const { return m_chunks; }

private:
    LineAssembler m_lines;
    std::atomic<std::uint64_t> m_chunks{0};
};
