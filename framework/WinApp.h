// The application object: one global instance of a class derived from
// WinApp, reached from everywhere through AfxGetApp. The entry point runs
// InitInstance, a message loop only when it returns TRUE, then ExitInstance.
#pragma once

#include <windows.h>

#include <string>

class Dialog;

class WinApp {
public:
    WinApp();
    virtual ~WinApp();
    WinApp(const WinApp&) = delete;
    WinApp& operator=(const WinApp&) = delete;

    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return m_exitCode; }
    // Commands no window handled (menu items); true when handled.
    virtual bool OnCommand(UINT /*id*/) { return false; }

    // The title of message boxes without a caption of their own: the
    // executable's file name without its extension.
    const std::string& AppTitle() const { return m_appTitle; }
    // A message box owned by no window, titled with AppTitle. An OK box
    // without an icon gets the exclamation icon.
    int ShowMessage(const char* text, UINT type) const;

    // Called by the entry point.
    int Run();

    Dialog* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;

private:
    std::string m_appTitle;
    int m_exitCode = 0;
};

// The application object, or null when none exists (tests of single parts).
WinApp* AfxGetApp();
