// The console's buttons and what the link asks of the user: each press hands
// its intent to the link, which sends what the projector's protocol makes of
// it; "Power off?" and the CC drop-down are shown when the link's reply
// handling asks for them. A presenter key is a press of its button.
// User-interface thread.
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

void CConsoleDlg::RegisterPresenterKeys()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return;
    const AppSettings& settings = app->Settings();
    for (std::size_t i = 0; i < kPresenterKeyCount; ++i) {
        const PresenterKey& key = kPresenterKeys[i];
        m_presenterKeys[i].Reset();
        if (const auto registration = RegistrationOf(settings.*key.hotkey))
            m_presenterKeys[i].Register(GetHwnd(), key.buttonId, registration->modifiers, registration->virtualKey);
    }
}

void CConsoleDlg::ReleasePresenterKeys()
{
    for (HotkeyRegistration& key : m_presenterKeys) key.Reset();
}

namespace {

bool OwnedBy(HWND window, HWND owner)
{
    for (HWND w = GetWindow(window, GW_OWNER); w != nullptr; w = GetWindow(w, GW_OWNER))
        if (w == owner) return true;
    return false;
}

// The topmost window of this thread that is in the console's way: visible,
// enabled and owned by it, directly or through another (a prompt over the
// About box). Found by the z-order, not by activation: a box that opened
// while another program was in front need not have been activated.
HWND WindowInTheWay(HWND console)
{
    const DWORD thread = GetCurrentThreadId();
    for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        if (GetWindowThreadProcessId(w, nullptr) != thread) continue;
        if (IsWindowVisible(w) && IsWindowEnabled(w) && OwnedBy(w, console)) return w;
    }
    return nullptr;
}

}  // namespace

// As a click on its button, whichever buttons the layout shows. While a
// prompt or the About box keeps the console disabled, nothing is pressed, and
// (as for a click on the disabled console) the window in the way comes to the
// front: it may be hidden behind the program the presenter shows.
void CConsoleDlg::OnPresenterKey(int buttonId)
{
    if (!IsWindowEnabled(GetHwnd())) {
        if (HWND inTheWay = WindowInTheWay(GetHwnd())) SetForegroundWindow(inTheWay);
        return;
    }
    for (const PresenterKey& key : kPresenterKeys)
        if (key.buttonId == buttonId) OnButton(buttonId);
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
