// The console's prompts: the link's errors, "Power off?" (ConsoleCommands.cpp)
// and the already-running notice, each shown through the prompt stack.
#include "BeamdeskApp.h"
#include "ConsoleDlg.h"
#include "SessionRecords.h"

int CConsoleDlg::HookedMessageBox(const char* text, const char* caption, UINT type)
{
    if (GetBeamdeskApp() == nullptr) return static_cast<int>(type);
    m_prompts.SetMainWindow(GetHwnd());
    return m_prompts.Show(m_activeChild != nullptr ? m_activeChild->GetHwnd() : GetHwnd(), text, caption, type);
}

// A link error that arrives while another link error prompt is open is
// dropped, not queued.
void CConsoleDlg::ShowLinkError(int code)
{
    if (m_prompts.LinkErrorOpen() || code == kStatusAccepted) return;
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return;
    const unsigned textId = (code == kStatusPasswordRequired || code == kStatusPasswordRefused) ? 82
                            : code == kStatusProjectorFailure                                 ? 100
                                                                                              : 80;
    m_prompts.SetLinkErrorOpen(true);
    HookedMessageBox(app->GetMessageText(textId).c_str(), app->GetMessageText(35).c_str(), MB_OK | MB_ICONHAND);
    m_prompts.SetLinkErrorOpen(false);
}

// A second copy of the program was started: it has brought this console
// forward; say so once, or refocus the notice already on screen.
LRESULT CConsoleDlg::OnAlreadyRunning()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return 0;
    if (m_prompts.NoticeOpen()) {
        if (m_prompts.OnScreen() != nullptr) SetFocus(m_prompts.OnScreen());
        return 0;
    }
    m_prompts.SetNoticeOpen(true);
    HookedMessageBox(app->GetMessageText(78).c_str(), app->GetMessageText(35).c_str(), MB_OK | MB_ICONHAND);
    m_prompts.SetNoticeOpen(false);
    return 0;
}
