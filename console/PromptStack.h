// The console's prompts on screen: every message box the console shows goes
// through Show. A thread CBT hook notes each prompt's window as it is
// activated, so a prompt raised while another is open (timers, link messages
// and a second start keep running in the box's modal loop) is owned by the
// one on screen, and the already-running notice can be given the focus again.
// User-interface thread only; one per console.
#pragma once

#include <windows.h>

#include "UserObjects.h"

class PromptStack {
public:
    // `mainWindow`: the console, whose own activation is not a prompt's.
    explicit PromptStack(HWND mainWindow = nullptr) : m_mainWindow(mainWindow) {}
    void SetMainWindow(HWND mainWindow) { m_mainWindow = mainWindow; }

    // A message box owned by the prompt on screen, else by `owner`; returns
    // the button pressed.
    int Show(HWND owner, const char* text, const char* caption, UINT type);
    // The prompt on screen (the latest), or null.
    HWND OnScreen() const { return m_onScreen; }

    // Prompts that are shown once at a time: a second request while one is
    // open does nothing (the already-running notice is focused again).
    bool NoticeOpen() const { return m_noticeOpen; }
    void SetNoticeOpen(bool open) { m_noticeOpen = open; }
    bool LinkErrorOpen() const { return m_linkErrorOpen; }
    void SetLinkErrorOpen(bool open) { m_linkErrorOpen = open; }

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);

    HWND m_mainWindow;
    UniqueHook m_hook;  // set while a prompt is on screen
    int m_depth = 0;
    HWND m_onScreen = nullptr;
    bool m_noticeOpen = false;
    bool m_linkErrorOpen = false;
};
