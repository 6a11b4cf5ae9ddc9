// Runs the real console dialog, or another of the program's dialogs, inside
// the test process, with an application object the test has prepared, for
// what cannot be read from another process under Wine (menus, fonts, check
// marks). The check runs inside the dialog's own modal loop, then the dialog
// is ended.
#pragma once

#include <functional>

#include "BeamdeskApp.h"
#include "ConsoleDlg.h"
#include "SettingsDlg.h"

// An application object with the built-in texts and channel list, as after a
// start without INI files or settings key.
class TestApp : public CBeamdeskApp {
public:
    TestApp();

    // What a test prepares before it runs a dialog, and reads after.
    using CBeamdeskApp::m_consoleFont;
    using CBeamdeskApp::m_hasCustomFont;
    using CBeamdeskApp::m_messages;
    using CBeamdeskApp::m_settings;
    using CBeamdeskApp::m_valueTable;
};

// Runs `dialog` modally; once its loop runs, `check` runs inside it, then
// `finish` ends it (given the dialog's window). Adds a test failure when the
// dialog could not be made or the check never ran. Returns what DoModal
// returned.
INT_PTR RunModalCheck(Dialog& dialog, const std::function<void()>& check, const std::function<void(HWND)>& finish);

// Runs `check` once the console is up, then closes it. Returns what DoModal
// returned.
INT_PTR RunConsole(TestApp& app, const std::function<void(CConsoleDlg&)>& check);

// Opens the settings dialog over `app` as the console's Settings command does
// (OK stores and saves the edited record), runs `check` once it is up, then
// ends it with `finish`. Returns what DoModal returned.
INT_PTR RunSettingsDialog(TestApp& app, const std::function<void(CSettingsDlg&)>& check,
                          const std::function<void(HWND)>& finish, HWND owner = nullptr);
