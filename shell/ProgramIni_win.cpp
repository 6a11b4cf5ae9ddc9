// Reading "Beamdesk.ini" through the system's profile functions.
#include "ProgramIni.h"

#include <windows.h>

int LoadProgramIni(const std::string& path, ValueTable& table, int& commandTimeoutMs)
{
    table.clear();
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        table = BuiltInValueTable();
        return 0;
    }

    char keys[kKeyListBufferSize] = {};
    const DWORD returned =
        GetPrivateProfileStringA("VALUE", nullptr, nullptr, keys, sizeof keys, path.c_str());
    for (std::string& name : SplitKeyList(keys, sizeof keys, returned)) table.push_back({std::move(name), {}});

    for (ValuePair& pair : table) {
        char value[260] = {};
        GetPrivateProfileStringA("VALUE", pair.key.c_str(), "", value, sizeof value, path.c_str());
        pair.value = value;
    }

    commandTimeoutMs =
        static_cast<int>(GetPrivateProfileIntA("TIMEOUT", "CMDTimeout", kDefaultCommandTimeoutMs, path.c_str()));
    return 1;
}
