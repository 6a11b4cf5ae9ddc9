// The console's menus, fonts and presenter keys, checked inside the process
// that owns them.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>

#include "AboutBox.h"
#include "InProcessConsole.h"
#include "LanguageFile.h"
#include "LinkMessages.h"
#include "TestFiles.h"
#include "resource.h"

namespace {

std::string MenuText(HMENU menu, UINT position)
{
    char text[256] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

HFONT FontOf(CConsoleDlg& console, int id)
{
    return reinterpret_cast<HFONT>(SendMessageA(console.GetDlgItem(id), WM_GETFONT, 0, 0));
}

LOGFONTA Describe(HFONT font)
{
    LOGFONTA description{};
    GetObjectA(font, sizeof description, &description);
    return description;
}

}  // namespace

TEST(ConsoleInProcess, MenusFontsAndDropDownsFromTheCatalogue)
{
    TestApp app;
    RunConsole(app, [](CConsoleDlg& console) {
        HMENU bar = GetMenu(console.GetHwnd());
        EXPECT_EQ(MenuText(bar, 0), "&File");
        EXPECT_EQ(MenuText(GetSubMenu(bar, 0), 0), "Exit");
        EXPECT_EQ(GetMenuItemID(GetSubMenu(bar, 0), 0), static_cast<UINT>(ID_APP_EXIT));
        EXPECT_EQ(MenuText(bar, 1), "&Tool");
        EXPECT_EQ(MenuText(GetSubMenu(bar, 1), 0), "Settings");
        EXPECT_EQ(MenuText(bar, 2), "&Help");
        EXPECT_EQ(MenuText(GetSubMenu(bar, 2), 0), "About Beamdesk");
        EXPECT_EQ(GetMenuItemID(GetSubMenu(bar, 2), 0), static_cast<UINT>(ID_APP_ABOUT));

        // No language font: the template font everywhere but "-" and "+".
        const HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(console.GetHwnd(), WM_GETFONT, 0, 0));
        EXPECT_EQ(FontOf(console, IDC_POWER), dialogFont);
        EXPECT_EQ(FontOf(console, IDC_MODE), dialogFont);
        const LOGFONTA volume = Describe(FontOf(console, IDC_VOLUME_UP));
        EXPECT_EQ(FontOf(console, IDC_VOLUME_DOWN), FontOf(console, IDC_VOLUME_UP));
        EXPECT_STREQ(volume.lfFaceName, "Arial");
        EXPECT_EQ(volume.lfHeight, 20);
        EXPECT_EQ(volume.lfWeight, FW_NORMAL);

        // Drop-downs: the default channels and the two modes.
        EXPECT_EQ(console.CaptionButton().GetItemText(0), "OFF");
        EXPECT_EQ(console.CaptionButton().GetItemText(2), "CC2");
        EXPECT_EQ(console.CaptionButton().GetItemText(3), "");
        ASSERT_EQ(console.CaptionItems().size(), 3u);
        EXPECT_EQ(console.CaptionItems()[1].commandId, 2001);
        EXPECT_EQ(console.CaptionItems()[1].replyText, "CCAP=11");
        EXPECT_EQ(console.ModeButton().GetItemText(0), "Simple Mode");
        EXPECT_EQ(console.ModeButton().GetItemText(1), "Advanced Mode");
        EXPECT_EQ(console.AddressShown(), "0.0.0.0");
    });
}

TEST(ConsoleInProcess, LanguageFileSuppliesMenusAndFont)
{
    ScratchFolder folder;
    const std::string path = folder.Write(
        "Language.ini",
        "[MESSAGE]\r\n29=&Datei\r\n30=Beenden\r\n31=&Werkzeug\r\n32=Einstellungen\r\n33=&Hilfe\r\n34=Info\r\n"
        "42=Einfach\r\n43=Erweitert\r\n"
        "[SYSTEM]\r\nfont=Tahoma\r\nsize=-11\r\ncharset=0\r\n");
    TestApp app;
    ApplyLanguageFile(app.m_messages, path);
    app.m_hasCustomFont = LoadLanguageFont(path, app.m_consoleFont);
    ASSERT_EQ(app.m_hasCustomFont, 1);

    RunConsole(app, [](CConsoleDlg& console) {
        HMENU bar = GetMenu(console.GetHwnd());
        EXPECT_EQ(MenuText(bar, 0), "&Datei");
        EXPECT_EQ(MenuText(GetSubMenu(bar, 0), 0), "Beenden");
        EXPECT_EQ(MenuText(bar, 1), "&Werkzeug");
        EXPECT_EQ(MenuText(GetSubMenu(bar, 1), 0), "Einstellungen");
        EXPECT_EQ(MenuText(bar, 2), "&Hilfe");
        EXPECT_EQ(MenuText(GetSubMenu(bar, 2), 0), "Info");
        EXPECT_EQ(console.ModeButton().GetItemText(0), "Einfach");

        // The language font on the listed controls only.
        const HFONT custom = FontOf(console, IDC_POWER);
        EXPECT_STREQ(Describe(custom).lfFaceName, "Tahoma");
        EXPECT_EQ(Describe(custom).lfHeight, -11);
        for (int id : {IDC_COMPUTER1, IDC_COMPUTER2, IDC_COMPUTER, IDC_QUILLAN, IDC_VIDEO, IDC_SVIDEO, IDC_AVMUTE,
                       IDC_FREEZE, IDC_CC, IDC_VOLUME_LABEL})
            EXPECT_EQ(FontOf(console, id), custom) << id;
        for (int id : {IDC_VOLUME_UP, IDC_VOLUME_DOWN, IDC_MODE, IDC_FRAME}) EXPECT_NE(FontOf(console, id), custom) << id;
        EXPECT_STREQ(Describe(FontOf(console, IDC_VOLUME_UP)).lfFaceName, "Arial");
    });
}

// Only the first 20 channels get a drop-down entry; an empty list gives none.
TEST(ConsoleInProcess, DropDownTakesAtMostTwentyChannels)
{
    for (std::size_t channels : {std::size_t{25}, std::size_t{0}}) {
        TestApp app;
        app.m_valueTable.clear();
        for (std::size_t i = 0; i < channels; ++i)
            app.m_valueTable.push_back({"Ch" + std::to_string(i), std::to_string(i)});
        RunConsole(app, [&](CConsoleDlg& console) {
            EXPECT_EQ(console.CaptionItems().size(), channels < 20 ? channels : 20u);
            EXPECT_EQ(console.CaptionButton().GetItemText(19), channels ? "Ch19" : "");
            EXPECT_EQ(console.CaptionButton().GetItemText(20), "");
            if (channels) {
                EXPECT_EQ(console.CaptionItems().back().commandId, 2019);
            }
        });
    }
}

TEST(ConsoleInProcess, LinkStateMessagesSetTheTitle)
{
    TestApp app;
    RunConsole(app, [](CConsoleDlg& console) {
        auto title = [&] {
            char text[128] = {};
            GetWindowTextA(console.GetHwnd(), text, sizeof text);
            return std::string(text);
        };
        EXPECT_EQ(title(), "Beamdesk V1.00 [Disconnect]");
        SendMessageA(console.GetHwnd(), WM_LINK_CLOSED, 0, 0);
        SendMessageA(console.GetHwnd(), WM_LINK_OPENED, 0, 0);
        EXPECT_EQ(title(), "Beamdesk V1.00 [Connected]");
        SendMessageA(console.GetHwnd(), WM_LINK_CLOSED, 0, 0);
        EXPECT_EQ(title(), "Beamdesk V1.00 [Disconnect]");
    });
}

// The About box: its title (73), name (75), notice (74) and button (45) from
// the catalogue; the language file's font on those three controls, else the
// template's; F1 does nothing there.
TEST(ConsoleInProcess, AboutBoxTextsAndFont)
{
    for (bool languageFont : {false, true}) {
        TestApp app;
        for (unsigned id : {45u, 73u, 74u, 75u}) app.m_messages.SetText(id, "Text " + std::to_string(id));
        if (languageFont) {
            app.m_hasCustomFont = 1;
            app.m_consoleFont.lfHeight = -13;
            std::strcpy(app.m_consoleFont.lfFaceName, "Tahoma");
        }
        CAboutBox about(nullptr);
        const INT_PTR result = RunModalCheck(
            about,
            [&] {
                auto text = [](HWND hwnd) {
                    char buffer[128] = {};
                    GetWindowTextA(hwnd, buffer, sizeof buffer);
                    return std::string(buffer);
                };
                HWND box = about.GetHwnd();
                EXPECT_EQ(text(box), "Text 73");
                EXPECT_EQ(text(about.GetDlgItem(IDC_ABOUT_VERSION)), "Text 75");
                EXPECT_EQ(text(about.GetDlgItem(IDC_ABOUT_NOTICE)), "Text 74");
                EXPECT_EQ(text(about.GetDlgItem(IDOK)), "Text 45");

                const HFONT boxFont = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
                for (int id : {IDC_ABOUT_VERSION, IDC_ABOUT_NOTICE, IDOK}) {
                    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(about.GetDlgItem(id), WM_GETFONT, 0, 0));
                    if (languageFont) {
                        EXPECT_NE(font, boxFont) << id;
                        EXPECT_STREQ(Describe(font).lfFaceName, "Tahoma") << id;
                        EXPECT_EQ(Describe(font).lfHeight, -13) << id;
                    } else {
                        EXPECT_EQ(font, boxFont) << id;
                    }
                }

                HELPINFO help{};
                help.cbSize = sizeof help;
                help.iContextType = HELPINFO_WINDOW;
                EXPECT_EQ(SendMessageA(box, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), TRUE);
                EXPECT_TRUE(IsWindowVisible(box));
            },
            [](HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); });
        EXPECT_EQ(result, IDOK);
    }
}

// The presenter keys are the console's while it is up: none at a first start;
// the stored ones registered, so the system refuses them to anyone else, and
// let go when the console ends. One that someone else holds when the console
// starts stays unregistered, and the others are registered all the same.
TEST(ConsoleInProcess, PresenterKeysRegisteredWhileTheConsoleRuns)
{
    constexpr UINT kCtrlAltMods = MOD_CONTROL | MOD_ALT;
    constexpr std::uint16_t kCtrlAlt = (HOTKEYF_CONTROL | HOTKEYF_ALT) << 8;
    const auto heldElsewhere = [&](UINT key) {
        HotkeyRegistration trial;
        return !trial.Register(nullptr, 0x7F, kCtrlAltMods, key);
    };

    TestApp first;
    RunConsole(first, [](CConsoleDlg& console) {
        for (std::size_t i = 0; i < kPresenterKeyCount; ++i) EXPECT_FALSE(console.PresenterKeyActive(i)) << i;
    });

    HotkeyRegistration freezeHeld;
    ASSERT_TRUE(freezeHeld.Register(nullptr, 0x70, kCtrlAltMods, 'F'));
    TestApp app;
    app.m_settings.hotkeyAvMute = kCtrlAlt | 'M';
    app.m_settings.hotkeyFreeze = kCtrlAlt | 'F';
    app.m_settings.hotkeyPower = kCtrlAlt | 'P';
    RunConsole(app, [&](CConsoleDlg& console) {
        EXPECT_TRUE(console.PresenterKeyActive(0));
        EXPECT_FALSE(console.PresenterKeyActive(1));
        EXPECT_TRUE(console.PresenterKeyActive(2));
        EXPECT_TRUE(heldElsewhere('M'));
        EXPECT_TRUE(heldElsewhere('P'));
    });
    EXPECT_FALSE(heldElsewhere('M'));
    EXPECT_FALSE(heldElsewhere('P'));
}
