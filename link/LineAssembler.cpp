#include "LineAssembler.h"

namespace {

constexpr std::string_view kPrompt = ":";

}  // namespace

void LineAssembler::Feed(const char* chunk, std::size_t length, const Deliver& deliver)
{
    if (chunk == nullptr || length == 0) return;
    if (chunk[0] == '\0') {
        // The NUL ends the held line's text as one inside a chunk would: what
        // comes after it is never joined to it.
        if (!m_partial.empty()) {
            std::string line;
            line.swap(m_partial);
            deliver(line);
        }
        return;
    }

    std::size_t start = 0;
    std::size_t i = 0;
    // The scan stops at the chunk's end before it looks at a byte, so a chunk
    // that fills the whole receive buffer is never read past.
    for (; i < length && chunk[i] != '\0'; ++i) {
        if (chunk[i] != '\r') continue;
        const std::string_view piece(chunk + start, i - start);
        if (m_partial.empty()) {
            deliver(piece);
        } else {
            m_partial.append(piece);
            std::string line;
            line.swap(m_partial);
            deliver(line);
        }
        start = i + 1;
    }

    m_partial.append(chunk + start, i - start);
    const bool endsAtNul = i < length;
    if (m_partial.empty()) return;
    if (endsAtNul || m_partial == kPrompt || m_partial.size() >= kReceiveBufferSize) {
        std::string line;
        line.swap(m_partial);
        deliver(line);
    }
}
