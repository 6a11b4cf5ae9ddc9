// The console: the program's one permanent window, run modally by the
// application object for the life of the process. It carries the projector
// buttons, shows the link state in its title, owns the link and every prompt.
// The link is one member: buttons call it, its window messages and timers are
// handed to it, and it asks the console (as its client) what needs the user.
// The presenter keys the settings name are the console's global hot keys once
// it is on screen, let go while the settings dialog is open and when the
// window goes; each presses its button.
// User-interface thread only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ConsoleButton.h"
#include "ConsoleButtonOwner.h"
#include "Dialog.h"
#include "Gdi.h"
#include "SettingsValues.h"
#include "UserObjects.h"

#include "LinkClient.h"
#include "Placement.h"
#include "ProjectorLink.h"
#include "PromptStack.h"
#include "ReplyHandling.h"

class CConsoleDlg : public Dialog, public ConsoleButtonOwner, private LinkClient {
public:
    explicit CConsoleDlg(HWND parent);
    ~CConsoleDlg() override;

    bool PreTranslateMessage(MSG& msg) override;

    // What tests and diagnostics read of the console.
    CConsoleButton& CaptionButton() { return m_ccButton; }
    const CConsoleButton& CaptionButton() const { return m_ccButton; }
    const CConsoleButton& ModeButton() const { return m_modeButton; }
    const std::vector<CcItem>& CaptionItems() const { return m_ccItems; }
    const std::string& AddressShown() const { return m_ipText; }
    // Whether the presenter key of kPresenterKeys[index] is registered now.
    bool PresenterKeyActive(std::size_t index) const { return m_presenterKeys[index].Active(); }

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Start-up.
    void SetCaptions();
    void ApplyFonts();
    void SetMenuTexts();
    void FillDropDowns();
    void SetLinkTitle(unsigned stateId);
    void AddToolTips();
    bool OnPaint();
    void OnDestroy();
    void OnSessionEnding(bool ending);

    // Prompts.
    void ShowLinkError(int code) override;
    int HookedMessageBox(const char* text, const char* caption, UINT type);
    LRESULT OnAlreadyRunning();

    // The console button's owner.
    void OnCcDropDown() override;
    int LayoutMode() const override;

    // Layout and placement.
    void LayoutButtons();
    void PlaceRowAfterPower(const AppSettings& settings);
    void PlaceVolumeRow(bool shown);
    void FitFrameAndWindow();
    void PlaceButton(int id, bool show, int dx, int dy, bool absolute);
    void PlaceInitially();
    void KeepInWorkArea();
    void FitHeightToFrame();
    // The work area of the monitor the console is on.
    PixelBox WorkArea() const;
    void OnWindowPosChanging(WINDOWPOS& pos);
    void OnSettingChange();

    // Menus and the mode drop-down.
    void OnSettings();
    void OnAbout();
    void OnAdvancedMode();
    void OnSimpleMode();
    void SwitchMode(std::uint8_t mode);

    // Commands, and what the link asks of the user.
    void OnButton(int controlId);
    void OnVideo();
    // The presenter keys the settings name: registered as far as the system
    // lets us (a key another program holds stays unregistered; the settings
    // dialog says so), and let go.
    void RegisterPresenterKeys();
    void ReleasePresenterKeys();
    void OnPresenterKey(int buttonId);
    void OnCcItem(UINT id);
    bool ConfirmPowerOff() override;
    void ShowCaptionMenu(int tickedCommandId) override;
    // The link's settings as they stand in the application's record now.
    void ConfigureLink();

    LRESULT OnLinkOpened();
    LRESULT OnLinkClosed();
    LRESULT OnLinkError(WPARAM code, LPARAM extra);

    CConsoleButton m_modeButton;
    CConsoleButton m_ccButton;
    // "-", "+" and the frame: bound only to tell a screen reader their names.
    Window m_volumeDown;
    Window m_volumeUp;
    Window m_frame;
    HICON m_hIcon = nullptr;
    int m_layoutLastGroup = 0;
    int m_layoutLastId = 0;
    int m_layoutCount = 0;
    std::string m_ipText;
    Font m_volumeFont;
    Font m_customFont;
    std::vector<CcItem> m_ccItems;
    RECT m_lastRect{};
    UniqueWindow m_toolTip;
    Dialog* m_activeChild = nullptr;  // the settings dialog or the About box while open
    WindowProperty m_instanceMark;    // the single-instance property on the console
    PromptStack m_prompts;
    HotkeyRegistration m_presenterKeys[kPresenterKeyCount];  // as kPresenterKeys; id = the button's
    ProjectorLink m_link{*this};
};
