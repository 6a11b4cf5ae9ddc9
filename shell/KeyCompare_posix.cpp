// Native builds have no system code page: compare ASCII letters without case
// and every other byte as it is.
#include "ProgramIni.h"

#include <cctype>

bool KeysEqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x == y) continue;
        if (x >= 0x80 || y >= 0x80 || std::tolower(x) != std::tolower(y)) return false;
    }
    return true;
}
