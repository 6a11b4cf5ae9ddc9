// The application object: the process's start-up and shutdown sequence and the
// state the console reaches through AfxGetApp (settings, catalogue, channel
// table, PJLink input codes, console font, command time-out). Others read it;
// only the object itself writes it, the console through the two changes it
// makes (the layout chosen, the settings dialog's record). User-interface
// thread only.
#pragma once

#include <windows.h>

#include <string>

#include "AppSettings.h"
#include "Handle.h"
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

    // What the console reads.
    const AppSettings& Settings() const { return m_settings; }
    MessageCatalogue& Messages() { return m_messages; }  // a lookup of an unknown id inserts it
    const ValueTable& CaptionChannels() const { return m_valueTable; }
    // Beamdesk.ini's [PJLINK] entries, as the file has them.
    const ValueTable& PjlinkInputs() const { return m_pjlinkInputs; }
    int CommandTimeoutMs() const { return m_commandTimeoutMs; }
    // The console font the language file names, or null when it names none.
    const LOGFONTA* LanguageFont() const { return m_hasCustomFont == 1 ? &m_consoleFont : nullptr; }

    // What the console changes. The layout chosen reaches the registry with
    // the next save; the settings dialog's record is saved at once.
    void SetLayoutMode(std::uint8_t mode) { m_settings.mode = mode; }
    void StoreSettings(const AppSettings& settings);

    // The end of a run in which the console was shown: the settings are
    // saved and the Run value rewritten, once. Called by ExitInstance, and by
    // the console when the user's session ends with it open (the system ends
    // the process without ExitInstance then). A session end that is
    // cancelled lets the next end save again.
    void SaveAtEnd();
    void EndCancelled() { m_savedAtEnd = false; }

protected:
    // Filled by the start-up sequence (a test's own application object may
    // prepare them instead).
    AppSettings m_settings{};
    std::string m_languageIniPath;
    std::string m_programIniPath;
    MessageCatalogue m_messages;
    LOGFONTA m_consoleFont{};
    int m_hasCustomFont = 1;
    ValueTable m_valueTable;
    ValueTable m_pjlinkInputs;
    int m_commandTimeoutMs = kDefaultCommandTimeoutMs;
    int m_consoleRan = 0;

private:
    void ActivateFirstInstance();

    UniqueHandle m_instanceMutex;  // held by the first instance until it exits
    bool m_savedAtEnd = false;
};

// The application object with its own type, or null when none exists.
inline CBeamdeskApp* GetBeamdeskApp()
{
    return static_cast<CBeamdeskApp*>(AfxGetApp());
}
