// Any sequence of received chunks, each in a buffer exactly its size so that a
// read past its end is caught. The input is split into chunks at the byte
// 0xFE (never part of a chunk).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "LineAssembler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    LineAssembler assembler;
    std::size_t start = 0;
    std::size_t fed = 0;
    std::size_t delivered = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != 0xFE) continue;
        std::vector<char> chunk(data + start, data + i);
        start = i + 1;
        fed += chunk.size();
        assembler.Feed(chunk.data(), chunk.size(), [&](std::string_view line) {
            // Lines hold no CR and no NUL, and never more than was fed.
            for (char c : line)
                if (c == '\r' || c == '\0') std::abort();
            delivered += line.size();
            if (delivered > fed) std::abort();
        });
        // An unfinished line is never kept longer than one receive buffer.
        if (assembler.PendingBytes() >= kReceiveBufferSize) std::abort();
    }
    return 0;
}
