#include "InProcessConsole.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>

namespace {

struct PendingCheck {
    Dialog* dialog;
    const std::function<void()>* check;
    const std::function<void(HWND)>* finish;
    bool ran = false;
};

// By thread timer: a check may itself run a dialog with a check of its own.
std::map<UINT_PTR, PendingCheck*> gPending;

// A thread timer: dispatched by the dialog's modal loop once it runs.
void CALLBACK RunPendingCheck(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    const auto found = gPending.find(timer);
    if (found == gPending.end()) return;
    PendingCheck& pending = *found->second;
    HWND hwnd = pending.dialog->GetHwnd();
    if (hwnd == nullptr) return;  // not up (any more): the check did not run
    pending.ran = true;
    (*pending.check)();
    (*pending.finish)(hwnd);
}

}  // namespace

TestApp::TestApp()
{
    LoadMessageDefaults();
    m_valueTable = BuiltInValueTable();
    m_hasCustomFont = 0;
    ResetSettings();
}

INT_PTR RunModalCheck(Dialog& dialog, const std::function<void()>& check, const std::function<void(HWND)>& finish)
{
    PendingCheck pending{&dialog, &check, &finish};
    const UINT_PTR timer = SetTimer(nullptr, 0, 1, &RunPendingCheck);
    gPending[timer] = &pending;
    const INT_PTR result = dialog.DoModal();
    KillTimer(nullptr, timer);
    gPending.erase(timer);
    if (result == -1) ADD_FAILURE() << "the dialog could not be made";
    if (!pending.ran) ADD_FAILURE() << "the check did not run inside the dialog";
    return result;
}

INT_PTR RunConsole(TestApp& app, const std::function<void(CConsoleDlg&)>& check)
{
    CConsoleDlg console(nullptr);
    app.m_pMainWnd = &console;
    const INT_PTR result = RunModalCheck(
        console, [&] { check(console); }, [](HWND hwnd) { PostMessageA(hwnd, WM_CLOSE, 0, 0); });
    app.m_pMainWnd = nullptr;
    return result;
}

INT_PTR RunSettingsDialog(TestApp& app, const std::function<void(CSettingsDlg&)>& check,
                          const std::function<void(HWND)>& finish, HWND owner)
{
    static const bool controlsReady = [] {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    EXPECT_TRUE(controlsReady);
    CSettingsDlg dialog(owner, {app.m_settings, &app.m_messages, app.LanguageFont()});
    const INT_PTR result = RunModalCheck(dialog, [&] { check(dialog); }, finish);
    if (result == IDOK) {
        app.m_settings = dialog.Settings();
        app.SaveSettings();
    }
    return result;
}
