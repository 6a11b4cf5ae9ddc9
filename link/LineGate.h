// Which of the worker's lines the link hands to its session. None from a
// connection being torn down; during an opening, the opening's own; and none
// read before the command the link sent last: the projector sent them before
// that command reached it, so they cannot answer it (a second ":" in the chunk
// whose first one sent a follow-up does not confirm the follow-up).
// Windows-free; the user-interface thread's.
#pragma once

#include <cstdint>

class LineGate {
public:
    enum class Route { Drop, Opening, Session };

    // A new connection: its chunks count from 1 again.
    void NewConnection() { m_readBeforeLastSend = 0; }
    // A command goes out; `chunksRead` chunks had been read by then.
    void CommandSent(std::uint64_t chunksRead) { m_readBeforeLastSend = chunksRead; }

    // Where a line that came in chunk `chunk` goes.
    Route For(std::uint64_t chunk, bool stopping, bool opening) const
    {
        if (stopping) return Route::Drop;
        if (opening) return Route::Opening;
        return chunk > m_readBeforeLastSend ? Route::Session : Route::Drop;
    }

private:
    std::uint64_t m_readBeforeLastSend = 0;
};
