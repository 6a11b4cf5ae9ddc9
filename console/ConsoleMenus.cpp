// The menu bar's Settings and About. Settings closes the link and lets go of
// the presenter keys while the dialog is open (the dialog tries combinations
// itself, and ours would count as another program's), stores what OK leaves
// and lays the console out again, then registers the keys stored now and
// reopens the link with whatever address is stored now. Its Find... searches
// with the link's projector search.
#include "AboutBox.h"
#include "BeamdeskApp.h"
#include "ConsoleDlg.h"
#include "LinkFinder.h"
#include "SettingsDlg.h"
#include "resource.h"

void CConsoleDlg::OnSettings()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return;
    LinkFinder finder;  // for the dialog's Find...
    CSettingsDlg dialog(GetHwnd(), {app->Settings(), &app->Messages(), app->LanguageFont(), &finder});
    HWND focus = GetFocus();
    if (focus == nullptr) focus = GetDlgItem(IDC_POWER);
    m_link.Disconnect();
    ReleasePresenterKeys();

    m_activeChild = &dialog;
    const INT_PTR result = dialog.DoModal();
    m_activeChild = nullptr;
    if (result == IDOK) {
        app->StoreSettings(dialog.Settings());
        ConfigureLink();  // before the layout: the protocol may have changed
        LayoutButtons();
    }

    RegisterPresenterKeys();
    m_ipText = AddressText(app->Settings());
    ConfigureLink();
    if (_stricmp(m_ipText.c_str(), "0.0.0.0") != 0) m_link.Connect();

    if (!IsWindow(focus) || !IsWindowVisible(focus)) focus = GetDlgItem(IDC_POWER);
    SetFocus(focus);
    SendMessageA(GetHwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
}

void CConsoleDlg::OnAbout()
{
    CAboutBox about(GetHwnd());
    m_activeChild = &about;
    about.DoModal();
    m_activeChild = nullptr;
}
