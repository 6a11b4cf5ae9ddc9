// The console's buttons and what the link asks of the user: each press hands
// one command to the link; "Power off?" and the CC drop-down are shown when
// the link's reply handling asks for them. User-interface thread.
#include "BeamdeskApp.h"
#include "CommandSet.h"
#include "ConsoleDlg.h"
#include "resource.h"

void CConsoleDlg::ConfigureLink()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return;
    m_link.Configure({AddressText(app->m_settings), PasswordText(app->m_settings), app->m_commandTimeoutMs});
}

void CConsoleDlg::OnButton(int controlId)
{
    if (const auto command = CommandForButton(controlId)) m_link.Send({command->text, command->kind});
}

// Video's input depends on the layout shown at the moment of the press.
void CConsoleDlg::OnVideo()
{
    if (CBeamdeskApp* app = GetBeamdeskApp())
        m_link.Send({VideoCommand(app->m_settings.mode == kModeAdvanced), CommandKind::Plain});
}

// The CC button was pressed: ask for the current channel; the reply opens the
// drop-down.
void CConsoleDlg::OnCcDropDown()
{
    for (const CcItem& item : m_ccItems) m_ccButton.CheckItem(static_cast<UINT>(item.commandId), MF_UNCHECKED);
    m_link.Send({std::string(kCaptionQuery), CommandKind::CaptionQuery});
}

void CConsoleDlg::OnCcItem(UINT id)
{
    const std::string label = m_ccButton.GetItemText(id - ID_CC_FIRST);
    if (CBeamdeskApp* app = GetBeamdeskApp())
        m_link.Send({CaptionCommand(LookupValue(app->m_valueTable, label)), CommandKind::Plain});
}

bool CConsoleDlg::ConfirmPowerOff()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return false;
    const std::string question = app->GetMessageText(96);
    const std::string caption = app->GetMessageText(35);
    return HookedMessageBox(question.c_str(), caption.c_str(), MB_YESNO) == IDYES;
}

void CConsoleDlg::ShowCaptionMenu(int tickedCommandId)
{
    if (m_ccButton.GetHwnd() == nullptr) return;
    if (tickedCommandId != 0) m_ccButton.CheckItem(static_cast<UINT>(tickedCommandId), MF_CHECKED);
    m_ccButton.ShowMenu();
    if (tickedCommandId != 0) InvalidateRect(m_ccButton.GetHwnd(), nullptr, TRUE);
}
