// Every prompt of the console goes through HookedMessageBox. A thread CBT
// hook notes the prompt's window as it is activated, so a prompt raised while
// another is open (timers, link messages and a second start keep running in
// the box's modal loop) is owned by the one on screen, and a second start can
// give the open prompt the focus again.
#include "BeamdeskApp.h"
#include "ConsoleDlg.h"
#include "SessionRecords.h"

namespace {

CConsoleDlg* MainConsole(CBeamdeskApp* app)
{
    return app != nullptr ? static_cast<CConsoleDlg*>(app->m_pMainWnd) : nullptr;
}

}  // namespace

int CConsoleDlg::HookedMessageBox(const char* text, const char* caption, UINT type)
{
    if (++m_promptDepth == 1 && m_hCbtHook == nullptr)
        m_hCbtHook = SetWindowsHookExA(WH_CBT, &CConsoleDlg::PromptHookProc, nullptr, GetCurrentThreadId());

    int result = static_cast<int>(type);
    if (CBeamdeskApp* app = GetBeamdeskApp()) {
        HWND owner = app->m_hPromptWnd != nullptr  ? app->m_hPromptWnd
                     : m_activeChild != nullptr ? m_activeChild->GetHwnd()
                                                : GetHwnd();
        result = MessageBoxA(owner, text, caption, type);
    }

    if (--m_promptDepth == 0) {
        if (m_hCbtHook != nullptr) UnhookWindowsHookEx(m_hCbtHook);
        m_hCbtHook = nullptr;
        if (CBeamdeskApp* app = GetBeamdeskApp()) app->m_hPromptWnd = nullptr;
    }
    return result;
}

LRESULT CALLBACK CConsoleDlg::PromptHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    CBeamdeskApp* app = GetBeamdeskApp();
    CConsoleDlg* console = MainConsole(app);
    if (console == nullptr) return 0;
    if (code < 0 || code != HCBT_ACTIVATE) return CallNextHookEx(console->m_hCbtHook, code, wParam, lParam);
    const auto activated = reinterpret_cast<HWND>(wParam);
    if (activated != console->GetHwnd()) app->m_hPromptWnd = activated;
    return 0;
}

// A link error that arrives while another link error prompt is open is
// dropped, not queued.
void CConsoleDlg::ShowLinkError(int code)
{
    if (m_linkErrorShowing || code == kStatusAccepted) return;
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return;
    const unsigned textId = (code == kStatusPasswordRequired || code == kStatusPasswordRefused) ? 82
                            : code == kStatusProjectorFailure                                 ? 100
                                                                                              : 80;
    m_linkErrorShowing = TRUE;
    HookedMessageBox(app->GetMessageText(textId).c_str(), app->GetMessageText(35).c_str(), MB_OK | MB_ICONHAND);
    m_linkErrorShowing = FALSE;
}

// A second copy of the program was started: it has brought this console
// forward; say so once, or refocus the notice already on screen.
LRESULT CConsoleDlg::OnAlreadyRunning()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return 0;
    if (app->m_promptOpen == 1) {
        if (app->m_hPromptWnd != nullptr) SetFocus(app->m_hPromptWnd);
        return 0;
    }
    app->m_promptOpen = 1;
    HookedMessageBox(app->GetMessageText(78).c_str(), app->GetMessageText(35).c_str(), MB_OK | MB_ICONHAND);
    app->m_promptOpen = 0;
    return 0;
}
