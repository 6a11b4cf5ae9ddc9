// Small helpers the benchmarks share: finding another process's top-level
// windows, and the folder of the running benchmark (the programs lie beside it).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The first top-level window of process `pid` that `accept` takes, or null.
// Looks at nothing that would make the process's threads run.
inline HWND FindWindowOf(DWORD pid, const std::function<bool(HWND)>& accept)
{
    struct Search {
        DWORD pid;
        const std::function<bool(HWND)>* accept;
        HWND found;
    } search{pid, &accept, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner != s->pid || !(*s->accept)(hwnd)) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The folder of the running program, with a trailing backslash.
inline std::string ExecutableFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string full = path;
    return full.substr(0, full.find_last_of('\\') + 1);
}
