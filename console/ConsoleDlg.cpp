// The console's construction, start-up sequence, painting, key filter and
// link-state title. Layout, placement, menus, prompts and the link live in
// their own files.
#include "ConsoleDlg.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "BeamdeskApp.h"
#include "LinkMessages.h"
#include "PrivateMessages.h"
#include "resource.h"

namespace {

constexpr std::size_t kMaxCcItems = 20;

// Posted to itself at the end of its start-up: the first connection is made,
// and the presenter keys are registered, once the console is on screen.
constexpr UINT WM_STARTUP_CONNECT = WM_USER + 11;
constexpr UINT WM_STARTUP_KEYS = WM_USER + 12;

struct TextOf {
    unsigned messageId;
    int controlId;
};

// Captions, in the order they are set.
constexpr TextOf kCaptions[] = {
    {1, IDC_POWER},  {2, IDC_COMPUTER1}, {3, IDC_COMPUTER2},     {4, IDC_QUILLAN},     {5, IDC_VIDEO},
    {6, IDC_SVIDEO}, {7, IDC_AVMUTE},    {8, IDC_FREEZE},        {9, IDC_CC},          {10, IDC_VOLUME_LABEL},
    {12, IDC_VOLUME_UP}, {11, IDC_VOLUME_DOWN}, {13, IDC_COMPUTER},
};

// Tooltips; the Volume label has none.
constexpr TextOf kToolTips[] = {
    {15, IDC_POWER},  {16, IDC_COMPUTER1}, {17, IDC_COMPUTER2}, {18, IDC_QUILLAN},     {19, IDC_VIDEO},
    {20, IDC_SVIDEO}, {21, IDC_AVMUTE},    {22, IDC_FREEZE},    {23, IDC_CC},          {26, IDC_VOLUME_UP},
    {25, IDC_VOLUME_DOWN}, {27, IDC_COMPUTER}, {95, IDC_MODE},
};

// The controls that take the language file's font; "-", "+", the mode button
// and the frame keep theirs.
constexpr int kCustomFontControls[] = {IDC_POWER,  IDC_COMPUTER1, IDC_COMPUTER2, IDC_QUILLAN,
                                       IDC_VIDEO,  IDC_SVIDEO,    IDC_AVMUTE,    IDC_FREEZE,
                                       IDC_CC,     IDC_VOLUME_LABEL, IDC_COMPUTER};

// Menu bar: title and its single item, by position.
struct MenuTexts {
    unsigned titleId;
    unsigned itemId;
    UINT command;
};
constexpr MenuTexts kMenuTexts[] = {
    {29, 30, ID_APP_EXIT},
    {31, 32, ID_SETTINGS},
    {33, 34, ID_APP_ABOUT},
};

}  // namespace

CConsoleDlg::CConsoleDlg(HWND parent) : Dialog(IDD_CONSOLE, parent)
{
    m_hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BEAMDESK));
}

CConsoleDlg::~CConsoleDlg() = default;

void CConsoleDlg::DoDataExchange()
{
    m_modeButton.Attach(GetDlgItem(IDC_MODE));
    m_ccButton.Attach(GetDlgItem(IDC_CC));
    m_volumeDown.Attach(GetDlgItem(IDC_VOLUME_DOWN));
    m_volumeUp.Attach(GetDlgItem(IDC_VOLUME_UP));
    m_frame.Attach(GetDlgItem(IDC_FRAME));
}

BOOL CConsoleDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    m_instanceMark.Set(GetHwnd(), kInstanceName, this);
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return FALSE;

    SendMessageA(GetHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(GetHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    SetCaptions();
    ApplyFonts();
    SetMenuTexts();
    FillDropDowns();
    SetLinkTitle(37);
    // The protocol decides whether the CC button has anything to do.
    m_link.Attach(GetHwnd(), m_ccItems);
    ConfigureLink();
    LayoutButtons();

    m_ipText = AddressText(app->Settings());

    AddToolTips();
    PlaceInitially();
    PostMessageA(GetHwnd(), WM_STARTUP_KEYS, 0, 0);
    if (_stricmp(m_ipText.c_str(), "0.0.0.0") != 0) PostMessageA(GetHwnd(), WM_STARTUP_CONNECT, 0, 0);
    m_link.StartKeepAlive();
    return TRUE;
}

// The captions, and the names a screen reader says where a caption cannot:
// the signs "-" and "+", the mode button's arrow, the frame.
void CConsoleDlg::SetCaptions()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    for (const TextOf& t : kCaptions) SetWindowTextA(GetDlgItem(t.controlId), app->GetMessageText(t.messageId).c_str());
    m_modeButton.SetAccessibleName(app->GetMessageText(101));
    m_volumeDown.SetAccessibleName(app->GetMessageText(102));
    m_volumeUp.SetAccessibleName(app->GetMessageText(103));
    m_frame.SetAccessibleName(app->GetMessageText(35));
}

void CConsoleDlg::ApplyFonts()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    // Both heights are given for 96 dpi and scale with the screen, as the
    // buttons do.
    if (const LOGFONTA* font = app->LanguageFont()) {
        m_customFont = FontAtScreenDpi(*font);
        SendMessageA(GetHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(m_customFont.get()), TRUE);
        for (int id : kCustomFontControls)
            SendMessageA(GetDlgItem(id), WM_SETFONT, reinterpret_cast<WPARAM>(m_customFont.get()), TRUE);
    }

    // "-" and "+" always read large, whatever the language.
    LOGFONTA volume{};
    volume.lfHeight = 20;
    volume.lfWeight = FW_NORMAL;
    std::strcpy(volume.lfFaceName, "Arial");
    m_volumeFont = FontAtScreenDpi(volume);
    SendMessageA(GetDlgItem(IDC_VOLUME_UP), WM_SETFONT, reinterpret_cast<WPARAM>(m_volumeFont.get()), TRUE);
    SendMessageA(GetDlgItem(IDC_VOLUME_DOWN), WM_SETFONT, reinterpret_cast<WPARAM>(m_volumeFont.get()), TRUE);
}

void CConsoleDlg::SetMenuTexts()
{
    HMENU bar = GetMenu(GetHwnd());
    if (bar == nullptr) return;
    CBeamdeskApp* app = GetBeamdeskApp();
    for (UINT position = 0; position < 3; ++position) {
        const MenuTexts& m = kMenuTexts[position];
        HMENU popup = GetSubMenu(bar, static_cast<int>(position));
        ModifyMenuA(bar, position, MF_BYPOSITION | MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                    app->GetMessageText(m.titleId).c_str());
        if (popup != nullptr)
            ModifyMenuA(popup, 0, MF_BYPOSITION | MF_STRING, m.command, app->GetMessageText(m.itemId).c_str());
    }
    DrawMenuBar(GetHwnd());
}

void CConsoleDlg::FillDropDowns()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    auto makeDropDown = [](CConsoleButton& button) {
        HWND hwnd = button.GetHwnd();
        SetWindowLongPtrA(hwnd, GWL_STYLE, GetWindowLongPtrA(hwnd, GWL_STYLE) | WS_TABSTOP | BS_OWNERDRAW);
        button.SetArrow(5, 10, 6);
    };

    makeDropDown(m_ccButton);
    const ValueTable& channels = app->CaptionChannels();
    const std::size_t count = channels.size() < kMaxCcItems ? channels.size() : kMaxCcItems;
    for (std::size_t i = 0; i < count; ++i) {
        const int id = ID_CC_FIRST + static_cast<int>(i);
        m_ccButton.AddItem(static_cast<UINT>(id), channels[i].key, MF_STRING);
        m_ccItems.push_back({id, "CCAP=" + channels[i].value});
    }

    makeDropDown(m_modeButton);
    m_modeButton.AddItem(ID_SIMPLE_MODE, app->GetMessageText(42), MF_STRING);
    m_modeButton.AddItem(ID_ADVANCED_MODE, app->GetMessageText(43), MF_STRING);
}

void CConsoleDlg::SetLinkTitle(unsigned stateId)
{
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return;
    const std::string title = app->GetMessageText(35) + " [" + app->GetMessageText(stateId) + "]";
    // A connection that opens again under a title that already says so
    // (PJLink's short connections) redraws nothing.
    if (WindowTextOf(GetHwnd()) != title) SetWindowTextA(GetHwnd(), title.c_str());
}

void CConsoleDlg::AddToolTips()
{
    m_toolTip.reset(CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, GetHwnd(), nullptr, GetModuleHandleA(nullptr), nullptr));
    if (!m_toolTip) return;
    CBeamdeskApp* app = GetBeamdeskApp();
    for (const TextOf& t : kToolTips) {
        std::string text = app->GetMessageText(t.messageId);
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = GetHwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(t.controlId));
        tool.lpszText = text.data();
        SendMessageA(m_toolTip.get(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

bool CConsoleDlg::PreTranslateMessage(MSG& msg)
{
    if (m_toolTip) SendMessageA(m_toolTip.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    // Escape never closes the console.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) return true;
    return Dialog::PreTranslateMessage(msg);
}

bool CConsoleDlg::OnCommand(UINT id, UINT code, HWND /*control*/)
{
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_POWER: case IDC_COMPUTER1: case IDC_COMPUTER2: case IDC_COMPUTER: case IDC_QUILLAN:
    case IDC_SVIDEO: case IDC_AVMUTE: case IDC_FREEZE: case IDC_VOLUME_DOWN: case IDC_VOLUME_UP:
        OnButton(static_cast<int>(id));
        return true;
    case IDC_VIDEO:
        OnVideo();
        return true;
    case ID_SETTINGS:
        OnSettings();
        return true;
    case ID_APP_ABOUT:
        OnAbout();
        return true;
    case ID_ADVANCED_MODE:
        OnAdvancedMode();
        return true;
    case ID_SIMPLE_MODE:
        OnSimpleMode();
        return true;
    default:
        if (id >= ID_CC_FIRST && id <= ID_CC_LAST) {
            OnCcItem(id);
            return true;
        }
        return false;
    }
}

bool CConsoleDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_hIcon);
        return true;
    case WM_HELP:  // F1 does nothing
        result = TRUE;
        return true;
    case WM_DESTROY:
        OnDestroy();
        return false;
    case WM_TIMER:
        m_link.OnTimer(wParam);
        return false;
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
        return false;
    case WM_SETTINGCHANGE:
    case WM_DISPLAYCHANGE:
        OnSettingChange();
        return false;
    case WM_EXITSIZEMOVE:
        KeepInWorkArea();
        return false;
    case WM_LINK_REPLY:
        result = m_link.OnReplyLine(reinterpret_cast<const char*>(wParam), static_cast<std::size_t>(lParam));
        return true;
    case WM_LINK_OPENED:
        result = OnLinkOpened();
        return true;
    case WM_LINK_CLOSED:
        result = OnLinkClosed();
        return true;
    case WM_LINK_ERROR:
        result = OnLinkError(wParam, lParam);
        return true;
    case WM_ALREADY_RUNNING:
        result = OnAlreadyRunning();
        return true;
    case WM_STARTUP_CONNECT:
        m_link.Connect();
        result = 0;
        return true;
    case WM_STARTUP_KEYS:
        RegisterPresenterKeys();
        result = 0;
        return true;
    case WM_HOTKEY:
        OnPresenterKey(static_cast<int>(wParam));
        result = 0;
        return true;
    case WM_QUERYENDSESSION:
        OnSessionEnding(true);
        result = TRUE;
        return true;
    case WM_ENDSESSION:
        OnSessionEnding(wParam != FALSE);
        result = 0;
        return true;
    default:
        return false;
    }
}

// Minimised, the console paints its icon centred in the client area.
bool CConsoleDlg::OnPaint()
{
    if (!IsIconic(GetHwnd())) return false;
    const PaintScope paint(GetHwnd());
    SendMessageA(GetHwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
    RECT client;
    GetClientRect(GetHwnd(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(paint.get(), x, y, m_hIcon);
    return true;
}

// The user's session ends with the console open: the system ends the process
// without the usual exit, so the end-of-run save happens now. A cancelled end
// leaves it for later.
void CConsoleDlg::OnSessionEnding(bool ending)
{
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return;
    if (ending)
        app->SaveAtEnd();
    else
        app->EndCancelled();
}

// The window goes: the link ends, and the presenter keys and the
// single-instance mark come off while the window is still there to take them
// from.
void CConsoleDlg::OnDestroy()
{
    ReleasePresenterKeys();
    m_link.Shutdown();
    m_toolTip.reset();
    m_instanceMark.Reset();
}

LRESULT CConsoleDlg::OnLinkOpened()
{
    SetLinkTitle(36);
    return 0;
}

LRESULT CConsoleDlg::OnLinkClosed()
{
    SetLinkTitle(m_link.OnWorkerEnded() ? 36 : 37);
    return 0;
}

LRESULT CConsoleDlg::OnLinkError(WPARAM code, LPARAM /*extra*/)
{
    ShowLinkError(static_cast<int>(code));
    return 0;
}
