// The console as a user meets it: texts from the catalogue or a language file,
// tooltips, fonts, and the keys that must do nothing.
#include <gtest/gtest.h>

#include "ProgramHarness.h"
#include "resource.h"

namespace {

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override { ClearProgramRegistry(); }
    void TearDown() override { ClearProgramRegistry(); }

    // Starts the program and waits for its console.
    HWND Start()
    {
        m_program = std::make_unique<RunningProgram>(m_folder.Executable());
        return m_program->WaitForConsole();
    }
    void Close()
    {
        PostMessageA(m_program->Console(), WM_CLOSE, 0, 0);
        EXPECT_NE(m_program->WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
    }

    ProgramFolder m_folder;
    std::unique_ptr<RunningProgram> m_program;
};

void PressKey(WORD key)
{
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

}  // namespace

TEST_F(ConsoleTest, BuiltInTextsAndTooltips)
{
    HWND console = Start();
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(WindowText(console), "Beamdesk V1.00 [Disconnect]");

    const struct {
        int id;
        const char* caption;
        const char* tip;  // null: the control has no tooltip
    } controls[] = {
        {IDC_POWER, "Power", "Power"},           {IDC_COMPUTER1, "Computer1", "Computer1"},
        {IDC_COMPUTER2, "Computer2", "Computer2"}, {IDC_COMPUTER, "Computer", "Computer"},
        {IDC_QUILLAN, "Quillan", "Quillan"},     {IDC_VIDEO, "Video", "Video"},
        {IDC_SVIDEO, "S-Video", "S-Video"},      {IDC_AVMUTE, "A/VMute", "A/VMute"},
        {IDC_FREEZE, "Freeze", "Freeze"},        {IDC_CC, "CC", "Closed Caption"},
        {IDC_VOLUME_LABEL, "Volume", nullptr},   {IDC_VOLUME_DOWN, "-", "-"},
        {IDC_VOLUME_UP, "+", "+"},               {IDC_MODE, "", "Mode change"},
    };
    HWND tooltip = FindToolTip(*m_program);
    ASSERT_NE(tooltip, nullptr);
    for (const auto& c : controls) {
        EXPECT_EQ(ControlText(console, c.id), c.caption) << c.id;
        const auto tip = ToolTipText(*m_program, tooltip, GetDlgItem(console, c.id));
        if (c.tip == nullptr)
            EXPECT_FALSE(tip.has_value()) << c.id;
        else
            EXPECT_EQ(tip.value_or("<none>"), c.tip) << c.id;
    }
    Close();
}

// Menu texts and fonts cannot be read from another process under Wine; the
// in-process console tests cover them.
TEST_F(ConsoleTest, LanguageFileReplacesCaptionsAndTitle)
{
    std::string file = "[MESSAGE]\r\n35=Projektor\\nKonsole\r\n1=Strom\r\n37=Getrennt\r\n15=Ein/Aus\r\n";
    for (int id = 2; id <= 96; ++id)
        if (id != 35 && id != 37 && id != 15) file += std::to_string(id) + "=T" + std::to_string(id) + "\r\n";
    m_folder.WriteFile("Language.ini", file);

    HWND console = Start();
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(WindowText(console), "Projektor\nKonsole [Getrennt]");
    EXPECT_EQ(ControlText(console, IDC_POWER), "Strom");
    EXPECT_EQ(ControlText(console, IDC_VOLUME_LABEL), "T10");
    EXPECT_EQ(ControlText(console, IDC_COMPUTER), "T13");
    HWND tooltip = FindToolTip(*m_program);
    EXPECT_EQ(ToolTipText(*m_program, tooltip, GetDlgItem(console, IDC_POWER)).value_or(""), "Ein/Aus");
    EXPECT_EQ(ToolTipText(*m_program, tooltip, GetDlgItem(console, IDC_MODE)).value_or(""), "T95");
    Close();
}

TEST_F(ConsoleTest, EscapeAndF1DoNothing)
{
    HWND console = Start();
    ASSERT_NE(console, nullptr);
    SetForegroundWindow(console);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == console; }));

    PressKey(VK_ESCAPE);
    PressKey(VK_F1);
    SendMessageA(console, WM_HELP, 0, 0);
    // Keyboard input is handled in order: once Tab has moved the focus on,
    // Escape and F1 have been handled too.
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(m_program->ThreadId(), &gui));
    HWND focusBefore = gui.hwndFocus;
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitFor([&] {
        return GetGUIThreadInfo(m_program->ThreadId(), &gui) && gui.hwndFocus != focusBefore &&
               gui.hwndFocus != nullptr;
    }));
    EXPECT_FALSE(m_program->HasExited());
    EXPECT_TRUE(IsWindowVisible(console));
    EXPECT_EQ(m_program->Barrier().size(), 1u);  // the notice alone: no other prompt
    Close();
}

// With another program's window open beside it, closing the About box or the
// settings dialog gives the foreground back to the console, not to that
// window; after the settings dialog the focus is on the control that had it,
// or on Power when that one is hidden now.
TEST_F(ConsoleTest, ModalDialogsGiveTheConsoleBackTheForeground)
{
    RunningProgram other("C:\\windows\\notepad.exe");
    ASSERT_NE(other.WaitForWindow(), nullptr);
    HWND console = Start();
    ASSERT_NE(console, nullptr);
    SetForegroundWindow(console);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == console; }));
    HWND freeze = GetDlgItem(console, IDC_FREEZE);
    PostMessageA(console, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(freeze), TRUE);
    ASSERT_TRUE(WaitFor([&] { return m_program->Focus() == freeze; }));

    // Opens the dialog by its menu command and ends it with `button`, first
    // unticking Freeze when asked.
    const auto closeDialog = [&](UINT command, const char* title, int button, bool hideFreeze) {
        PostMessageA(console, WM_COMMAND, command, 0);
        HWND dialog = m_program->WaitForDialog(title);
        ASSERT_NE(dialog, nullptr) << title;
        if (hideFreeze) SendMessageA(GetDlgItem(dialog, IDC_SHOW_ADVANCE_FREEZE), BM_SETCHECK, BST_UNCHECKED, 0);
        PostMessageA(dialog, WM_COMMAND, button, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); })) << title;
    };
    const struct {
        const char* why;
        UINT command;
        const char* title;
        int button;
        bool hideFreeze;
        HWND focus;
    } cases[] = {
        {"About, OK", ID_APP_ABOUT, "Beamdesk V1.00", IDOK, false, freeze},
        {"Settings, Cancel", ID_SETTINGS, "Settings", IDCANCEL, false, freeze},
        {"Settings, OK hiding the focused button", ID_SETTINGS, "Settings", IDOK, true, GetDlgItem(console, IDC_POWER)},
    };
    for (const auto& c : cases) {
        closeDialog(c.command, c.title, c.button, c.hideFreeze);
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == console; })) << c.why;
        EXPECT_TRUE(WaitFor([&] { return m_program->Focus() == c.focus; })) << c.why;
    }
    EXPECT_FALSE(IsWindowVisible(freeze));
    Close();
}
