// The console's buttons and what the link asks of the user: each press hands
// its intent to the link, which sends what the projector's protocol makes of
// it; "Power off?" and the CC drop-down are shown when the link's reply
// handling asks for them. User-interface thread.
#include <chrono>
#include <utility>

#include "BeamdeskApp.h"
#include "ConsoleDlg.h"
#include "resource.h"

namespace {

struct ButtonPress {
    int controlId;
    Press press;
};

// Video is not here: what it selects depends on the layout shown.
constexpr ButtonPress kButtonPresses[] = {
    {IDC_POWER, Press::Power},         {IDC_COMPUTER1, Press::Computer1}, {IDC_COMPUTER2, Press::Computer2},
    {IDC_COMPUTER, Press::Computer},   {IDC_QUILLAN, Press::Quillan},     {IDC_SVIDEO, Press::SVideo},
    {IDC_AVMUTE, Press::AvMute},       {IDC_FREEZE, Press::Freeze},       {IDC_VOLUME_DOWN, Press::VolumeDown},
    {IDC_VOLUME_UP, Press::VolumeUp},
};

}  // namespace

// The link's settings as they stand in the application's record now: the
// protocol chosen, its password, the address, the time-out and the input
// codes of Beamdesk.ini.
void CConsoleDlg::ConfigureLink()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return;
    SessionSettings settings;
    settings.protocol = app->Settings().protocol == kProtocolPjlink ? ProtocolId::Pjlink : ProtocolId::Native;
    settings.address = AddressText(app->Settings());
    settings.password = ChosenPasswordText(app->Settings());
    settings.commandTimeout = std::chrono::milliseconds(app->CommandTimeoutMs());
    std::vector<std::pair<std::string, std::string>> inputs;
    for (const ValuePair& pair : app->PjlinkInputs()) inputs.emplace_back(pair.key, pair.value);
    settings.pjlinkInputs = PjlinkInputsFrom(inputs);
    m_link.Configure(settings);
}

void CConsoleDlg::OnButton(int controlId)
{
    for (const ButtonPress& b : kButtonPresses)
        if (b.controlId == controlId) m_link.Press(b.press);
}

// Video's input depends on the layout shown at the moment of the press.
void CConsoleDlg::OnVideo()
{
    if (CBeamdeskApp* app = GetBeamdeskApp())
        m_link.Press(app->Settings().mode == kModeAdvanced ? Press::VideoAdvanced : Press::VideoSimple);
}

// The CC button was pressed: ask for the current channel; the reply opens the
// drop-down.
void CConsoleDlg::OnCcDropDown()
{
    for (const CcItem& item : m_ccItems) m_ccButton.CheckItem(static_cast<UINT>(item.commandId), MF_UNCHECKED);
    m_link.Press(Press::CaptionQuery);
}

void CConsoleDlg::OnCcItem(UINT id)
{
    const std::string label = m_ccButton.GetItemText(id - ID_CC_FIRST);
    if (CBeamdeskApp* app = GetBeamdeskApp()) m_link.ChooseCaption(LookupValue(app->CaptionChannels(), label));
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
