// MD5 as 32 lower-case hex characters: the digest a PJLink projector with
// security on wants in front of a connection's first command. Not written
// here: the system's CryptoAPI on Windows (Md5_win.cpp), libmd elsewhere
// (Md5_posix.cpp). Any thread.
#pragma once

#include <string>
#include <string_view>

// Empty only when the system's hash service cannot be used.
std::string Md5Hex(std::string_view bytes);
