#include "Md5.h"

#include <sys/types.h>

#include <cstdint>

#include <md5.h>

std::string Md5Hex(std::string_view bytes)
{
    char hex[MD5_DIGEST_STRING_LENGTH] = {};
    MD5Data(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), hex);
    return std::string(hex);
}
