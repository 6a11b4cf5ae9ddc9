// Multibyte-aware comparison in the system code page, so that a trail byte of a
// double-byte character is never folded as if it were a letter.
#include "ProgramIni.h"

#include <mbstring.h>

bool KeysEqualNoCase(const std::string& a, const std::string& b)
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                    reinterpret_cast<const unsigned char*>(b.c_str())) == 0;
}
