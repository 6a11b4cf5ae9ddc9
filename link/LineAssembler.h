// Cutting the projector's text into lines. Lines end at CR (an LF is an
// ordinary character). TCP may split a line anywhere, so the unfinished end of
// a chunk is kept and completed by the next one; the prompt ":" comes without
// a CR and is delivered as soon as it stands alone at a chunk's end, so
// nothing waits for a CR that never comes. Windows-free; one per connection.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The largest chunk one read takes from the socket; an unfinished line is
// never kept longer than that.
constexpr std::size_t kReceiveBufferSize = 1024;

class LineAssembler {
public:
    using Deliver = std::function<void(std::string_view line)>;

    // Feeds the first `length` bytes of `chunk` and calls `deliver` for every
    // line they complete, in order. A NUL ends the chunk's text there, and the
    // line before it is delivered: a chunk that starts with one delivers only
    // the line held from the chunks before, if any. An unfinished line that
    // reaches the receive buffer's size is delivered as it stands. Never
    // reads past `length`.
    void Feed(const char* chunk, std::size_t length, const Deliver& deliver);

    // Forgets an unfinished line (the connection it came from is gone).
    void Reset() { m_partial.clear(); }
    std::size_t PendingBytes() const { return m_partial.size(); }

private:
    std::string m_partial;
};
