// The presenter keys of the real program, pressed as a user presses them
// (keyboard input from this process) while another program is in front: each
// does what its button does, against the projector simulator, prompts
// included; and the settings dialog's report of a combination that another
// program (this test process) holds, with the console's own keys let go while
// the dialog is open and registered again after it.
#include "LinkFixture.h"

#include <commctrl.h>

#include <initializer_list>
#include <iterator>
#include <vector>

#include "UserObjects.h"
#include "resource.h"

namespace {

constexpr std::uint16_t kCtrlAlt = (HOTKEYF_CONTROL | HOTKEYF_ALT) << 8;
constexpr UINT kCtrlAltMods = MOD_CONTROL | MOD_ALT;
const std::string kTaken = "In use by another program";

// Presses the keys in order and lets them go in reverse, as one chord.
void PressChord(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> input;
    for (const WORD key : keys) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = key;
        input.push_back(down);
    }
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
        INPUT up{};
        up.type = INPUT_KEYBOARD;
        up.ki.wVk = *key;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        input.push_back(up);
    }
    SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

void PressCtrlAlt(WORD key)
{
    PressChord({VK_CONTROL, VK_MENU, key});
}

// Whether some other registration holds Ctrl+Alt+`key`: this process tries it
// and lets go at once. Only while the program is not registering itself, or
// the two trials could meet.
bool HeldElsewhere(UINT key)
{
    HotkeyRegistration trial;
    return !trial.Register(nullptr, 0x7F, kCtrlAltMods, key);
}

// Keys as the settings store them.
void StoreKeys(std::uint16_t avMute, std::uint16_t freeze, std::uint16_t power)
{
    AppSettings settings{};
    ResetSettings(settings);
    LoadSettings(settings);
    settings.hotkeyAvMute = avMute;
    settings.hotkeyFreeze = freeze;
    settings.hotkeyPower = power;
    SaveSettings(settings);
}

}  // namespace

class PresenterKeysTest : public LinkTest {
protected:
    // Another program's window, in front of the console.
    HWND BringOtherProgramForward()
    {
        if (!m_other) {
            m_other = std::make_unique<RunningProgram>("C:\\windows\\notepad.exe");
            m_otherWindow = m_other->WaitForWindow();
        }
        EXPECT_NE(m_otherWindow, nullptr);
        SetForegroundWindow(m_otherWindow);
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == m_otherWindow; }));
        return m_otherWindow;
    }

    // Presses Ctrl+Alt+`key` until something new reaches the projector (a
    // press while the previous command is unanswered is dropped, as for a
    // button).
    bool PressKeyUntilSent(WORD key)
    {
        return RepeatUntilSent([&] { PressCtrlAlt(key); });
    }

    void TearDown() override
    {
        m_other.reset();
        LinkTest::TearDown();
    }

    std::unique_ptr<RunningProgram> m_other;
    HWND m_otherWindow = nullptr;
};

// A/V Mute's and Freeze's keys send their buttons' query and follow-up; the
// other program stays in front and never sees the keys.
TEST_F(PresenterKeysTest, KeysSendTheirButtonsCommandsWithAnotherProgramInFront)
{
    auto& sim = Simulator();
    StoreKeys(kCtrlAlt | 'M', kCtrlAlt | 'F', 0);
    StartConnected();
    HWND other = BringOtherProgramForward();
    HWND otherText = FindWindowExA(other, nullptr, "Edit", nullptr);
    ASSERT_NE(otherText, nullptr);

    const struct {
        WORD key;
        std::function<void()> state;
        std::string sent;
    } cases[] = {
        {'M', [&] { sim.SetMute(true); }, "MUTE?\rMUTE OFF\r"},
        {'M', [&] { sim.SetMute(false); }, "MUTE?\rMUTE ON\r"},
        {'F', [&] { sim.SetFreeze(false); }, "FREEZE?\rFREEZE ON\r"},
        {'F', [&] { sim.SetFreeze(true); }, "FREEZE?\rFREEZE OFF\r"},
    };
    std::string expected;
    for (const auto& c : cases) {
        c.state();
        EXPECT_TRUE(PressKeyUntilSent(c.key)) << c.sent;
        expected += c.sent;
        EXPECT_TRUE(WaitForCommands(expected)) << Commands();
        // A button press after it proves nothing more was queued.
        EXPECT_TRUE(PressUntilSent(IDC_VOLUME_UP));
        expected += "KEY 57\r";
        EXPECT_TRUE(WaitForCommands(expected)) << Commands();
    }
    EXPECT_FALSE(sim.Freeze());
    EXPECT_TRUE(sim.Mute());
    EXPECT_EQ(GetForegroundWindow(), other);
    EXPECT_EQ(WindowText(otherText), "");
    EXPECT_EQ(m_program->Barrier().size(), 1u);  // no prompt
}

// Power's key asks "Power off?" as the button does and sends the power-off
// only after Yes; the question comes up with the console minimised too. While
// it is open a key presses nothing and brings it to the front, as a click on
// the disabled console would.
TEST_F(PresenterKeysTest, PowerKeyAsksAsTheButtonDoes)
{
    auto& sim = Simulator();
    StoreKeys(kCtrlAlt | 'M', 0, kCtrlAlt | 'P');
    HWND console = StartConnected();
    std::string expected;
    for (const int answer : {IDNO, IDYES}) {
        if (answer == IDYES) {
            PostMessageA(console, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            ASSERT_TRUE(WaitFor([&] { return IsIconic(console) != FALSE; }));
        }
        BringOtherProgramForward();
        sim.SetPower("03");
        EXPECT_TRUE(PressKeyUntilSent('P'));
        const Prompt question = m_program->WaitForPrompt();
        EXPECT_EQ(question.text, "Power off?");
        EXPECT_EQ(question.caption, "Beamdesk V1.00");
        EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
        if (answer == IDNO) {
            BringOtherProgramForward();
            PressCtrlAlt('M');
            EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == question.hwnd; }));
            EXPECT_EQ(m_program->Prompts().size(), 1u);
        }
        PostMessageA(question.hwnd, WM_COMMAND, answer, 0);
        ASSERT_TRUE(m_program->WaitForNoPrompt());
        expected += "PWSTATUS?\r";
        if (answer == IDYES) expected += "IMPWR OFF\r";
        EXPECT_TRUE(WaitForCommands(expected)) << Commands();
        EXPECT_TRUE(PressUntilSent(IDC_VOLUME_DOWN));
        expected += "KEY 56\r";
        EXPECT_TRUE(WaitForCommands(expected)) << Commands();
    }
    EXPECT_TRUE(WaitFor([&] { return sim.Power() == "01"; }));
}

// Keys set in the dialog are the console's after OK; one that another program holds is reported beside its field, stored all
// the same, reported again the next time the dialog opens (the console could
// not register it), and registered once it is free and the dialog closes.
// While the dialog is open the console's own keys are let go and not reported.
TEST_F(PresenterKeysTest, SettingsDialogReportsAnotherProgramsCombination)
{
    HWND console = Start().WaitForConsole();
    ASSERT_NE(console, nullptr);
    const auto openSettings = [&] {
        PostMessageA(console, WM_COMMAND, ID_SETTINGS, 0);
        HWND dialog = m_program->WaitForDialog("Settings");
        EXPECT_NE(dialog, nullptr);
        return dialog;
    };
    const auto closeSettings = [&](HWND dialog, int button) {
        PostMessageA(dialog, WM_COMMAND, button, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
        EXPECT_EQ(m_program->Barrier().size(), 1u);  // the console is done with the dialog, and no prompt came
    };
    const auto keyIn = [](HWND dialog, int field) {
        return LOWORD(SendMessageA(GetDlgItem(dialog, field), HKM_GETHOTKEY, 0, 0));
    };

    HotkeyRegistration freezeHeld;
    ASSERT_TRUE(freezeHeld.Register(nullptr, 0x70, kCtrlAltMods, 'F'));
    HWND dialog = openSettings();
    for (const int field : {IDC_HOTKEY_AVMUTE, IDC_HOTKEY_FREEZE, IDC_HOTKEY_POWER}) EXPECT_EQ(keyIn(dialog, field), 0);
    // A key typed alone gets Ctrl+Alt.
    SendMessageA(GetDlgItem(dialog, IDC_HOTKEY_AVMUTE), WM_KEYDOWN, 'M', 1);
    SendMessageA(GetDlgItem(dialog, IDC_HOTKEY_FREEZE), WM_KEYDOWN, 'F', 1);
    EXPECT_EQ(keyIn(dialog, IDC_HOTKEY_AVMUTE), kCtrlAlt | 'M');
    EXPECT_EQ(ControlText(dialog, IDC_HOTKEY_AVMUTE_STATUS), "");
    EXPECT_EQ(ControlText(dialog, IDC_HOTKEY_FREEZE_STATUS), kTaken);
    EXPECT_EQ(ControlText(dialog, IDC_HOTKEY_POWER_STATUS), "");
    closeSettings(dialog, IDOK);
    EXPECT_TRUE(HeldElsewhere('M'));

    dialog = openSettings();
    EXPECT_FALSE(HeldElsewhere('M')) << "let go while the dialog is open";
    EXPECT_EQ(keyIn(dialog, IDC_HOTKEY_FREEZE), kCtrlAlt | 'F');
    EXPECT_EQ(ControlText(dialog, IDC_HOTKEY_AVMUTE_STATUS), "");
    EXPECT_EQ(ControlText(dialog, IDC_HOTKEY_FREEZE_STATUS), kTaken);
    freezeHeld.Reset();
    closeSettings(dialog, IDCANCEL);
    EXPECT_TRUE(HeldElsewhere('M'));
    EXPECT_TRUE(HeldElsewhere('F'));

    PostMessageA(console, WM_CLOSE, 0, 0);
    ASSERT_NE(m_program->WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_FALSE(HeldElsewhere('M')) << "let go when the console ends";
    EXPECT_FALSE(HeldElsewhere('F'));
    AppSettings stored{};
    ResetSettings(stored);
    ASSERT_EQ(LoadSettings(stored), 1);
    EXPECT_EQ(stored.hotkeyAvMute, kCtrlAlt | 'M');
    EXPECT_EQ(stored.hotkeyFreeze, kCtrlAlt | 'F');
    EXPECT_EQ(stored.hotkeyPower, 0);
}
