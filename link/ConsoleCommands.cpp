// The console's buttons and the projector's replies: each press sends one
// command; a toggle's query reply picks the opposite command, which goes out
// at the next prompt ("Power off?" is asked first); the CC query's reply ticks
// the current channel and opens the drop-down. User-interface thread.
#include "BeamdeskApp.h"
#include "ClientThread.h"
#include "CommandSet.h"
#include "ConsoleDlg.h"
#include "resource.h"

namespace {
constexpr UINT_PTR kCommandTimer = 10;
}  // namespace

void CConsoleDlg::OnButton(int controlId)
{
    const auto command = CommandForButton(controlId);
    if (!command) return;
    if (command->clearsFollowUps) m_followUps.clear();
    SendCommand(command->text, command->expectReply, TRUE);
}

// Video's input depends on the layout shown at the moment of the press.
void CConsoleDlg::OnVideo()
{
    if (CBeamdeskApp* app = GetBeamdeskApp())
        SendCommand(VideoCommand(app->m_settings.mode == kModeAdvanced), FALSE, TRUE);
}

// The CC button was pressed: ask for the current channel; the reply opens the
// drop-down.
void CConsoleDlg::OnCcDropDown()
{
    for (const CcItem& item : m_ccItems) m_ccButton.CheckItem(static_cast<UINT>(item.commandId), MF_UNCHECKED);
    SendCommand(std::string(kCaptionQuery), TRUE, TRUE);
}

void CConsoleDlg::OnCcItem(UINT id)
{
    const std::string label = m_ccButton.GetItemText(id - ID_CC_FIRST);
    if (CBeamdeskApp* app = GetBeamdeskApp()) SendCommand(CaptionCommand(LookupValue(app->m_valueTable, label)), FALSE, TRUE);
}

// Before anything modal, let the worker that sent the line go on receiving.
void CConsoleDlg::ReleaseSender()
{
    if (InSendMessage()) ReplyMessage(1);
}

LRESULT CConsoleDlg::OnReplyLine(const char* text, std::size_t length)
{
    // Lines from a link being torn down are not acted on.
    if (m_pWorker != nullptr && m_pWorker->m_stopping) return 0;
    const std::string_view line(text != nullptr ? text : "", text != nullptr ? length : 0);
    const ReplyDecision decision =
        DecideReply({m_nPhase, m_bExpectReply != FALSE, m_bCcQuery}, m_followUps, m_ccItems, line);
    using Action = ReplyDecision::Action;
    if (decision.action == Action::Ignore) return 0;

    m_bReady = TRUE;
    KillTimer(GetHwnd(), kCommandTimer);
    CBeamdeskApp* app = GetBeamdeskApp();
    switch (decision.action) {
    case Action::Send:
        SendCommand(decision.command, FALSE, TRUE);
        break;
    case Action::ConfirmPowerOff: {
        if (app == nullptr) break;
        const std::string question = app->GetMessageText(96);
        const std::string caption = app->GetMessageText(35);
        ReleaseSender();
        if (HookedMessageBox(question.c_str(), caption.c_str(), MB_YESNO) == IDYES)
            SendCommand(decision.command, FALSE, TRUE);
        break;
    }
    case Action::ShowCcTicked:
        if (m_ccButton.GetHwnd() == nullptr) break;
        ReleaseSender();
        m_ccButton.CheckItem(static_cast<UINT>(decision.ccCommandId), MF_CHECKED);
        m_ccButton.ShowMenu();
        InvalidateRect(m_ccButton.GetHwnd(), nullptr, TRUE);
        break;
    case Action::ShowCcUnticked:
        ReleaseSender();
        m_ccButton.ShowMenu();
        break;
    default:
        break;
    }
    return 0;
}
