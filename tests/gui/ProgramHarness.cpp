#include "ProgramHarness.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "PrivateMessages.h"
#include "SettingsStore.h"
#include "StartupRegistration.h"

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
}

ProgramFolder::ProgramFolder()
{
    const std::string source = ExecutableFolder() + "Beamdesk.exe";
    if (!CopyFileA(source.c_str(), Executable().c_str(), FALSE)) throw std::runtime_error("cannot copy " + source);
}

RunningProgram::RunningProgram(const std::string& executable)
{
    std::string commandLine = std::string("\"").append(executable).append("\"");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &m_process))
        throw std::runtime_error("cannot start " + executable + " (error " + std::to_string(GetLastError()) + ")");
}

RunningProgram::~RunningProgram()
{
    if (!HasExited()) {
        TerminateProcess(m_process.hProcess, 1);
        WaitForSingleObject(m_process.hProcess, 10000);
    }
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
}

bool RunningProgram::HasExited() const
{
    return WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0;
}

DWORD RunningProgram::WaitForExit(std::chrono::milliseconds limit)
{
    WaitForSingleObject(m_process.hProcess, static_cast<DWORD>(limit.count()));
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_process.hProcess, &code);
    return code;
}

namespace {

struct Search {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectConsole(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && GetPropA(hwnd, "Global\\BMDSK_Mutex") != nullptr) search->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectBoxes(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == search->pid && IsWindowVisible(hwnd) && std::string(cls) == "#32770" &&
        GetPropA(hwnd, "Global\\BMDSK_Mutex") == nullptr && GetDlgItem(hwnd, 0xFFFF) != nullptr)
        search->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

HWND RunningProgram::WaitForConsole()
{
    WaitForInputIdle(m_process.hProcess, 10000);
    WaitFor([&] {
        Search search{ProcessId(), {}};
        EnumWindows(&CollectConsole, reinterpret_cast<LPARAM>(&search));
        if (search.found.empty()) return false;
        HWND console = search.found.front();
        if (!IsWindowVisible(console) || WindowText(console).empty()) return false;
        m_console = console;
        return true;
    });
    return m_console;
}

HWND RunningProgram::WaitForDialog(const std::string& title) const
{
    HWND dialog = nullptr;
    WaitFor([&] {
        for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", title.c_str()); w != nullptr;
             w = FindWindowExA(nullptr, w, "#32770", title.c_str())) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == ProcessId() && IsWindowVisible(w) && GetPropA(w, "Global\\BMDSK_Mutex") == nullptr) {
                dialog = w;
                return true;
            }
        }
        return false;
    });
    return dialog;
}

HWND RunningProgram::WaitForWindow() const
{
    WaitForInputIdle(m_process.hProcess, 10000);
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND w = GetTopWindow(nullptr); w != nullptr && found == nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == ProcessId() && IsWindowVisible(w) && GetWindow(w, GW_OWNER) == nullptr) found = w;
        }
        return found != nullptr;
    });
    return found;
}

HWND RunningProgram::Focus() const
{
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    return GetGUIThreadInfo(ThreadId(), &gui) ? gui.hwndFocus : nullptr;
}

namespace {

bool HasClass(HWND hwnd, const char* name)
{
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    return lstrcmpiA(cls, name) == 0;
}

std::vector<int> VisibleButtons(HWND box)
{
    std::vector<std::pair<LONG, int>> found;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!HasClass(child, "Button") || !IsWindowVisible(child)) continue;
        RECT r{};
        GetWindowRect(child, &r);
        found.push_back({r.left, GetDlgCtrlID(child)});
    }
    std::sort(found.begin(), found.end());
    std::vector<int> ids;
    for (const auto& [left, id] : found) ids.push_back(id);
    return ids;
}

}  // namespace

// The icon's pixels are read from the screen, as the box shows them: another
// process's icon handle cannot be drawn here.
PromptIcon IconShown(const Prompt& prompt)
{
    HWND box = prompt.hwnd;
    HWND icon = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr && icon == nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (HasClass(child, "Static") && IsWindowVisible(child) &&
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && SendMessageA(child, STM_GETICON, 0, 0) != 0)
            icon = child;
    }
    if (icon == nullptr) return PromptIcon::None;
    RECT r{};
    GetWindowRect(icon, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    int red = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = GetPixel(memory, x, y);
            if (GetRValue(c) > 160 && GetGValue(c) < 100 && GetBValue(c) < 100) ++red;
        }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    // The stop icon is a red disc: a good part of its square is red.
    return red * 5 > width * height ? PromptIcon::Stop : PromptIcon::Other;
}

bool ShowsIcon(const Prompt& prompt, PromptIcon icon)
{
    return WaitFor([&] { return IconShown(prompt) == icon; });
}

std::vector<Prompt> RunningProgram::Prompts() const
{
    Search search{ProcessId(), {}};
    EnumWindows(&CollectBoxes, reinterpret_cast<LPARAM>(&search));
    std::vector<Prompt> prompts;
    for (HWND box : search.found)
        prompts.push_back({box, ControlText(box, 0xFFFF), WindowText(box), GetWindow(box, GW_OWNER),
                           VisibleButtons(box)});
    return prompts;
}

Prompt RunningProgram::WaitForPrompt()
{
    Prompt prompt;
    WaitFor([&] {
        const auto prompts = Prompts();
        if (prompts.size() != 1) return false;
        prompt = prompts.front();
        return true;
    });
    return prompt;
}

bool RunningProgram::WaitForNoPrompt()
{
    return WaitFor([&] { return Prompts().empty(); });
}

std::vector<Prompt> RunningProgram::Barrier()
{
    constexpr const char* kNotice = "This application is already running. ";
    const std::size_t before = Prompts().size();
    PostMessageA(m_console, WM_ALREADY_RUNNING, 0, 0);
    std::vector<Prompt> seen;
    HWND notice = nullptr;
    WaitFor([&] {
        seen = Prompts();
        for (const Prompt& p : seen)
            if (p.text == kNotice && seen.size() > before) notice = p.hwnd;
        return notice != nullptr;
    });
    if (notice != nullptr) {
        PostMessageA(notice, WM_COMMAND, IDOK, 0);
        WaitFor([&] { return !IsWindow(notice) || !IsWindowVisible(notice); });
    }
    return seen;
}

std::string WindowText(HWND hwnd)
{
    char text[512] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string ControlText(HWND dialog, int id)
{
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

HWND FindToolTip(const RunningProgram& program)
{
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND w = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr); w != nullptr;
             w = FindWindowExA(nullptr, w, TOOLTIPS_CLASSA, nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == program.ProcessId() && GetWindow(w, GW_OWNER) == program.Console()) {
                found = w;
                return true;
            }
        }
        return false;
    });
    return found;
}

std::optional<std::string> ToolTipText(const RunningProgram& program, HWND tooltip, HWND control)
{
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, program.ProcessId());
    if (process == nullptr) return std::nullopt;
    constexpr SIZE_T kTextSize = 1024;
    char* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, sizeof(TTTOOLINFOA) + kTextSize, MEM_COMMIT, PAGE_READWRITE));

    // First whether the tool exists at all (no text asked for), then its text.
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = program.Console();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    WriteProcessMemory(process, remote, &tool, sizeof tool, nullptr);
    std::optional<std::string> text;
    if (SendMessageA(tooltip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(remote))) {
        tool.lpszText = remote + sizeof tool;
        WriteProcessMemory(process, remote, &tool, sizeof tool, nullptr);
        const char zero = 0;
        WriteProcessMemory(process, tool.lpszText, &zero, 1, nullptr);
        SendMessageA(tooltip, TTM_GETTEXTA, kTextSize, reinterpret_cast<LPARAM>(remote));
        char buffer[kTextSize] = {};
        ReadProcessMemory(process, tool.lpszText, buffer, kTextSize - 1, nullptr);
        text = buffer;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return text;
}

void ClearProgramRegistry()
{
    DeleteRegTree(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
    HKEY run;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
        RegDeleteValueA(run, kRunValueName);
        RegCloseKey(run);
    }
}

void SetReportedWindowsVersion(const std::string& version)
{
    constexpr const char* kKey = "Software\\Wine\\AppDefaults\\Beamdesk.exe";
    if (version.empty())
        DeleteRegTree(HKEY_CURRENT_USER, kKey);
    else
        WriteRegValue(HKEY_CURRENT_USER, kKey, "Version", REG_SZ, version + std::string(1, '\0'));
}
