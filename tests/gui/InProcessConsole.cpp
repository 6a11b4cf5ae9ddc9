#include "InProcessConsole.h"

namespace {

std::function<void(CConsoleDlg&)> gCheck;
CConsoleDlg* gConsole = nullptr;

// A thread timer: dispatched by the console's modal loop once it runs.
void CALLBACK RunCheck(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (gConsole == nullptr) return;
    if (gCheck) gCheck(*gConsole);
    PostMessageA(gConsole->GetHwnd(), WM_CLOSE, 0, 0);
}

}  // namespace

TestApp::TestApp()
{
    LoadMessageDefaults();
    m_valueTable = BuiltInValueTable();
    m_hasCustomFont = 0;
    ResetSettings();
}

INT_PTR RunConsole(TestApp& app, const std::function<void(CConsoleDlg&)>& check)
{
    CConsoleDlg console(nullptr);
    app.m_pMainWnd = &console;
    gConsole = &console;
    gCheck = check;
    SetTimer(nullptr, 0, 1, &RunCheck);
    const INT_PTR result = console.DoModal();
    gConsole = nullptr;
    gCheck = nullptr;
    app.m_pMainWnd = nullptr;
    return result;
}
