// What a screen reader hears: every control of the console, the settings
// dialog and the Find dialog has an accessible name, read in-process through the accessibility
// interface as a screen reader reads it. "-", "+" and the mode button keep
// their visible captions; the settings dialog's fields are named by their
// labels.
#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "FindDlg.h"
#include "InProcessConsole.h"
#include "SettingsDlg.h"
#include "UserObjects.h"
#include "resource.h"

namespace {

// The name a screen reader reads for the window's client object, in the
// system code page; nothing when there is no accessible object or no name.
std::optional<std::string> AccessibleNameOf(HWND window)
{
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))) ||
        object == nullptr)
        return std::nullopt;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    const HRESULT got = object->get_accName(self, &name);
    object->Release();
    if (got != S_OK || name == nullptr) return std::nullopt;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes > 0 ? bytes : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, name, -1, text.data(), bytes, nullptr, nullptr);
    text.resize(text.find('\0'));
    SysFreeString(name);
    return text;
}

struct ComScope {
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
};

// Every child window of `dialog` that is shown, by id.
std::map<int, HWND> ShownControls(HWND dialog)
{
    std::map<int, HWND> shown;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) shown[GetDlgCtrlID(child)] = child;
    return shown;
}

// A finder with nothing to search: the Find dialog opens and waits.
class IdleFinder : public ProjectorFinder {
public:
    std::string DefaultRanges() override { return ""; }
    bool ValidRanges(std::string_view) override { return false; }
    void Start(std::string_view, FinderListener&) override {}
    void Stop() override {}
};

}  // namespace

TEST(Accessibility, EveryConsoleControlHasAName)
{
    const ComScope com;
    TestApp app;
    app.m_settings.showAdvanceCC = 1;  // every button of the Advanced layout on screen
    RunConsole(app, [](CConsoleDlg& console) {
        const std::map<int, std::string> expected = {
            {IDC_POWER, "Power"},      {IDC_COMPUTER1, "Computer1"}, {IDC_COMPUTER2, "Computer2"},
            {IDC_QUILLAN, "Quillan"},  {IDC_VIDEO, "Video"},         {IDC_SVIDEO, "S-Video"},
            {IDC_AVMUTE, "A/VMute"},   {IDC_FREEZE, "Freeze"},       {IDC_CC, "CC"},
            {IDC_VOLUME_LABEL, "Volume"}, {IDC_VOLUME_DOWN, "Volume down"}, {IDC_VOLUME_UP, "Volume up"},
            {IDC_MODE, "Layout"},      {IDC_FRAME, "Beamdesk V1.00"},
        };
        const std::map<int, HWND> shown = ShownControls(console.GetHwnd());
        for (const auto& [id, window] : shown) {
            const auto name = AccessibleNameOf(window);
            ASSERT_TRUE(name.has_value()) << "control " << id;
            EXPECT_FALSE(name->empty()) << "control " << id;
            if (const auto it = expected.find(id); it != expected.end()) {
                EXPECT_EQ(*name, it->second) << id;
            }
        }
        EXPECT_EQ(shown.size(), expected.size());
        // The visible captions stay what they are.
        EXPECT_EQ(WindowTextOf(console.GetDlgItem(IDC_VOLUME_DOWN)), "-");
        EXPECT_EQ(WindowTextOf(console.GetDlgItem(IDC_VOLUME_UP)), "+");
        EXPECT_EQ(WindowTextOf(console.GetDlgItem(IDC_MODE)), "");
    });
}

TEST(Accessibility, EverySettingsControlHasAName)
{
    const ComScope com;
    TestApp app;
    RunSettingsDialog(
        app,
        [&](CSettingsDlg& dialog) {
            const std::map<int, std::string> fields = {
                {IDC_IP_ADDRESS, "Projector IP Address"},
                {IDC_PROTOCOL, "Protocol"},
                {IDC_PASSWORD, "Monitor Password"},
                {IDC_START_UP, "Register at startup"},
                {IDC_HOTKEY_AVMUTE, "A/V Mute"},
                {IDC_HOTKEY_POWER, "Power"},
                {IDOK, "OK"},
            };
            for (const auto& [id, window] : ShownControls(dialog.GetHwnd())) {
                const auto name = AccessibleNameOf(window);
                ASSERT_TRUE(name.has_value()) << "control " << id;
                EXPECT_FALSE(name->empty()) << "control " << id;
                if (const auto it = fields.find(id); it != fields.end()) {
                    EXPECT_EQ(*name, it->second) << id;
                }
            }
            // Each field's label stands right before it in the window order.
            for (const auto& [label, field] : {std::pair{IDC_ADDRESS_LABEL, IDC_IP_ADDRESS},
                                               std::pair{IDC_PROTOCOL_LABEL, IDC_PROTOCOL},
                                               std::pair{IDC_PASSWORD_LABEL, IDC_PASSWORD},
                                               std::pair{IDC_HOTKEY_FREEZE_LABEL, IDC_HOTKEY_FREEZE}})
                EXPECT_EQ(GetWindow(dialog.GetDlgItem(field), GW_HWNDPREV), dialog.GetDlgItem(label)) << field;
        },
        [](HWND hwnd) { PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0); });
}

// The list and the progress bar have no label: they are named for what they
// show.
TEST(Accessibility, EveryFindControlHasAName)
{
    const ComScope com;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    IdleFinder finder;
    CFindDlg dialog(nullptr, {&finder, nullptr, nullptr});
    RunModalCheck(
        dialog,
        [&] {
            const std::map<int, std::string> expected = {
                {IDC_FIND_RANGE, "Addresses"},
                {IDC_FIND_LIST, "Find Projectors"},
                {IDC_FIND_PROGRESS, "Searching..."},
            };
            for (const auto& [id, window] : ShownControls(dialog.GetHwnd())) {
                const auto name = AccessibleNameOf(window);
                ASSERT_TRUE(name.has_value()) << "control " << id;
                EXPECT_FALSE(name->empty()) << "control " << id;
                if (const auto it = expected.find(id); it != expected.end()) {
                    EXPECT_EQ(*name, it->second) << id;
                }
            }
        },
        [](HWND hwnd) { PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0); });
}
