// The password field against a real edit control under Wine, once with the
// lead-byte rule of code page 932 and once with 1252 (no lead bytes). The
// windows stay hidden; keystrokes are posted WM_CHAR messages and the Ctrl key
// is the thread's keyboard state.
#include <windows.h>
#include <imm.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "PasswordEdit.h"

namespace {

constexpr UINT kDoubleByte = 932;
constexpr UINT kSingleByte = 1252;
constexpr const char* kHostClass = "BeamdeskPasswordHost";

// The password field as the settings dialog binds it, counting the messages
// that reach it.
class RecordingEdit : public CPasswordEdit {
public:
    explicit RecordingEdit(UINT codePage) : CPasswordEdit(codePage) {}
    std::map<UINT, int> seen;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        ++seen[msg];
        return CPasswordEdit::WindowProc(msg, wParam, lParam);
    }
};

HWND CreateHost()
{
    static const ATOM registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kHostClass;
        return RegisterClassA(&wc);
    }();
    (void)registered;
    return CreateWindowExA(0, kHostClass, "Host", WS_OVERLAPPEDWINDOW, 100, 100, 300, 120, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

HWND CreatePasswordField(HWND host, int id)
{
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL, 10,
                                10 + 30 * (id - 1), 200, 22, host, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleA(nullptr), nullptr);
    SendMessageA(edit, EM_LIMITTEXT, 16, 0);
    return edit;
}

std::string TextOf(HWND edit)
{
    char text[64] = {};
    GetWindowTextA(edit, text, sizeof text);
    return text;
}

// Dispatches everything already queued; the posted keystrokes are all there
// before this runs, so no waiting is involved.
void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Holds a key (Ctrl, Shift) down in this thread's keyboard state.
class KeyHeld {
public:
    explicit KeyHeld(int key)
    {
        GetKeyboardState(m_saved);
        BYTE state[256];
        std::copy(m_saved, m_saved + 256, state);
        state[key] |= 0x80;
        SetKeyboardState(state);
    }
    ~KeyHeld() { SetKeyboardState(m_saved); }
    KeyHeld(const KeyHeld&) = delete;
    KeyHeld& operator=(const KeyHeld&) = delete;

private:
    BYTE m_saved[256] = {};
};

// Puts `bytes` and a terminator on the clipboard as CF_TEXT; no text at all
// for nullopt.
void SetClipboard(HWND owner, const std::optional<std::string>& bytes)
{
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    if (bytes) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes->size() + 1);
        ASSERT_NE(memory, nullptr);
        auto* p = static_cast<char*>(GlobalLock(memory));
        std::copy(bytes->begin(), bytes->end(), p);
        p[bytes->size()] = '\0';
        GlobalUnlock(memory);
        EXPECT_NE(SetClipboardData(CF_TEXT, memory), nullptr);
    }
    CloseClipboard();
}

// Windows' own edit control takes input-method text itself, where Wine's
// lets it come back as WM_CHARs: a character delivered whole (WM_IME_CHAR) it
// inserts at once, and a composition's result string it would read and insert
// too. This gives a field that behaviour, under the filter, and counts the
// results that reach it.
int g_compositionResultsTaken = 0;

LRESULT CALLBACK InputMethodTextDirectly(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const auto edit = reinterpret_cast<WNDPROC>(GetPropA(hwnd, "EditProc"));
    if (msg == WM_IME_COMPOSITION && (lParam & GCS_RESULTSTR)) ++g_compositionResultsTaken;
    if (msg != WM_IME_CHAR) return CallWindowProcA(edit, hwnd, msg, wParam, lParam);
    std::string text;
    if (HIBYTE(LOWORD(wParam)) != 0) text += static_cast<char>(HIBYTE(LOWORD(wParam)));
    text += static_cast<char>(LOBYTE(wParam));
    CallWindowProcA(edit, hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    return 0;
}

void TakeInputMethodTextDirectly(HWND edit)
{
    SetPropA(edit, "EditProc", reinterpret_cast<HANDLE>(GetWindowLongPtrA(edit, GWLP_WNDPROC)));
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&InputMethodTextDirectly));
}

// A hidden window with two password fields; the first carries the filter
// under test, the second is a bystander whose queued input must survive.
class PasswordEditTest : public testing::TestWithParam<UINT> {
protected:
    void SetUp() override
    {
        host = CreateHost();
        ASSERT_NE(host, nullptr);
        edit = CreatePasswordField(host, 1);
        other = CreatePasswordField(host, 2);
        ASSERT_TRUE(field.Attach(edit));
    }
    void TearDown() override
    {
        Pump();
        DestroyWindow(host);
    }

    bool DoubleByte() const { return GetParam() == kDoubleByte; }

    void Post(HWND target, const std::vector<int>& chars)
    {
        for (int c : chars) PostMessageA(target, WM_CHAR, static_cast<WPARAM>(c & 0xFF), 1);
    }

    std::pair<DWORD, DWORD> Selection() const
    {
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }

    HWND host = nullptr;
    HWND edit = nullptr;
    HWND other = nullptr;
    RecordingEdit field{GetParam()};
};

}  // namespace

TEST(PasswordEditLeadBytes, RuleOfTheGivenCodePage)
{
    struct Case {
        int byte;
        bool leadIn932;
    };
    const Case cases[] = {
        {0x41, false}, {0x80, false}, {0x81, true},  {0x9F, true},  {0xA0, false},
        {0xA1, false}, {0xDF, false}, {0xE0, true},  {0xFC, true},  {0xFD, false},
    };
    const CPasswordEdit japanese(kDoubleByte);
    const CPasswordEdit western(kSingleByte);
    for (const Case& c : cases) {
        EXPECT_EQ(japanese.IsSingleByteChar(static_cast<BYTE>(c.byte)), c.leadIn932 ? FALSE : TRUE) << std::hex << c.byte;
        EXPECT_EQ(western.IsSingleByteChar(static_cast<BYTE>(c.byte)), TRUE) << std::hex << c.byte;
    }
    EXPECT_EQ(CPasswordEdit().CodePage(), GetACP());
}

// Keystrokes posted as the input method delivers them: a double-byte
// character is its lead byte, then its trail byte, as two WM_CHARs.
TEST_P(PasswordEditTest, TypedCharacters)
{
    struct Case {
        const char* why;
        std::vector<int> chars;
        std::string in932;   // text after typing at the start of "ab"
        std::string in1252;
        bool refusedIn932;
    };
    const Case cases[] = {
        {"lead byte, its trail and a later key are all dropped", {0x82, 0xA0, 'x'}, "ab", "\x82\xA0xab", true},
        {"upper lead-byte range", {0xE0, 0x40, 'y'}, "ab", "\xE0@yab", true},
        {"what came before the lead byte stays", {'q', 0x93, 0x40, 'z'}, "qab", "q\x93@zab", true},
        {"half-width katakana are single bytes", {0xB1, 0xDF, 'A'}, "\xB1\xDF" "Aab", "\xB1\xDF" "Aab", false},
        {"ASCII", {'1', '2'}, "12ab", "12ab", false},
    };
    for (const Case& c : cases) {
        SetWindowTextA(edit, "ab");
        SendMessageA(edit, EM_SETSEL, 0, 0);
        Post(edit, c.chars);
        Pump();
        const std::string expected = DoubleByte() ? c.in932 : c.in1252;
        EXPECT_EQ(TextOf(edit), expected) << c.why;
        if (DoubleByte() && c.refusedIn932) {
            const auto end = static_cast<DWORD>(expected.size());
            EXPECT_EQ(Selection(), std::make_pair(end, end)) << "caret at the end: " << c.why;
        }
    }
}

// Only this field's queued keystrokes go with a refused character.
TEST_P(PasswordEditTest, RefusalLeavesOtherWindowsInput)
{
    Post(edit, {0x82});
    Post(other, {'k'});
    Post(edit, {0xA0});
    Pump();
    EXPECT_EQ(TextOf(other), "k");
    EXPECT_EQ(TextOf(edit), DoubleByte() ? "" : "\x82\xA0");
}

// Pasted with WM_PASTE (the context menu), with Ctrl+V and with Shift+Insert:
// the same check.
TEST_P(PasswordEditTest, Paste)
{
    struct Case {
        const char* why;
        std::optional<std::string> clipboard;
        std::string in932;
        std::string in1252;
    };
    const Case cases[] = {
        {"single-byte text, cut at the 16-character limit", "abcdefghijklmnopqrstu", "abcdefghijklmnop",
         "abcdefghijklmnop"},
        {"one lead byte refuses the whole text", "abc\x82\xA0" "def", "", "abc\x82\xA0" "def"},
        {"half-width katakana pass", "\xB1\xB2\xB3", "\xB1\xB2\xB3", "\xB1\xB2\xB3"},
        {"the scan ends at the terminator", std::string("abc\0\x82", 5), "abc", "abc"},
        {"no text on the clipboard", std::nullopt, "", ""},
    };
    const char* const ways[] = {"WM_PASTE", "Ctrl+V", "Shift+Insert"};
    for (const char* way : ways) {
        for (const Case& c : cases) {
            SetWindowTextA(edit, "");
            SetClipboard(host, c.clipboard);
            field.seen.clear();
            if (way == ways[1]) {
                KeyHeld ctrl(VK_CONTROL);
                Post(edit, {22});
                Pump();
            } else if (way == ways[2]) {
                KeyHeld shift(VK_SHIFT);
                PostMessageA(edit, WM_KEYDOWN, VK_INSERT, 1);
                Pump();
            } else {
                EXPECT_EQ(SendMessageA(edit, WM_PASTE, 0, 0), 0);
            }
            EXPECT_EQ(TextOf(edit), DoubleByte() ? c.in932 : c.in1252) << c.why << " (" << way << ")";
            EXPECT_EQ(field.seen[WM_PASTE], 1) << c.why << " (" << way << ")";
        }
    }
}

// Input-method text passes the same check as typed text: a character the
// input method delivers whole (an ANSI window gets a double-byte one with its
// lead byte high), and the result string of a composition.
TEST_P(PasswordEditTest, InputMethodText)
{
    field.Detach();
    TakeInputMethodTextDirectly(edit);
    ASSERT_TRUE(field.Attach(edit));
    struct Case {
        const char* why;
        WPARAM character;
        std::string in932;  // after "ab" with the caret at the start
        std::optional<std::string> in1252;  // nothing: the edit control's own affair
    };
    const Case cases[] = {
        {"double-byte character", 0x82A0, "ab", std::nullopt},
        {"upper lead-byte range", 0xE040, "ab", std::nullopt},
        {"single byte", 'x', "xab", "xab"},
        {"half-width katakana", 0xB1, "\xB1" "ab", "\xB1" "ab"},
    };
    for (const Case& c : cases) {
        SetWindowTextA(edit, "ab");
        SendMessageA(edit, EM_SETSEL, 0, 0);
        // Sent: a posted one would be converted through this process's code page.
        SendMessageA(edit, WM_IME_CHAR, c.character, 1);
        Pump();
        if (DoubleByte()) {
            EXPECT_EQ(TextOf(edit), c.in932) << c.why;
        } else if (c.in1252) {
            EXPECT_EQ(TextOf(edit), *c.in1252) << c.why;
        }
    }

    // A composition's result never goes to the edit control itself: it comes
    // back as WM_IME_CHARs, checked as above.
    g_compositionResultsTaken = 0;
    SendMessageA(edit, WM_IME_COMPOSITION, 'x', GCS_RESULTSTR);
    Pump();
    EXPECT_EQ(g_compositionResultsTaken, 0);
}

INSTANTIATE_TEST_SUITE_P(CodePages, PasswordEditTest, testing::Values(kDoubleByte, kSingleByte),
                         [](const testing::TestParamInfo<UINT>& info) { return "cp" + std::to_string(info.param); });
