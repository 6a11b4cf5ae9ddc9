// Reading "Beamdesk.ini" through the system's profile functions.
#include "ProgramIni.h"

#include <windows.h>

namespace {

// The section's key list, then each key's value.
ValueTable ReadSection(const std::string& path, const char* section)
{
    ValueTable table;
    char keys[kKeyListBufferSize] = {};
    const DWORD returned = GetPrivateProfileStringA(section, nullptr, nullptr, keys, sizeof keys, path.c_str());
    for (std::string& name : SplitKeyList(keys, sizeof keys, returned)) table.push_back({std::move(name), {}});

    for (ValuePair& pair : table) {
        char value[260] = {};
        GetPrivateProfileStringA(section, pair.key.c_str(), "", value, sizeof value, path.c_str());
        pair.value = value;
    }
    return table;
}

}  // namespace

int LoadProgramIni(const std::string& path, ValueTable& table, int& commandTimeoutMs)
{
    table.clear();
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        table = BuiltInValueTable();
        return 0;
    }
    table = ReadSection(path, "VALUE");

    commandTimeoutMs =
        static_cast<int>(GetPrivateProfileIntA("TIMEOUT", "CMDTimeout", kDefaultCommandTimeoutMs, path.c_str()));
    return 1;
}

ValueTable LoadIniSection(const std::string& path, const char* section)
{
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
    return ReadSection(path, section);
}
