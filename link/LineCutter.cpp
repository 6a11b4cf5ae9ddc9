#include "LineCutter.h"

void CutLines(const char* chunk, std::size_t length, const std::function<void(std::string_view)>& deliver)
{
    if (chunk == nullptr || length == 0 || chunk[0] == '\0') return;
    std::size_t start = 0;
    std::size_t i = 0;
    // The scan stops at the chunk's end before it looks at a byte, so a chunk
    // that fills the whole receive buffer is never read past.
    while (i < length && chunk[i] != '\0') {
        if (chunk[i] == '\r') {
            deliver(std::string_view(chunk + start, i - start));
            start = i + 1;
        }
        ++i;
    }
    if (start < i) deliver(std::string_view(chunk + start, i - start));
}
