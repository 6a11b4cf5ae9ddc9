// Any chunk of received text, in a buffer exactly its size so that a read past
// its end is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "LineCutter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kReceiveBufferSize) return 0;
    std::vector<char> chunk(data, data + size);
    std::size_t delivered = 0;
    CutLines(chunk.data(), chunk.size(), [&](std::string_view line) {
        // Every line lies inside the chunk and holds no CR and no NUL.
        if (line.data() < chunk.data() || line.data() + line.size() > chunk.data() + chunk.size()) std::abort();
        for (char c : line)
            if (c == '\r' || c == '\0') std::abort();
        delivered += line.size() + 1;
    });
    if (delivered > size + 1) std::abort();
    return 0;
}
