#include "OpenMenu.h"

namespace {

BOOL CALLBACK TakeVisibleMenu(HWND hwnd, LPARAM found)
{
    char name[16] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (lstrcmpA(name, "#32768") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

}  // namespace

HWND FindOpenMenu()
{
    HWND menu = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeVisibleMenu, reinterpret_cast<LPARAM>(&menu));
    return menu;
}
