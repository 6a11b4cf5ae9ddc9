#include "ConsoleUser.h"

#include "resource.h"

namespace {

constexpr WPARAM kKeepAliveTimer = 9;

struct MenuSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindMenu(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<MenuSearch*>(param);
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->pid || std::string(cls) != "#32768" || !IsWindowVisible(hwnd)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

}  // namespace

void ConsoleUser::Press(int controlId)
{
    PostMessageA(Console(), WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), 0);
}

void ConsoleUser::PressCaptionButton()
{
    PostMessageA(GetDlgItem(Console(), IDC_CC), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
}

void ConsoleUser::TickKeepAlive()
{
    PostMessageA(Console(), WM_TIMER, kKeepAliveTimer, 0);
}

void ConsoleUser::ChooseLayout(bool advanced)
{
    PostMessageA(Console(), WM_COMMAND, MAKEWPARAM(advanced ? ID_ADVANCED_MODE : ID_SIMPLE_MODE, 0), 0);
}

HWND ConsoleUser::OpenMenu() const
{
    MenuSearch search{m_program.ProcessId(), nullptr};
    EnumWindows(&FindMenu, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void ConsoleUser::ChooseMenuEntry(HWND menu, int position)
{
    // Nothing is highlighted when the menu opens: the first Down reaches entry 0.
    for (int i = 0; i <= position; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
}

void ConsoleUser::CloseMenu(HWND menu)
{
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
}

void ConsoleUser::Answer(const Prompt& prompt, int button)
{
    PostMessageA(prompt.hwnd, WM_COMMAND, static_cast<WPARAM>(button), 0);
}

std::optional<std::chrono::milliseconds> ConsoleUser::Answers(std::chrono::milliseconds limit) const
{
    const auto start = std::chrono::steady_clock::now();
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(Console(), WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(limit.count()), &result) == 0)
        return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}
