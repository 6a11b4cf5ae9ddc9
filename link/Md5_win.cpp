#include "Md5.h"

#include <windows.h>

#include <wincrypt.h>

namespace {

// A provider context and a hash object, released in reverse order.
struct HashContext {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    ~HashContext()
    {
        if (hash != 0) CryptDestroyHash(hash);
        if (provider != 0) CryptReleaseContext(provider, 0);
    }
};

}  // namespace

std::string Md5Hex(std::string_view bytes)
{
    HashContext context;
    if (!CryptAcquireContextA(&context.provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return {};
    if (!CryptCreateHash(context.provider, CALG_MD5, 0, 0, &context.hash)) return {};
    if (!CryptHashData(context.hash, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0))
        return {};
    BYTE digest[16] = {};
    DWORD length = sizeof digest;
    if (!CryptGetHashParam(context.hash, HP_HASHVAL, digest, &length, 0) || length != sizeof digest) return {};

    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * sizeof digest);
    for (const BYTE b : digest) {
        hex += kHex[b >> 4];
        hex += kHex[b & 0x0F];
    }
    return hex;
}
