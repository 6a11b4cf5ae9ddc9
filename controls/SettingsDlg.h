// The settings dialog: start-up registration, projector address (Find...
// searches the network for one and fills in its address and protocol), the
// protocol the projector speaks, its password, the buttons each console
// layout shows and the presenter keys. Each protocol has a password of its
// own; the field edits the one of the protocol chosen, and switching the
// protocol shows the other. It edits a copy of the record it is given; after
// OK the caller takes the edited copy (and stores it), after Cancel nothing
// has changed. The layout mode is not edited here and survives OK as it was.
//
// Beside each presenter key the dialog says when the key cannot work: another
// program holds the combination (tried with the dialog's own window, and let
// go at once), or a key above has the same one. It looks when it opens, on
// every change and on OK; an OK that finds something not shown yet keeps the
// dialog open to show it, and the next OK stores the keys as they are. The
// console must let go of its own keys while the dialog is open, or they would
// count as another program's. Backspace and Delete clear a key.
//
// User-interface thread only; a stack object of the console's Settings
// command.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "AppSettings.h"
#include "Dialog.h"
#include "Gdi.h"
#include "MessageCatalogue.h"
#include "PasswordEdit.h"
#include "ProjectorFinder.h"
#include "SettingsValues.h"

// The IP-address control, borrowed from the dialog: the few messages the
// dialog sends it. Addresses are packed, first octet most significant.
class IpAddressControl {
public:
    void Attach(HWND hwnd) { m_hwnd = hwnd; }
    HWND GetHwnd() const { return m_hwnd; }

    void SetAddress(std::uint32_t packed) const;
    // A blank field reads as 0.
    std::uint32_t GetAddress() const;
    void SetFieldRange(int field, std::uint8_t low, std::uint8_t high) const;

private:
    HWND m_hwnd = nullptr;
};

// What the dialog opens with.
struct SettingsDialogInput {
    AppSettings settings{};             // the record to edit
    MessageCatalogue* texts = nullptr;  // its captions; none: the template's own
    const LOGFONTA* font = nullptr;     // the language file's font, if there is one
    ProjectorFinder* finder = nullptr;  // what Find... searches with; none: the button is off
};

class CSettingsDlg : public Dialog {
public:
    CSettingsDlg(HWND parent, const SettingsDialogInput& input);
    ~CSettingsDlg() override;

    // After OK: the record as the user left it.
    const AppSettings& Settings() const { return m_settingsCopy; }

    // What tests read of the dialog: the password field's object and the
    // language file's font on the other controls (null without one).
    const CPasswordEdit& PasswordField() const { return m_passwordEdit; }
    HFONT DialogFont() const { return m_dialogFont.get(); }

    bool PreTranslateMessage(MSG& msg) override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

private:
    std::string Text(unsigned id) const;
    void SetCaptions();
    // The language file's font on every control but the password field;
    // returns the point size for the password font.
    int ApplyDialogFont();
    void ApplyPasswordFont(int pointSize);
    void FillProtocols();
    // Members to controls (with the password field's limit), and back.
    void ValuesToControls();
    void ValuesFromControls();
    // The password of the protocol shown: kept from the field, or shown in it.
    std::string& ShownPassword();
    void ShowPassword();
    void OnProtocolChanged();
    // Find...: the Find dialog; its choice fills in the address and protocol.
    void OnFind();
    // The keys as the hot-key controls report them.
    void ReadKeys(std::uint16_t (&keys)[kPresenterKeyCount]) const;
    KeyStatus StatusOf(const std::uint16_t (&keys)[kPresenterKeyCount], std::size_t index) const;
    // Looks at every key and shows what it finds; true when something is
    // shown now that was not before.
    bool CheckKeys();

    IpAddressControl m_ipAddress;
    BOOL m_showFlags[kShowFlagBoxCount] = {};  // one per check box, as kShowFlagBoxes
    BOOL m_startUp = FALSE;
    int m_protocol = kProtocolNative;          // the drop-down's entry
    std::string m_password;                    // the native protocol's
    std::string m_pjlinkPassword;
    KeyStatus m_keyStatus[kPresenterKeyCount] = {};  // what the status texts show
    CPasswordEdit m_passwordEdit;
    // The address field and the protocol drop-down, bound to carry their
    // labels' names for a screen reader (the system looks that up for an edit
    // field only).
    Window m_addressName;
    Window m_protocolName;
    Window m_keyNames[kPresenterKeyCount];  // ... and the presenter keys
    AppSettings m_settingsCopy{};
    Font m_passwordFont;
    Font m_dialogFont;
    MessageCatalogue* m_texts;
    const LOGFONTA* m_languageFont;
    ProjectorFinder* m_finder;
};
