// Finding another process's top-level windows, for the benchmarks.
#pragma once

#include <windows.h>

#include <functional>

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
