// Start-up and shutdown of the process. InitInstance always returns FALSE, so
// no message loop of the framework runs: the console's own modal loop is the
// program's life, and ExitInstance ends it.
#include "BeamdeskApp.h"

#include <commctrl.h>
#include <winsock2.h>

#include "Dialog.h"
#include "IniPaths.h"
#include "LanguageFile.h"
#include "PrivateMessages.h"
#include "SettingsStore.h"
#include "resource.h"

namespace {

// Windows Sockets 1.1, as the link uses it; released at process end.
class SocketsInit {
public:
    bool Start()
    {
        WSADATA data;
        m_started = WSAStartup(MAKEWORD(1, 1), &data) == 0;
        return m_started;
    }
    ~SocketsInit()
    {
        if (m_started) WSACleanup();
    }

private:
    bool m_started = false;
};

SocketsInit gSockets;

}  // namespace

CBeamdeskApp::CBeamdeskApp() = default;

CBeamdeskApp::~CBeamdeskApp() = default;

BOOL CBeamdeskApp::InitInstance()
{
    if (!gSockets.Start()) {
        char text[256] = {};
        LoadStringA(m_hInstance, IDS_SOCKETS_INIT_FAILED, text, sizeof text);
        ShowMessage(text, MB_OK);
        return FALSE;
    }

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);

    LoadMessageDefaults();
    LoadLanguageFile();
    m_hasCustomFont = LoadLanguageFont();

    if (IsAnotherInstanceRunning()) {
        ActivateFirstInstance();
        return FALSE;
    }

    ResetSettings();
    LoadSettings();

    if (!IsSupportedOs()) {
        ShowMessage(GetMessageText(77).c_str(), MB_OK | MB_ICONSTOP);
        return FALSE;
    }

    RunConsole();
    m_consoleRan = 1;
    return FALSE;
}

int CBeamdeskApp::ExitInstance()
{
    m_instanceMutex.reset();
    if (m_consoleRan == 1) SaveAtEnd();
    return WinApp::ExitInstance();
}

void CBeamdeskApp::SaveAtEnd()
{
    if (m_savedAtEnd) return;
    m_savedAtEnd = true;
    SaveSettings();
}

void CBeamdeskApp::StoreSettings(const AppSettings& settings)
{
    m_settings = settings;
    SaveSettings();
}

// The menu's Exit reaches the application: it closes the console.
bool CBeamdeskApp::OnCommand(UINT id)
{
    if (id != ID_APP_EXIT) return false;
    if (m_pMainWnd != nullptr && m_pMainWnd->GetHwnd() != nullptr) SendMessageA(m_pMainWnd->GetHwnd(), WM_CLOSE, 0, 0);
    return true;
}

void CBeamdeskApp::LoadMessageDefaults()
{
    m_messages.LoadMessageDefaults();
}

int CBeamdeskApp::LoadLanguageFile()
{
    ResolveIniPaths();
    ApplyLanguageFile(m_messages, m_languageIniPath);
    LoadProgramIni(m_programIniPath, m_valueTable, m_commandTimeoutMs);
    m_pjlinkInputs = LoadIniSection(m_programIniPath, "PJLINK");
    return 1;
}

int CBeamdeskApp::LoadLanguageFont()
{
    ResolveIniPaths();
    return ::LoadLanguageFont(m_languageIniPath, m_consoleFont);
}

std::string CBeamdeskApp::GetMessageText(unsigned id)
{
    return m_messages.GetMessageText(id);
}

void CBeamdeskApp::ResolveIniPaths()
{
    const IniPaths paths = ::ResolveIniPaths();
    m_languageIniPath = paths.language;
    m_programIniPath = paths.program;
}

void CBeamdeskApp::ResetSettings()
{
    ::ResetSettings(m_settings);
}

int CBeamdeskApp::LoadSettings()
{
    return ::LoadSettings(m_settings);
}

int CBeamdeskApp::SaveSettings()
{
    return ::SaveSettings(m_settings);
}

// A process that cannot create the mutex behaves as a second instance.
bool CBeamdeskApp::IsAnotherInstanceRunning()
{
    m_instanceMutex.reset(CreateMutexA(nullptr, FALSE, kInstanceName));
    if (!m_instanceMutex) return true;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        m_instanceMutex.reset();
        return true;
    }
    return false;
}

bool CBeamdeskApp::IsSupportedOs() const
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    // The deprecated call is the point: it reports the version the system
    // (or its compatibility layer) claims for this program.
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    GetVersionExA(&info);
#if defined(__GNUC__) && !defined(_MSC_VER)
#pragma GCC diagnostic pop
#endif
    return info.dwMajorVersion >= 5;
}

// Run by a second instance: bring the first one's console forward, restored
// if it was minimised, and tell it.
void CBeamdeskApp::ActivateFirstInstance()
{
    HWND console = nullptr;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            if (GetPropA(window, kInstanceName) == nullptr) return TRUE;
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&console));
    if (console == nullptr) return;
    if (IsIconic(console)) ShowWindow(console, SW_RESTORE);
    SetForegroundWindow(console);
    PostMessageA(console, WM_ALREADY_RUNNING, 0, 0);
}
