// Owning registry key handle.
#pragma once

#include <windows.h>

#include "UniqueResource.h"

struct RegKeyTraits {
    using Handle = HKEY;
    static bool IsValid(HKEY key) { return key != nullptr; }
    static void Release(HKEY key) { RegCloseKey(key); }
};

using RegKey = UniqueResource<RegKeyTraits>;
