#include "AboutBox.h"

#include "BeamdeskApp.h"
#include "resource.h"

CAboutBox::CAboutBox(HWND parent) : Dialog(IDD_ABOUTBOX, parent) {}

BOOL CAboutBox::OnInitDialog()
{
    Dialog::OnInitDialog();
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return TRUE;
    SetWindowTextA(GetDlgItem(IDC_ABOUT_VERSION), app->GetMessageText(75).c_str());
    SetWindowTextA(GetDlgItem(IDC_ABOUT_NOTICE), app->GetMessageText(74).c_str());
    SetWindowTextA(GetDlgItem(IDOK), app->GetMessageText(45).c_str());
    SetWindowTextA(GetHwnd(), app->GetMessageText(73).c_str());
    if (const LOGFONTA* font = app->LanguageFont()) {
        m_font = FontAtScreenDpi(*font);
        for (int id : {IDC_ABOUT_VERSION, IDC_ABOUT_NOTICE, IDOK})
            SendMessageA(GetDlgItem(id), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), TRUE);
    }
    return TRUE;
}

bool CAboutBox::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result)
{
    if (msg != WM_HELP) return false;
    result = TRUE;  // F1 does nothing
    return true;
}
