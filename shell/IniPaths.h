// Where the program's two INI files live: beside the executable, whatever the
// working directory is.
#pragma once

#include <string>

struct IniPaths {
    std::string language;  // "Language.ini"
    std::string program;   // "Beamdesk.ini"
};

IniPaths ResolveIniPaths();
