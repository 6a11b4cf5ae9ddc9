#include "IniPaths.h"

#include <windows.h>

#include <cstdlib>

IniPaths ResolveIniPaths()
{
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, sizeof module);
    // The CRT's splitter knows double-byte characters: a trail byte equal to
    // a backslash does not end the directory.
    char drive[_MAX_DRIVE] = {};
    char dir[_MAX_DIR] = {};
    _splitpath_s(module, drive, sizeof drive, dir, sizeof dir, nullptr, 0, nullptr, 0);
    const std::string folder = std::string(drive) + dir;
    return {folder + "Language.ini", folder + "Beamdesk.ini"};
}
