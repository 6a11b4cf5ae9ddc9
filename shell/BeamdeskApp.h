// The application object: the process's start-up and shutdown sequence and the
// state the console reaches through AfxGetApp (settings, catalogue, channel
// table, console font, command time-out, prompt fields). User-interface
// thread only.
#pragma once

#include <windows.h>

#include <string>

#include "AppSettings.h"
#include "MessageCatalogue.h"
#include "ProgramIni.h"
#include "WinApp.h"

// The single-instance mutex, and the console window property of the same name.
constexpr const char* kInstanceName = "Global\\BMDSK_Mutex";

class CBeamdeskApp : public WinApp {
public:
    CBeamdeskApp();
    ~CBeamdeskApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    bool OnCommand(UINT id) override;

    // Catalogue and INI files.
    void LoadMessageDefaults();
    int LoadLanguageFile();
    int LoadLanguageFont();
    std::string GetMessageText(unsigned id);
    void ResolveIniPaths();

    // Settings store.
    void ResetSettings();
    int LoadSettings();
    int SaveSettings();

    bool IsAnotherInstanceRunning();
    bool IsSupportedOs() const;

    // Runs the console modally, for the life of the process. The program
    // supplies it (it sits above the console); an application object without
    // a console shows nothing.
    virtual void RunConsole() {}

    AppSettings m_settings{};
    HANDLE m_hInstanceMutex = nullptr;
    std::string m_languageIniPath;
    std::string m_programIniPath;
    MessageCatalogue m_messages;
    LOGFONTA m_consoleFont{};
    int m_hasCustomFont = 1;
    // The console font the language file names, or null when it names none.
    const LOGFONTA* LanguageFont() const { return m_hasCustomFont == 1 ? &m_consoleFont : nullptr; }
    ValueTable m_valueTable;
    ValueTable m_pjlinkInputs;  // Beamdesk.ini's [PJLINK] entries, as the file has them
    int m_promptOpen = 0;
    HWND m_hPromptWnd = nullptr;
    int m_commandTimeoutMs = kDefaultCommandTimeoutMs;
    int m_consoleRan = 0;

private:
    void ActivateFirstInstance();
};

// The application object with its own type, or null when none exists.
inline CBeamdeskApp* GetBeamdeskApp()
{
    return static_cast<CBeamdeskApp*>(AfxGetApp());
}
