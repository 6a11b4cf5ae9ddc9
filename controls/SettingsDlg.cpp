// The settings dialog (see SettingsDlg.h).
#include "SettingsDlg.h"

#include <commctrl.h>

#include <cstring>

#include "resource.h"

namespace {

struct Caption {
    int controlId;
    unsigned messageId;
};

// Captions besides the dialog title (48) and the layout check boxes, whose
// captions sit in kShowFlagBoxes.
constexpr Caption kCaptions[] = {
    {IDC_START_UP, 50},       {IDC_STARTUP_LABEL, 49},  {IDC_ADDRESS_LABEL, 51}, {IDC_PASSWORD_LABEL, 52},
    {IDC_ADVANCED_GROUP, 54}, {IDC_SIMPLE_GROUP, 65},   {IDOK, 45},              {IDCANCEL, 46},
};

// Every control but the password field takes the language file's font.
constexpr int kDialogFontControls[] = {
    IDC_START_UP,               IDC_STARTUP_LABEL,          IDC_ADDRESS_LABEL,        IDC_IP_ADDRESS,
    IDC_PASSWORD_LABEL,         IDC_ADVANCED_GROUP,         IDC_SHOW_ADVANCE_COMPUTER1, IDC_SHOW_ADVANCE_COMPUTER2,
    IDC_SHOW_ADVANCE_QUILLAN,   IDC_SHOW_ADVANCE_VIDEO,     IDC_SHOW_ADVANCE_SVIDEO,  IDC_SHOW_ADVANCE_AVMUTE,
    IDC_SHOW_ADVANCE_VOLUME,    IDC_SHOW_ADVANCE_FREEZE,    IDC_SHOW_ADVANCE_CC,      IDC_SIMPLE_GROUP,
    IDC_SHOW_SIMPLE_COMPUTER,   IDC_SHOW_SIMPLE_VIDEO,      IDC_SHOW_SIMPLE_AVMUTE,   IDC_SHOW_SIMPLE_VOLUME,
    IDC_SHOW_SIMPLE_FREEZE,     IDC_SHOW_SIMPLE_CC,         IDOK,                     IDCANCEL,
};

constexpr int kPasswordPointSize = 10;
constexpr int kPasswordLimit = static_cast<int>(kPasswordLength);
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
      m_languageFont(input.font)
{
}

CSettingsDlg::~CSettingsDlg() = default;

void CSettingsDlg::DoDataExchange()
{
    m_ipAddress.Attach(GetDlgItem(IDC_IP_ADDRESS));
    m_passwordEdit.Attach(GetDlgItem(IDC_PASSWORD));
}

BOOL CSettingsDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetCaptions();
    ApplyPasswordFont(ApplyDialogFont());

    const SettingsDialogValues values = DialogValuesFromSettings(m_settingsCopy);
    m_startUp = values.startUp;
    m_ipAddress.SetAddress(values.address);
    m_password = values.password;
    for (std::size_t i = 0; i < kShowFlagBoxCount; ++i) m_showFlags[i] = values.show[i];
    // After the address, so a stored first octet above the range still shows as stored.
    m_ipAddress.SetFieldRange(0, 0, kHighestFirstOctet);

    ValuesToControls();
    return TRUE;  // the focus goes to the first tab stop, the start-up box
}

std::string CSettingsDlg::Text(unsigned id) const
{
    return m_texts->GetMessageText(id);
}

void CSettingsDlg::SetCaptions()
{
    if (m_texts == nullptr) return;
    SetWindowTextA(GetHwnd(), Text(48).c_str());
    for (const Caption& c : kCaptions) SetWindowTextA(GetDlgItem(c.controlId), Text(c.messageId).c_str());
    for (const ShowFlagBox& box : kShowFlagBoxes) SetWindowTextA(GetDlgItem(box.controlId), Text(box.captionId).c_str());
}

// The language file's size is taken as it stands, as a point size: the usual
// negative character height then gives a positive cell height for the
// password field (-11 becomes 15 at 96 dpi).
int CSettingsDlg::ApplyDialogFont()
{
    if (m_languageFont == nullptr) return kPasswordPointSize;
    LOGFONTA description = *m_languageFont;
    m_dialogFont.reset(CreateFontIndirectA(&description));
    for (int id : kDialogFontControls) SetFont(GetDlgItem(id), m_dialogFont.get());
    return description.lfHeight;
}

void CSettingsDlg::ApplyPasswordFont(int pointSize)
{
    int pixelsPerInch = 96;
    if (HDC dc = GetDC(GetHwnd()); dc != nullptr) {
        pixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(GetHwnd(), dc);
    }
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
    SetWindowTextA(m_passwordEdit.GetHwnd(), m_password.c_str());
    SendMessageA(m_passwordEdit.GetHwnd(), EM_LIMITTEXT, kPasswordLimit, 0);
}

void CSettingsDlg::ValuesFromControls()
{
    for (std::size_t i = 0; i < kShowFlagBoxCount; ++i)
        m_showFlags[i] = static_cast<BOOL>(IsDlgButtonChecked(GetHwnd(), kShowFlagBoxes[i].controlId));
    m_startUp = static_cast<BOOL>(IsDlgButtonChecked(GetHwnd(), IDC_START_UP));
    HWND edit = m_passwordEdit.GetHwnd();
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
    const int copied = GetWindowTextA(edit, text.data(), static_cast<int>(text.size()));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    m_password = text;
}

// OK: everything the dialog shows goes into the copy, for the caller.
void CSettingsDlg::OnOK()
{
    ValuesFromControls();
    SettingsDialogValues values;
    values.address = m_ipAddress.GetAddress();
    values.startUp = m_startUp;
    values.password = m_password;
    for (std::size_t i = 0; i < kShowFlagBoxCount; ++i) values.show[i] = m_showFlags[i];
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
