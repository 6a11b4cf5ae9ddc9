// Keygrant: run once by the installation, with administrator rights. Creates
// the product's settings key under HKEY_LOCAL_MACHINE with an access list that
// grants every user full access, so the console program can later save its
// settings as an ordinary user.
//
//   Keygrant <parent key path> <subkey name>
//
// Prints nothing; exit status 0 when the subkey was created or opened, -1 on
// any failure. An existing subkey keeps its access list. Shares no code with
// the console program.
#include <windows.h>

#include <cstdio>

namespace {

constexpr int kFailed = -1;
constexpr REGSAM kKeyAccess = 0x2001F;  // query, set, create subkey, enumerate, notify, read control
constexpr DWORD kPathSize = 260;        // terminator included

// Creates or opens HKLM\path and closes it at once.
bool TouchKey(const char* path, SECURITY_ATTRIBUTES* security, DWORD* disposition = nullptr)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, kKeyAccess, security, &key,
                        disposition) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Some registry implementations (Wine's among them) create the key with the
// default access list and drop the descriptor passed at creation. Setting it
// once more on the key just created gives the same result everywhere; on
// Windows it changes nothing.
bool ApplyToNewKey(const char* path, PSECURITY_DESCRIPTOR descriptor)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, WRITE_DAC, &key) != ERROR_SUCCESS) return false;
    const LONG status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

int Run(const char* parent, const char* subkey)
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return kFailed;

    int result = kFailed;
    SECURITY_DESCRIPTOR descriptor;
    alignas(DWORD) unsigned char aclBuffer[512];
    auto* acl = reinterpret_cast<PACL>(aclBuffer);
    char path[kPathSize];
    const int joined = std::snprintf(path, sizeof path, "%s\\%s", parent, subkey);

    if (InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) &&
        AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone) &&
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
        TouchKey(parent, nullptr);  // its outcome does not decide the exit status
        // A joined path that does not fit is a failure, never a cut path.
        if (joined >= 0 && static_cast<DWORD>(joined) < kPathSize) {
            SECURITY_ATTRIBUTES security = {sizeof security, &descriptor, FALSE};
            DWORD disposition = 0;
            if (TouchKey(path, &security, &disposition) &&
                (disposition != REG_CREATED_NEW_KEY || ApplyToNewKey(path, &descriptor)))
                result = 0;
        }
    }
    FreeSid(everyone);
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) return kFailed;
    return Run(argv[1], argv[2]);
}
