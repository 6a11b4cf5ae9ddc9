// The console: the program's one permanent window, run modally by the
// application object for the life of the process. It carries the projector
// buttons, shows the link state in its title, owns the link and every prompt.
// User-interface thread only; the link worker reaches it through its window's
// messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ConsoleButton.h"
#include "ConsoleButtonOwner.h"
#include "Dialog.h"
#include "Gdi.h"

// One entry of the CC drop-down.
struct CcItem {
    int commandId;          // 2000 + index
    std::string replyText;  // "CCAP=" + the channel's value
};

class CConsoleDlg : public Dialog, public ConsoleButtonOwner {
public:
    explicit CConsoleDlg(HWND parent);
    ~CConsoleDlg() override;

    bool PreTranslateMessage(MSG& msg) override;

    // Link operations (the link's own files define them).
    virtual void StopWorker();
    // Prompts.
    virtual int ShowLinkError(int code, int extra);

    int HookedMessageBox(const char* text, const char* caption, UINT type);
    void OnCcDropDown() override;

    // Layout and placement.
    void LayoutButtons();
    void PlaceInitially();

    CConsoleButton m_modeButton;
    CConsoleButton m_ccButton;
    HICON m_hIcon = nullptr;
    char m_szCommand[64];
    int m_layoutLastGroup = 0;
    int m_layoutLastId = 0;
    int m_layoutCount = 0;
    std::string m_ipText;
    std::vector<std::string> m_followUps;
    BOOL m_bExpectReply = FALSE;
    UINT_PTR m_keepAliveTimer = 0;
    Font m_volumeFont;
    std::vector<CcItem> m_ccItems;
    BOOL m_bReady = TRUE;
    RECT m_lastRect{};
    BOOL m_linkErrorShowing = FALSE;
    HWND m_toolTip = nullptr;
    Font m_customFont;
    Dialog* m_activeChild = nullptr;
    HHOOK m_hCbtHook = nullptr;
    int m_promptDepth = 0;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void SetCaptions();
    void ApplyFonts();
    void SetMenuTexts();
    void FillDropDowns();
    void SetLinkTitle(unsigned stateId);
    void AddToolTips();
    bool OnPaint();
    void OnDestroy();

    LRESULT OnLinkOpened();
    LRESULT OnLinkClosed();
    LRESULT OnLinkError(WPARAM code, LPARAM extra);
    LRESULT OnAlreadyRunning();

    static LRESULT CALLBACK PromptHookProc(int code, WPARAM wParam, LPARAM lParam);
};
