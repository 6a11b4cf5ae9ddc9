#include "WinApp.h"

namespace {
WinApp* gApp = nullptr;
}  // namespace

WinApp* AfxGetApp()
{
    return gApp;
}

WinApp::WinApp()
{
    gApp = this;
}

WinApp::~WinApp()
{
    if (gApp == this) gApp = nullptr;
}

int WinApp::ShowMessage(const char* text, UINT type) const
{
    if ((type & MB_TYPEMASK) == MB_OK && (type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
    return ::MessageBoxA(nullptr, text, m_appTitle.c_str(), type);
}

int WinApp::Run()
{
    m_hInstance = GetModuleHandleA(nullptr);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string name = path;
    name = name.substr(name.find_last_of("\\/") + 1);
    m_appTitle = name.substr(0, name.find_last_of('.'));

    if (InitInstance()) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        m_exitCode = static_cast<int>(msg.wParam);
    }
    return ExitInstance();
}
