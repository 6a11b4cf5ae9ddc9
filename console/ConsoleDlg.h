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

#include "Placement.h"
#include "ReplyHandling.h"

class CClientThread;

// The longest command the program can send is a caption choice: "CCAP ", a
// value of up to 259 characters from Beamdesk.ini, and CR. The buffer holds it
// whole; nothing longer is ever sent, or cut.
constexpr std::size_t kCommandBufferSize = 272;
static_assert(kCommandBufferSize > 5 + 259 + 1, "room for the longest caption command");

class CConsoleDlg : public Dialog, public ConsoleButtonOwner {
public:
    explicit CConsoleDlg(HWND parent);
    ~CConsoleDlg() override;

    bool PreTranslateMessage(MSG& msg) override;

    // Link operations, in their virtual slot order (defined with the link).
    virtual int StartWorker();
    virtual void StopWorker();
    virtual BOOL Connect();
    virtual void BuildHandshake(unsigned char type, unsigned char* record);
    virtual void Disconnect();
    // Prompts.
    virtual int ShowLinkError(int code, int extra);

    int ProbeProjector();
    void SendCommand(const std::string& text, BOOL expectReply, BOOL allowOpen);

    int HookedMessageBox(const char* text, const char* caption, UINT type);
    void OnCcDropDown() override;

    // Layout and placement.
    void LayoutButtons();
    void PlaceButton(int id, bool show, int dx, int dy, bool absolute);
    void PlaceInitially();
    void KeepInWorkArea();
    void FitHeightToFrame();
    static PixelBox WorkArea();

    CConsoleButton m_modeButton;
    CConsoleButton m_ccButton;
    HICON m_hIcon = nullptr;
    char m_szCommand[kCommandBufferSize];
    int m_layoutLastGroup = 0;
    int m_layoutLastId = 0;
    int m_layoutCount = 0;
    std::string m_ipText;
    std::vector<std::string> m_followUps;
    BOOL m_bExpectReply = FALSE;
    UINT_PTR m_keepAliveTimer = 0;
    Font m_volumeFont;
    std::vector<CcItem> m_ccItems;
    BOOL m_bReady = FALSE;
    RECT m_lastRect{};
    BOOL m_linkErrorShowing = FALSE;
    HWND m_toolTip = nullptr;
    Font m_customFont;
    CClientThread* m_pWorker = nullptr;  // owned; deleted once its thread has ended
    int m_nPhase = kPhaseNone;
    BOOL m_bSessionOpen = FALSE;
    bool m_bCcQuery = false;  // the outstanding command is the CC query
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

    // Menus and the mode drop-down.
    void OnSettings();
    void OnAbout();
    void OnAdvancedMode();
    void OnSimpleMode();
    void SwitchMode(std::uint8_t mode);
    // Placement messages.
    void OnWindowPosChanging(WINDOWPOS& pos);
    void OnSettingChange();

    // Commands and replies.
    void OnButton(int controlId);
    void OnVideo();
    void OnCcItem(UINT id);
    void OnTimer(UINT_PTR id);
    LRESULT OnReplyLine(const char* text, std::size_t length);
    void ReleaseSender();
    // A worker whose thread has ended is deleted and forgotten.
    void ReapEndedWorker();

    LRESULT OnLinkOpened();
    LRESULT OnLinkClosed();
    LRESULT OnLinkError(WPARAM code, LPARAM extra);
    LRESULT OnAlreadyRunning();

    static LRESULT CALLBACK PromptHookProc(int code, WPARAM wParam, LPARAM lParam);
};
