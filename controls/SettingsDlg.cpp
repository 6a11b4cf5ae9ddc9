// The settings dialog (see SettingsDlg.h).
#include "SettingsDlg.h"

#include <commctrl.h>

#include <cstring>

#include "FindDlg.h"
#include "UserObjects.h"
#include "resource.h"

namespace {

struct Caption {
    int controlId;
    unsigned messageId;
};

// Captions besides the dialog title (48), the layout check boxes, whose
// captions sit in kShowFlagBoxes, and the presenter keys' labels (kPresenterKeys).
constexpr Caption kCaptions[] = {
    {IDC_START_UP, 50},       {IDC_STARTUP_LABEL, 49}, {IDC_ADDRESS_LABEL, 51}, {IDC_FIND, 110},
    {IDC_PROTOCOL_LABEL, 97},
    {IDC_PASSWORD_LABEL, 52}, {IDC_ADVANCED_GROUP, 54}, {IDC_SIMPLE_GROUP, 65},  {IDC_HOTKEY_GROUP, 104},
    {IDOK, 45},               {IDCANCEL, 46},
};

// The protocol drop-down's entries, in this order: its index is the stored value.
constexpr unsigned kProtocolEntries[] = {98, 99};

// Every control but the password field takes the language file's font.
constexpr int kDialogFontControls[] = {
    IDC_START_UP,               IDC_STARTUP_LABEL,          IDC_ADDRESS_LABEL,        IDC_IP_ADDRESS,
    IDC_FIND,                   IDC_PROTOCOL_LABEL,         IDC_PROTOCOL,               IDC_PASSWORD_LABEL,         IDC_ADVANCED_GROUP,         IDC_SHOW_ADVANCE_COMPUTER1, IDC_SHOW_ADVANCE_COMPUTER2,
    IDC_SHOW_ADVANCE_QUILLAN,   IDC_SHOW_ADVANCE_VIDEO,     IDC_SHOW_ADVANCE_SVIDEO,  IDC_SHOW_ADVANCE_AVMUTE,
    IDC_SHOW_ADVANCE_VOLUME,    IDC_SHOW_ADVANCE_FREEZE,    IDC_SHOW_ADVANCE_CC,      IDC_SIMPLE_GROUP,
    IDC_SHOW_SIMPLE_COMPUTER,   IDC_SHOW_SIMPLE_VIDEO,      IDC_SHOW_SIMPLE_AVMUTE,   IDC_SHOW_SIMPLE_VOLUME,
    IDC_SHOW_SIMPLE_FREEZE,     IDC_SHOW_SIMPLE_CC,         IDC_HOTKEY_GROUP,         IDC_HOTKEY_AVMUTE,
    IDC_HOTKEY_AVMUTE_LABEL,    IDC_HOTKEY_AVMUTE_STATUS,   IDC_HOTKEY_FREEZE,        IDC_HOTKEY_FREEZE_LABEL,
    IDC_HOTKEY_FREEZE_STATUS,   IDC_HOTKEY_POWER,           IDC_HOTKEY_POWER_LABEL,   IDC_HOTKEY_POWER_STATUS,
    IDOK,                       IDCANCEL,
};

// The scratch id under which a combination is tried on the dialog's window.
constexpr int kTrialHotkeyId = 1;

static_assert(kHotkeyShift == HOTKEYF_SHIFT && kHotkeyControl == HOTKEYF_CONTROL && kHotkeyAlt == HOTKEYF_ALT);
static_assert(kModShift == MOD_SHIFT && kModControl == MOD_CONTROL && kModAlt == MOD_ALT);

constexpr int kPasswordPointSize = 10;
constexpr std::uint8_t kHighestFirstOctet = 223;  // no multicast or reserved addresses

void SetFont(HWND control, HFONT font)
{
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

}  // namespace

void IpAddressControl::SetAddress(std::uint32_t packed) const
{
    SendMessageA(m_hwnd, IPM_SETADDRESS, 0, static_cast<LPARAM>(packed));
}

std::uint32_t IpAddressControl::GetAddress() const
{
    DWORD packed = 0;
    SendMessageA(m_hwnd, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&packed));
    return packed;
}

void IpAddressControl::SetFieldRange(int field, std::uint8_t low, std::uint8_t high) const
{
    SendMessageA(m_hwnd, IPM_SETRANGE, static_cast<WPARAM>(field), MAKEIPRANGE(low, high));
}

CSettingsDlg::CSettingsDlg(HWND parent, const SettingsDialogInput& input)
    : Dialog(IDD_SETTINGS, parent),
      m_settingsCopy(input.settings),
      m_texts(input.texts),
      m_languageFont(input.font),
      m_finder(input.finder)
{
}

CSettingsDlg::~CSettingsDlg() = default;

void CSettingsDlg::DoDataExchange()
{
    m_ipAddress.Attach(GetDlgItem(IDC_IP_ADDRESS));
    m_passwordEdit.Attach(GetDlgItem(IDC_PASSWORD));
    m_addressName.Attach(GetDlgItem(IDC_IP_ADDRESS));
    m_protocolName.Attach(GetDlgItem(IDC_PROTOCOL));
    for (std::size_t i = 0; i < kPresenterKeyCount; ++i) m_keyNames[i].Attach(GetDlgItem(kPresenterKeys[i].fieldId));
}

BOOL CSettingsDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetCaptions();
    ApplyPasswordFont(ApplyDialogFont());

    FillProtocols();
    const SettingsDialogValues values = DialogValuesFromSettings(m_settingsCopy);
    m_startUp = values.startUp;
    m_ipAddress.SetAddress(values.address);
    m_protocol = values.protocol;
    m_password = values.password;
    m_pjlinkPassword = values.pjlinkPassword;
    for (std::size_t i = 0; i < kShowFlagBoxCount; ++i) m_showFlags[i] = values.show[i];
    // After the address, so a stored first octet above the range still shows as stored.
    m_ipAddress.SetFieldRange(0, 0, kHighestFirstOctet);

    ValuesToControls();
    EnableWindow(GetDlgItem(IDC_FIND), m_finder != nullptr);
    for (std::size_t i = 0; i < kPresenterKeyCount; ++i) {
        HWND field = GetDlgItem(kPresenterKeys[i].fieldId);
        // A key alone or with Shift only would be lost to typing everywhere:
        // the control adds Ctrl+Alt to it.
        SendMessageA(field, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
        SendMessageA(field, HKM_SETHOTKEY, values.keys[i], 0);
    }
    CheckKeys();
    return TRUE;  // the focus goes to the first tab stop, the start-up box
}

std::string CSettingsDlg::Text(unsigned id) const
{
    return CatalogueText(m_texts, id);
}

void CSettingsDlg::FillProtocols()
{
    HWND list = GetDlgItem(IDC_PROTOCOL);
    for (unsigned id : kProtocolEntries) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text(id).c_str()));
}

void CSettingsDlg::SetCaptions()
{
    m_addressName.SetAccessibleName(Text(51));
    m_protocolName.SetAccessibleName(Text(97));
    for (std::size_t i = 0; i < kPresenterKeyCount; ++i) m_keyNames[i].SetAccessibleName(Text(kPresenterKeys[i].captionId));
    if (m_texts == nullptr) return;
    SetWindowTextA(GetHwnd(), Text(48).c_str());
    for (const Caption& c : kCaptions) SetWindowTextA(GetDlgItem(c.controlId), Text(c.messageId).c_str());
    for (const ShowFlagBox& box : kShowFlagBoxes) SetWindowTextA(GetDlgItem(box.controlId), Text(box.captionId).c_str());
    for (const PresenterKey& key : kPresenterKeys) SetWindowTextA(GetDlgItem(key.labelId), Text(key.captionId).c_str());
}

// The language file's size is taken as it stands, as a point size: the usual
// negative character height then gives a positive cell height for the
// password field (-11 becomes 15 at 96 dpi).
int CSettingsDlg::ApplyDialogFont()
{
    if (m_languageFont == nullptr) return kPasswordPointSize;
    // The height is given for 96 dpi: it scales with the screen, as the
    // dialog units do.
    m_dialogFont = FontAtScreenDpi(*m_languageFont);
    for (int id : kDialogFontControls) SetFont(GetDlgItem(id), m_dialogFont.get());
    return m_languageFont->lfHeight;
}

void CSettingsDlg::ApplyPasswordFont(int pointSize)
{
    int pixelsPerInch = 96;
    if (const WindowDC dc(GetHwnd()); dc.get() != nullptr) pixelsPerInch = GetDeviceCaps(dc.get(), LOGPIXELSY);
    LOGFONTA description{};
    description.lfHeight = -MulDiv(pointSize, pixelsPerInch, 72);
    std::strcpy(description.lfFaceName, "MS Shell Dlg");
    m_passwordFont.reset(CreateFontIndirectA(&description));
    SetFont(GetDlgItem(IDC_PASSWORD), m_passwordFont.get());
}

void CSettingsDlg::ValuesToControls()
{
    for (std::size_t i = 0; i < kShowFlagBoxCount; ++i)
        CheckDlgButton(GetHwnd(), kShowFlagBoxes[i].controlId, m_showFlags[i] ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(GetHwnd(), IDC_START_UP, m_startUp ? BST_CHECKED : BST_UNCHECKED);
    SendMessageA(GetDlgItem(IDC_PROTOCOL), CB_SETCURSEL, static_cast<WPARAM>(m_protocol), 0);
    ShowPassword();
}

std::string& CSettingsDlg::ShownPassword()
{
    return m_protocol == kProtocolPjlink ? m_pjlinkPassword : m_password;
}

// The field takes the shown protocol's password with that protocol's rules:
// 16 characters for the native protocol, 32 letters and digits for PJLink.
void CSettingsDlg::ShowPassword()
{
    m_passwordEdit.SetLettersAndDigitsOnly(m_protocol == kProtocolPjlink);
    SendMessageA(m_passwordEdit.GetHwnd(), EM_LIMITTEXT, static_cast<WPARAM>(PasswordLimit(m_protocol)), 0);
    SetWindowTextA(m_passwordEdit.GetHwnd(), ShownPassword().c_str());
}

void CSettingsDlg::OnProtocolChanged()
{
    const LRESULT chosen = SendMessageA(GetDlgItem(IDC_PROTOCOL), CB_GETCURSEL, 0, 0);
    const int protocol = chosen == kProtocolPjlink ? kProtocolPjlink : kProtocolNative;
    if (protocol == m_protocol) return;
    ShownPassword() = WindowTextOf(m_passwordEdit.GetHwnd());
    m_protocol = protocol;
    ShowPassword();
}

void CSettingsDlg::ReadKeys(std::uint16_t (&keys)[kPresenterKeyCount]) const
{
    for (std::size_t i = 0; i < kPresenterKeyCount; ++i)
        keys[i] = LOWORD(SendMessageA(GetDlgItem(kPresenterKeys[i].fieldId), HKM_GETHOTKEY, 0, 0));
}

KeyStatus CSettingsDlg::StatusOf(const std::uint16_t (&keys)[kPresenterKeyCount], std::size_t index) const
{
    const auto registration = RegistrationOf(keys[index]);
    if (!registration) return KeyStatus::Free;
    if (SameKeyAbove(keys, index)) return KeyStatus::SetAbove;
    HotkeyRegistration trial;
    return trial.Register(GetHwnd(), kTrialHotkeyId, registration->modifiers, registration->virtualKey)
               ? KeyStatus::Free
               : KeyStatus::Taken;
}

bool CSettingsDlg::CheckKeys()
{
    std::uint16_t keys[kPresenterKeyCount] = {};
    ReadKeys(keys);
    bool newlyShown = false;
    for (std::size_t i = 0; i < kPresenterKeyCount; ++i) {
        const KeyStatus status = StatusOf(keys, i);
        if (status == m_keyStatus[i]) continue;
        if (status != KeyStatus::Free) newlyShown = true;
        m_keyStatus[i] = status;
        const unsigned textId = StatusTextId(status);
        // Shown only while it has something to say, so a screen reader meets
        // no empty text.
        HWND text = GetDlgItem(kPresenterKeys[i].statusId);
        SetWindowTextA(text, textId != 0 ? Text(textId).c_str() : "");
        ShowWindow(text, textId != 0 ? SW_SHOWNA : SW_HIDE);
    }
    return newlyShown;
}

bool CSettingsDlg::PreTranslateMessage(MSG& msg)
{
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_BACK || msg.wParam == VK_DELETE)) {
        for (const PresenterKey& key : kPresenterKeys) {
            if (msg.hwnd != GetDlgItem(key.fieldId)) continue;
            SendMessageA(msg.hwnd, HKM_SETHOTKEY, 0, 0);
            CheckKeys();
            return true;
        }
    }
    return Dialog::PreTranslateMessage(msg);
}

void CSettingsDlg::OnFind()
{
    if (m_finder == nullptr) return;
    CFindDlg find(GetHwnd(), {m_finder, m_texts, m_languageFont});
    if (find.DoModal() != IDOK || !find.Chosen()) return;
    m_ipAddress.SetAddress(find.Chosen()->address);
    SendMessageA(GetDlgItem(IDC_PROTOCOL), CB_SETCURSEL, static_cast<WPARAM>(find.Chosen()->protocol), 0);
    OnProtocolChanged();
}

bool CSettingsDlg::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == IDC_FIND) {
        if (code == BN_CLICKED) OnFind();
        return true;
    }
    if (id == IDC_PROTOCOL) {
        if (code == CBN_SELCHANGE) OnProtocolChanged();
        return true;
    }
    for (const PresenterKey& key : kPresenterKeys) {
        if (static_cast<int>(id) != key.fieldId) continue;
        if (code == EN_CHANGE) CheckKeys();
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

void CSettingsDlg::ValuesFromControls()
{
    for (std::size_t i = 0; i < kShowFlagBoxCount; ++i)
        m_showFlags[i] = static_cast<BOOL>(IsDlgButtonChecked(GetHwnd(), kShowFlagBoxes[i].controlId));
    m_startUp = static_cast<BOOL>(IsDlgButtonChecked(GetHwnd(), IDC_START_UP));
    ShownPassword() = WindowTextOf(m_passwordEdit.GetHwnd());
}

// OK: everything the dialog shows goes into the copy, for the caller; first,
// a key found unusable just now is shown, and the dialog stays.
void CSettingsDlg::OnOK()
{
    if (CheckKeys()) return;
    ValuesFromControls();
    SettingsDialogValues values;
    values.address = m_ipAddress.GetAddress();
    values.startUp = m_startUp;
    values.protocol = m_protocol;
    values.password = m_password;
    values.pjlinkPassword = m_pjlinkPassword;
    for (std::size_t i = 0; i < kShowFlagBoxCount; ++i) values.show[i] = m_showFlags[i];
    ReadKeys(values.keys);
    ApplyDialogValues(values, m_settingsCopy);
    EndDialog(IDOK);
}

bool CSettingsDlg::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result)
{
    if (msg == WM_HELP) {  // F1 does nothing
        result = TRUE;
        return true;
    }
    return false;
}
