// Cutting a received chunk of projector text into lines. Lines end at CR (no
// LF handling); the prompt ":" comes without a CR and arrives as the final
// piece of the chunk. Nothing is carried over between chunks. Windows-free.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

constexpr std::size_t kReceiveBufferSize = 1024;

// Calls `deliver` for every line of the first `length` bytes of `chunk`, in
// order. A chunk starting with a NUL yields nothing; a NUL inside ends the
// scan (the text before it is still delivered). Never reads past `length`.
void CutLines(const char* chunk, std::size_t length, const std::function<void(std::string_view)>& deliver);
