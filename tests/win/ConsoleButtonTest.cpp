// The console button against real windows under Wine: the classic drawing
// pixel for pixel in a memory bitmap, the themed drawing, the visual-styles
// fallbacks, the menu, and how a press reaches the console. The windows stay
// hidden, so no real pointer or keyboard input reaches them.
#include <windows.h>
#include <uxtheme.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "BeamdeskApp.h"
#include "ConsoleButton.h"
#include "ConsoleButtonOwner.h"
#include "Gdi.h"
#include "OpenMenu.h"
#include "resource.h"

namespace {

constexpr int kWidth = 63;
constexpr int kHeight = 33;
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
// What the bitmap holds before drawing; no system colour is this.
constexpr COLORREF kUntouched = RGB(1, 2, 3);
constexpr const char* kMissingLibrary = "NoSuchThemeLibrary.dll";
constexpr const char* kConsoleClass = "BeamdeskTestConsole";

using PixelSet = std::set<std::pair<int, int>>;

// A hidden top-level window standing in for the console: counts the CC
// presses handed to it.
class FakeConsole : public Window, public ConsoleButtonOwner {
public:
    FakeConsole()
    {
        static const ATOM registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = kConsoleClass;
            return RegisterClassA(&wc);
        }();
        (void)registered;
        Attach(CreateWindowExA(0, kConsoleClass, "Console", WS_OVERLAPPEDWINDOW, 200, 200, 300, 200, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr));
    }
    ~FakeConsole() override
    {
        HWND hwnd = GetHwnd();
        Detach();
        DestroyWindow(hwnd);
    }

    void OnCcDropDown() override { ++ccDropDowns; }

    int ccDropDowns = 0;
};

struct RigOptions {
    int id = IDC_CC;
    // Classic: visual styles switched off for this one window.
    bool classic = true;
    const char* library = kThemeLibraryName;
    int width = kWidth;
    int height = kHeight;
};

// A real owner-drawn button inside the fake console, bound to a
// CConsoleButton with the console's arrow.
struct Rig {
    explicit Rig(const RigOptions& options = {}) : button(options.library), width(options.width), height(options.height)
    {
        hwnd = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, width, height,
                               console.GetHwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(options.id)),
                               GetModuleHandleA(nullptr), nullptr);
        EXPECT_TRUE(button.Attach(hwnd));
        if (options.classic) SetWindowTheme(hwnd, L" ", L" ");
        button.SetArrow(5, 10, 6);
    }

    FakeConsole console;
    CConsoleButton button;
    int width;
    int height;
    HWND hwnd = nullptr;
};

// A drawing read back from a top-down 32-bpp DIB section.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }

    // The pixels of one colour inside [left, right) x [top, bottom).
    PixelSet Find(COLORREF colour, RECT region) const
    {
        PixelSet found;
        for (int y = region.top; y < region.bottom; ++y)
            for (int x = region.left; x < region.right; ++x)
                if (At(x, y) == colour) found.insert({x, y});
        return found;
    }
};

Image Render(Rig& rig, UINT itemState)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = rig.width;
    info.bmiHeader.biHeight = -rig.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_TRUE(bitmap);
    auto* words = static_cast<DWORD*>(bits);
    const std::size_t count = static_cast<std::size_t>(rig.width) * rig.height;
    for (std::size_t i = 0; i < count; ++i) words[i] = 0x00010203;  // kUntouched as 0x00RRGGBB
    {
        SelectGuard select(dc, bitmap.get());
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = static_cast<UINT>(GetDlgCtrlID(rig.hwnd));
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = itemState;
        item.hwndItem = rig.hwnd;
        item.hDC = dc;
        item.rcItem = {0, 0, rig.width, rig.height};
        rig.button.DrawItem(item);
        GdiFlush();
    }
    Image image{rig.width, rig.height, {}};
    for (std::size_t i = 0; i < count; ++i)
        image.pixels.push_back(RGB((words[i] >> 16) & 0xFF, (words[i] >> 8) & 0xFF, words[i] & 0xFF));
    DeleteDC(dc);
    return image;
}

std::string Hex(COLORREF c)
{
    char text[16];
    wsprintfA(text, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

// The arrow of depth 5, height 10, margin 6 on a 63x33 control: the filled
// triangle with its outline, tip at (57,16), optionally moved by one pixel.
PixelSet ExpectedArrow(int shift)
{
    PixelSet arrow;
    for (int k = 0; k <= 5; ++k)
        for (int y = 11 + k; y <= 21 - k; ++y) arrow.insert({52 + k + shift, y + shift});
    return arrow;
}

// Around the arrow in either position, clear of the frame.
constexpr RECT kArrowArea = {40, 3, 61, 30};

void Pump(HWND hwnd)
{
    MSG msg;
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace

// ---- Classic drawing ----

TEST(ConsoleButtonClassic, FrameColours)
{
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    // Each channel minus 60, wrapping.
    const COLORREF dark = RGB((GetRValue(shadow) + 196) & 0xFF, (GetGValue(shadow) + 196) & 0xFF,
                              (GetBValue(shadow) + 196) & 0xFF);
    struct Probe {
        int x, y;
        COLORREF colour;
        const char* why;
    };
    struct Look {
        const char* name;
        UINT state;
        std::vector<Probe> probes;
    };
    const Look looks[] = {
        {"raised", 0, {
            {0, 0, kWhite, "top-left corner"},
            {61, 0, kWhite, "white top line stops before the last column"},
            {62, 0, dark, "top-right corner stays dark"},
            {0, 32, kWhite, "white left line starts on the bottom row"},
            {1, 32, dark, "dark bottom line"},
            {62, 16, dark, "dark right line"},
            {62, 32, dark, "bottom-right corner"},
            {1, 31, shadow, "shadow bottom line starts inside the white line"},
            {61, 31, shadow, "shadow lines meet"},
            {61, 1, shadow, "shadow right line reaches the second row"},
            {1, 1, face, "face inside"},
            {60, 30, face, "face inside the shadow corner"},
        }},
        {"pressed", ODS_SELECTED, {
            {0, 0, kBlack, "black outline, top-left"},
            {62, 0, kBlack, "black outline, top-right"},
            {0, 32, kBlack, "black outline, bottom-left"},
            {62, 32, kBlack, "black outline, bottom-right"},
            {1, 1, shadow, "shadow outline, top-left"},
            {61, 1, shadow, "shadow outline, top-right"},
            {1, 31, shadow, "shadow outline, bottom-left"},
            {61, 31, shadow, "shadow outline, bottom-right"},
            {2, 2, face, "face inside"},
            {60, 30, face, "face inside, bottom-right"},
        }},
    };
    Rig rig;
    for (const Look& look : looks) {
        const Image image = Render(rig, look.state);
        for (const Probe& p : look.probes) {
            EXPECT_EQ(Hex(image.At(p.x, p.y)), Hex(p.colour)) << look.name << ": " << p.why << " at " << p.x << "," << p.y;
        }
        EXPECT_TRUE(image.Find(kUntouched, {0, 0, kWidth, kHeight}).empty()) << look.name << ": the face fills the control";
    }
    EXPECT_EQ(rig.button.GetTheme(), nullptr);
}

TEST(ConsoleButtonClassic, ArrowPixelsAndPressedShift)
{
    Rig rig;
    EXPECT_EQ(Render(rig, 0).Find(kBlack, kArrowArea), ExpectedArrow(0)) << "raised";
    EXPECT_EQ(Render(rig, ODS_SELECTED).Find(kBlack, kArrowArea), ExpectedArrow(1)) << "pressed";
}

TEST(ConsoleButtonClassic, NoArrowWhenTheMarginIsNegative)
{
    Rig rig;
    rig.button.SetArrow(5, 10, -1);
    for (UINT state : {0u, static_cast<UINT>(ODS_SELECTED)})
        EXPECT_TRUE(Render(rig, state).Find(kBlack, kArrowArea).empty()) << "state " << state;
}

// The dots keep alternating where the top run meets the right one and the
// left run meets the bottom one, for odd and even sizes.
TEST(ConsoleButtonClassic, FocusDotsAtTheCorners)
{
    struct Probe {
        int x, y;
        bool dot;
    };
    struct Case {
        int width, height;
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        {63, 33, {{5, 4, true}, {57, 4, true}, {58, 4, false}, {58, 5, true}, {58, 27, true},
                  {4, 5, true}, {4, 27, true}, {4, 28, false}, {5, 28, true}, {57, 28, true}}},
        {64, 34, {{5, 4, true}, {59, 4, true}, {59, 5, false}, {59, 6, true}, {59, 28, true},
                  {4, 5, true}, {4, 29, true}, {5, 29, false}, {6, 29, true}, {58, 29, true}}},
    };
    for (const Case& c : cases) {
        Rig rig({.width = c.width, .height = c.height});
        rig.button.SetArrow(5, 10, -1);
        const Image focused = Render(rig, ODS_FOCUS);
        const Image plain = Render(rig, 0);
        for (const Probe& p : c.probes) {
            EXPECT_EQ(focused.At(p.x, p.y) == kBlack, p.dot)
                << c.width << "x" << c.height << " focused at " << p.x << "," << p.y;
            EXPECT_NE(plain.At(p.x, p.y), kBlack) << c.width << "x" << c.height << " unfocused at " << p.x << "," << p.y;
        }
    }
}

TEST(ConsoleButtonClassic, CaptionCentredAndMovedWhenPressed)
{
    Rig rig;
    rig.button.SetArrow(5, 10, -1);
    SetWindowTextA(rig.hwnd, "Hi");
    const COLORREF face = GetSysColor(COLOR_BTNFACE);

    // The extent in the memory context's default font, as DrawCaption sees it.
    HDC dc = CreateCompatibleDC(nullptr);
    SIZE extent{};
    GetTextExtentPoint32A(dc, "Hi", 2, &extent);
    DeleteDC(dc);
    const int x0 = 31 - extent.cx / 2;
    const int y0 = 16 - extent.cy / 2;

    RECT ink[2]{};
    for (int pressed = 0; pressed < 2; ++pressed) {
        const Image image = Render(rig, pressed ? ODS_SELECTED : 0);
        RECT box = {kWidth, kHeight, -1, -1};
        for (int y = 2; y < kHeight - 2; ++y) {
            for (int x = 2; x < kWidth - 2; ++x) {
                if (image.At(x, y) == face) continue;
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x),
                       std::max<LONG>(box.bottom, y)};
            }
        }
        ASSERT_GE(box.right, box.left) << "no caption ink, pressed " << pressed;
        ink[pressed] = box;
    }
    EXPECT_GE(ink[0].left, x0);
    EXPECT_LT(ink[0].right, x0 + extent.cx);
    EXPECT_GE(ink[0].top, y0);
    EXPECT_LT(ink[0].bottom, y0 + extent.cy);
    EXPECT_EQ(ink[1].left, ink[0].left + 1);
    EXPECT_EQ(ink[1].top, ink[0].top + 1);
    EXPECT_EQ(ink[1].right, ink[0].right + 1);
    EXPECT_EQ(ink[1].bottom, ink[0].bottom + 1);
}

// ---- Visual-styles library ----

TEST(ThemeLibrary, FallbacksWithoutTheLibraryOrItsEntries)
{
    Rig rig;
    RECT rect{0, 0, kWidth, kHeight};
    HDC dc = CreateCompatibleDC(nullptr);
    // A library that is missing, and one that loads but has none of the entries.
    for (const char* name : {kMissingLibrary, "kernel32.dll"}) {
        const CThemeLibrary library(name);
        EXPECT_EQ(library.OpenTheme(rig.hwnd, L"Button"), nullptr) << name;
        const HTHEME someTheme = reinterpret_cast<HTHEME>(static_cast<INT_PTR>(1));
        EXPECT_EQ(library.DrawBackground(someTheme, rig.hwnd, dc, 1, 1, &rect, nullptr), E_FAIL) << name;
        EXPECT_EQ(library.DrawThemedText(someTheme, dc, 1, 1, L"CC", 2, DT_CENTER, 0, &rect), E_FAIL) << name;
    }
    DeleteDC(dc);
}

// Without the library the control draws exactly as with visual styles off.
TEST(ThemeLibrary, MissingLibraryDrawsClassic)
{
    Rig classic;
    Rig missing({.classic = false, .library = kMissingLibrary});
    for (Rig* rig : {&classic, &missing}) SetWindowTextA(rig->hwnd, "CC");
    for (UINT state : {0u, static_cast<UINT>(ODS_SELECTED | ODS_FOCUS)}) {
        const Image expected = Render(classic, state);
        const Image actual = Render(missing, state);
        EXPECT_EQ(missing.button.GetTheme(), nullptr);
        int differing = 0;
        for (std::size_t i = 0; i < expected.pixels.size(); ++i) differing += expected.pixels[i] != actual.pixels[i];
        EXPECT_EQ(differing, 0) << "state " << state;
    }
}

// Wine's default prefix has visual styles on: the themed path runs.
TEST(ThemeLibrary, ThemedPathDraws)
{
    Rig rig({.classic = false});
    SetWindowTextA(rig.hwnd, "Caf\xE9");  // a byte beyond ASCII for the UTF-16 copy
    const Image normal = Render(rig, 0);
    ASSERT_NE(rig.button.GetTheme(), nullptr) << "visual styles are off in this prefix";
    EXPECT_LT(normal.Find(kUntouched, {0, 0, kWidth, kHeight}).size(), std::size_t{kWidth * kHeight} / 2);

    // The arrow is drawn, and never moved: also not when pressed.
    for (UINT state : {0u, static_cast<UINT>(ODS_SELECTED)}) {
        const Image image = Render(rig, state);
        for (const auto& [x, y] : {std::pair{52, 11}, std::pair{57, 16}, std::pair{52, 21}, std::pair{55, 16}})
            EXPECT_EQ(Hex(image.At(x, y)), Hex(kBlack)) << "state " << state << " arrow at " << x << "," << y;
    }

    // The caption is drawn: it differs from a drawing without one.
    SetWindowTextA(rig.hwnd, "");
    const Image bare = Render(rig, 0);
    EXPECT_NE(bare.pixels, normal.pixels);

    // No arrow at a negative margin.
    rig.button.SetArrow(5, 10, -1);
    EXPECT_NE(Render(rig, 0).At(55, 16), kBlack);

    // Focus dots on the item rectangle grown by one pixel.
    const Image focused = Render(rig, ODS_FOCUS);
    for (const auto& [x, y] : {std::pair{4, 3}, std::pair{58, 3}, std::pair{59, 4}, std::pair{3, 4}, std::pair{4, 29}})
        EXPECT_EQ(Hex(focused.At(x, y)), Hex(kBlack)) << "focus dot at " << x << "," << y;
}

// ---- Menu ----

TEST(ConsoleButtonMenu, ItemsTextAndChecks)
{
    Rig rig;
    EXPECT_TRUE(rig.button.AddItem(2000, "CC1", MF_STRING));
    EXPECT_TRUE(rig.button.AddItem(2001, "Text \xE9t\xE9", MF_STRING));
    EXPECT_TRUE(rig.button.AddItem(2002, "", MF_STRING));

    const std::pair<UINT, const char*> texts[] = {
        {0, "CC1"}, {1, "Text \xE9t\xE9"}, {2, ""}, {3, ""}, {1000, ""},
    };
    for (const auto& [position, text] : texts) EXPECT_EQ(rig.button.GetItemText(position), text) << position;

    EXPECT_EQ(rig.button.CheckItem(2001, MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
    EXPECT_EQ(rig.button.CheckItem(2001, MF_CHECKED), static_cast<DWORD>(MF_CHECKED));
    EXPECT_TRUE(rig.button.GetItemState(2001, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(rig.button.GetItemState(2000, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(rig.button.CheckItem(2001, MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
    EXPECT_FALSE(rig.button.GetItemState(2001, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(rig.button.CheckItem(2999, MF_CHECKED), static_cast<DWORD>(-1)) << "no such item";
}

TEST(ConsoleButtonMenu, LayoutMarkFollowsTheMode)
{
    struct Case {
        int mode;
        bool advancedChecked;
    };
    const Case cases[] = {{1, true}, {0, false}, {2, false}, {255, false}};
    for (const Case& c : cases) {
        for (bool before : {false, true}) {
            Rig rig({.id = IDC_MODE});
            rig.button.AddItem(ID_SIMPLE_MODE, "Simple Mode", MF_STRING);
            rig.button.AddItem(ID_ADVANCED_MODE, "Advanced Mode", MF_STRING);
            rig.button.CheckItem(ID_ADVANCED_MODE, before ? MF_CHECKED : MF_UNCHECKED);
            rig.button.CheckItem(ID_SIMPLE_MODE, before ? MF_UNCHECKED : MF_CHECKED);
            rig.button.MarkLayout(c.mode);
            EXPECT_EQ((rig.button.GetItemState(ID_ADVANCED_MODE, MF_BYCOMMAND) & MF_CHECKED) != 0, c.advancedChecked)
                << "mode " << c.mode;
            EXPECT_EQ((rig.button.GetItemState(ID_SIMPLE_MODE, MF_BYCOMMAND) & MF_CHECKED) != 0, !c.advancedChecked)
                << "mode " << c.mode;
        }
    }
}

namespace {

// Watches for the popup menu from a timer, which the menu's own modal loop
// dispatches: records what the open menu shows, then closes it.
struct MenuWatch {
    const CConsoleButton* button = nullptr;
    bool seen = false;
    RECT rect{};
    UINT advanced = 0;
    UINT simple = 0;
    int ticks = 0;
};
MenuWatch* g_watch = nullptr;

void CALLBACK WatchMenu(HWND, UINT, UINT_PTR, DWORD)
{
    MenuWatch& watch = *g_watch;
    HWND menu = FindOpenMenu();
    if (menu != nullptr && !watch.seen) {
        watch.seen = true;
        GetWindowRect(menu, &watch.rect);
        watch.advanced = watch.button->GetItemState(ID_ADVANCED_MODE, MF_BYCOMMAND);
        watch.simple = watch.button->GetItemState(ID_SIMPLE_MODE, MF_BYCOMMAND);
    }
    // Close it once seen; give up waiting after a generous while, so that a
    // menu this watcher cannot find does not hang the run.
    if (menu != nullptr || ++watch.ticks > 1000) {
        EndMenu();
        if (menu != nullptr) PostMessageA(menu, WM_CANCELMODE, 0, 0);
    }
}

}  // namespace

// A press on the mode button marks the current layout (Simple without an
// application object) and opens the menu beside the control's top-right corner.
TEST(ConsoleButtonMenu, ModePressOpensTheMarkedMenu)
{
    Rig rig({.id = IDC_MODE});
    rig.button.AddItem(ID_SIMPLE_MODE, "Simple Mode", MF_STRING);
    rig.button.AddItem(ID_ADVANCED_MODE, "Advanced Mode", MF_STRING);
    rig.button.CheckItem(ID_ADVANCED_MODE, MF_CHECKED);
    ASSERT_EQ(GetBeamdeskApp(), nullptr) << "this program has no application object";

    MenuWatch watch;
    watch.button = &rig.button;
    g_watch = &watch;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, WatchMenu);
    SendMessageA(rig.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(31, 16));
    KillTimer(nullptr, timer);
    g_watch = nullptr;
    SendMessageA(rig.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(31, 16));

    ASSERT_TRUE(watch.seen) << "the menu did not open";
    EXPECT_TRUE(watch.simple & MF_CHECKED);
    EXPECT_FALSE(watch.advanced & MF_CHECKED);
    RECT button{};
    GetWindowRect(rig.hwnd, &button);
    EXPECT_EQ(watch.rect.left, button.right);
    EXPECT_EQ(watch.rect.top, button.top);
    EXPECT_NE(GetCapture(), rig.hwnd) << "the press released the capture";
}

// ---- Pressing ----

TEST(ConsoleButtonPress, MousePressIsHandedOnAtOnce)
{
    struct Case {
        const char* why;
        int id;
        bool items;
        POINT at;
        int dropDowns;
    };
    const Case cases[] = {
        {"CC with items", IDC_CC, true, {31, 16}, 1},
        {"CC without items: an ordinary press", IDC_CC, false, {31, 16}, 0},
        {"outside the control's window", IDC_CC, true, {-10, 5}, 0},
        {"another control id", IDC_AVMUTE, true, {31, 16}, 0},
    };
    for (const Case& c : cases) {
        Rig rig({.id = c.id});
        if (c.items) rig.button.AddItem(ID_CC_FIRST, "CC1", MF_STRING);
        SendMessageA(rig.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.at.x, c.at.y));
        EXPECT_EQ(rig.console.ccDropDowns, c.dropDowns) << c.why;
        if (c.dropDowns > 0) {
            EXPECT_NE(GetCapture(), rig.hwnd) << c.why << ": capture released";
        }
        SendMessageA(rig.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(c.at.x, c.at.y));
        Pump(rig.hwnd);
    }
}

TEST(ConsoleButtonPress, SpaceAndEnterPressAtTheCentre)
{
    struct Case {
        WPARAM key;
        bool presses;
    };
    const Case cases[] = {{VK_SPACE, true}, {VK_RETURN, true}, {'A', false}, {VK_ESCAPE, false}};
    for (const Case& c : cases) {
        Rig rig;
        rig.button.AddItem(ID_CC_FIRST, "CC1", MF_STRING);
        Pump(rig.hwnd);
        SendMessageA(rig.hwnd, WM_KEYDOWN, c.key, 0);
        MSG msg{};
        const bool posted = PeekMessageA(&msg, rig.hwnd, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE);
        EXPECT_EQ(posted, c.presses) << "key " << c.key;
        if (posted) {
            EXPECT_EQ(msg.wParam, static_cast<WPARAM>(MK_LBUTTON));
            EXPECT_EQ(msg.lParam, MAKELPARAM(31, 16)) << "the centre of the client rectangle";
            DispatchMessageA(&msg);
        }
        EXPECT_EQ(rig.console.ccDropDowns, c.presses ? 1 : 0) << "key " << c.key;
        SendMessageA(rig.hwnd, WM_KEYUP, c.key, 0);
        Pump(rig.hwnd);
    }
}

TEST(ConsoleButtonPress, EnterBecomesSpaceBeforeTheDialogSeesIt)
{
    struct Case {
        UINT message;
        WPARAM key;
        WPARAM after;
    };
    const Case cases[] = {
        {WM_KEYDOWN, VK_RETURN, VK_SPACE},
        {WM_KEYDOWN, VK_SPACE, VK_SPACE},
        {WM_KEYDOWN, VK_ESCAPE, VK_ESCAPE},
        {WM_KEYUP, VK_RETURN, VK_RETURN},
        {WM_CHAR, '\r', '\r'},
    };
    Rig rig;
    for (const Case& c : cases) {
        MSG msg{};
        msg.hwnd = rig.hwnd;
        msg.message = c.message;
        msg.wParam = c.key;
        EXPECT_FALSE(rig.button.PreTranslateMessage(msg)) << "message " << c.message << " key " << c.key;
        EXPECT_EQ(msg.wParam, c.after) << "message " << c.message << " key " << c.key;
        EXPECT_EQ(msg.message, c.message);
    }
}

// Hover: the pointer over the control takes the capture and the hot look;
// leaving the client area, or losing the capture, ends it; while the button
// is down nothing changes.
TEST(ConsoleButtonPress, HoverTracking)
{
    Rig rig;
    const auto move = [&](int x, int y) { SendMessageA(rig.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); };

    move(10, 10);
    EXPECT_TRUE(rig.button.IsHot());
    EXPECT_EQ(GetCapture(), rig.hwnd);
    move(62, 32);
    EXPECT_TRUE(rig.button.IsHot()) << "still inside";
    move(63, 10);
    EXPECT_FALSE(rig.button.IsHot()) << "left through the right edge";
    EXPECT_NE(GetCapture(), rig.hwnd);

    move(10, 10);
    ASSERT_TRUE(rig.button.IsHot());
    ReleaseCapture();
    EXPECT_FALSE(rig.button.IsHot()) << "capture taken away";

    SendMessageA(rig.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ReleaseCapture();
    move(20, 20);
    EXPECT_FALSE(rig.button.IsHot()) << "button down";
    SendMessageA(rig.hwnd, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    move(20, 20);
    EXPECT_TRUE(rig.button.IsHot()) << "button up again";
    ReleaseCapture();
    Pump(rig.hwnd);
}

// The press that opens a drop-down never sees its button's release (the menu
// takes it), and a key press has none: hover tracking works again once the
// menu has closed or the key is up.
TEST(ConsoleButtonPress, HoverWorksAgainAfterADropDown)
{
    const auto hotAfterAMove = [](Rig& rig) {
        SendMessageA(rig.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
        const bool hot = rig.button.IsHot() != FALSE;
        ReleaseCapture();
        Pump(rig.hwnd);
        return hot;
    };
    // Opens the menu from a timer that closes it again.
    const auto withMenuWatch = [](Rig& rig, const std::function<void()>& open) {
        MenuWatch watch;
        watch.button = &rig.button;
        g_watch = &watch;
        const UINT_PTR timer = SetTimer(nullptr, 0, 10, WatchMenu);
        open();
        KillTimer(nullptr, timer);
        g_watch = nullptr;
        return watch.seen;
    };

    {
        Rig rig({.id = IDC_MODE});
        rig.button.AddItem(ID_SIMPLE_MODE, "Simple Mode", MF_STRING);
        ASSERT_TRUE(withMenuWatch(rig, [&] { SendMessageA(rig.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(31, 16)); }));
        EXPECT_TRUE(hotAfterAMove(rig)) << "mode menu opened by the mouse";
    }
    {
        // CC: the press goes to the console; the projector's reply opens the menu later.
        Rig rig;
        rig.button.AddItem(ID_CC_FIRST, "CC1", MF_STRING);
        SendMessageA(rig.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(31, 16));
        ASSERT_EQ(rig.console.ccDropDowns, 1);
        ASSERT_TRUE(withMenuWatch(rig, [&] { rig.button.ShowMenu(); }));
        EXPECT_TRUE(hotAfterAMove(rig)) << "CC menu opened after a mouse press";
    }
    {
        Rig rig;
        rig.button.AddItem(ID_CC_FIRST, "CC1", MF_STRING);
        SendMessageA(rig.hwnd, WM_KEYDOWN, VK_SPACE, 0);
        Pump(rig.hwnd);
        ASSERT_EQ(rig.console.ccDropDowns, 1);
        SendMessageA(rig.hwnd, WM_KEYUP, VK_SPACE, 0);
        EXPECT_TRUE(hotAfterAMove(rig)) << "CC pressed with Space";
    }
}

// ---- High contrast ----

namespace {

// A high-contrast colour scheme for the test's length: white text on black
// buttons. The system's colours are put back afterwards.
class HighContrastScheme {
public:
    HighContrastScheme()
    {
        for (int i = 0; i < kCount; ++i) m_saved[i] = GetSysColor(kElements[i]);
        const COLORREF scheme[kCount] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(128, 128, 128), RGB(255, 255, 255)};
        SetSysColors(kCount, kElements, scheme);
    }
    ~HighContrastScheme() { SetSysColors(kCount, kElements, m_saved); }
    HighContrastScheme(const HighContrastScheme&) = delete;
    HighContrastScheme& operator=(const HighContrastScheme&) = delete;

private:
    static constexpr int kCount = 4;
    static constexpr INT kElements[kCount] = {COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT};
    COLORREF m_saved[kCount] = {};
};

}  // namespace

// The arrow and the focus dots take the colour of button text, so they show
// on a black button face as they do on a grey one.
TEST(ConsoleButtonHighContrast, ArrowAndFocusCueInButtonText)
{
    const HighContrastScheme scheme;
    ASSERT_EQ(GetSysColor(COLOR_BTNTEXT), RGB(255, 255, 255));
    Rig rig;
    const COLORREF white = RGB(255, 255, 255);
    EXPECT_EQ(Render(rig, 0).Find(white, kArrowArea), ExpectedArrow(0)) << "raised";
    EXPECT_EQ(Render(rig, ODS_SELECTED).Find(white, kArrowArea), ExpectedArrow(1)) << "pressed";
    const Image focused = Render(rig, ODS_FOCUS);
    for (const auto& [x, y] : {std::pair{5, 4}, std::pair{57, 4}, std::pair{58, 5}, std::pair{4, 5}, std::pair{5, 28}})
        EXPECT_EQ(Hex(focused.At(x, y)), Hex(white)) << "focus dot at " << x << "," << y;
    EXPECT_EQ(Hex(focused.At(30, 16)), Hex(kBlack)) << "the face";
}
