// The password field's character and paste filter (see PasswordEdit.h).
#include "PasswordEdit.h"

#include <imm.h>

#include "UserObjects.h"

namespace {

// Closes the clipboard on every way out of the paste check.
class ClipboardAccess {
public:
    explicit ClipboardAccess(HWND owner) : m_open(OpenClipboard(owner) != FALSE) {}
    ~ClipboardAccess()
    {
        if (m_open) CloseClipboard();
    }
    ClipboardAccess(const ClipboardAccess&) = delete;
    ClipboardAccess& operator=(const ClipboardAccess&) = delete;

    bool IsOpen() const { return m_open; }

private:
    bool m_open;
};

class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HANDLE memory) : m_memory(memory), m_data(GlobalLock(memory)) {}
    ~GlobalLockGuard()
    {
        if (m_data != nullptr) GlobalUnlock(m_memory);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

    const char* Data() const { return static_cast<const char*>(m_data); }

private:
    HANDLE m_memory;
    void* m_data;
};

}  // namespace

CPasswordEdit::CPasswordEdit(UINT codePage) : m_codePage(codePage) {}

BOOL CPasswordEdit::IsSingleByteChar(BYTE byte) const
{
    return IsDBCSLeadByteEx(m_codePage, byte) ? FALSE : TRUE;
}

BOOL CPasswordEdit::ClipboardTextAllowed() const
{
    if (!IsClipboardFormatAvailable(CF_TEXT)) return FALSE;
    ClipboardAccess clipboard(GetHwnd());
    if (!clipboard.IsOpen()) return FALSE;
    HANDLE memory = GetClipboardData(CF_TEXT);
    if (memory == nullptr) return FALSE;
    GlobalLockGuard lock(memory);
    if (lock.Data() == nullptr) return FALSE;

    // Another program put this text there: it may lack its terminator, so the
    // scan never goes past the memory block.
    const SIZE_T size = GlobalSize(memory);
    const char* text = lock.Data();
    for (SIZE_T i = 0; i < size && text[i] != '\0'; ++i)
        if (!Allowed(static_cast<BYTE>(text[i]))) return FALSE;
    return TRUE;
}

bool CPasswordEdit::Allowed(BYTE byte) const
{
    if (!IsSingleByteChar(byte)) return false;
    if (!m_lettersAndDigitsOnly) return true;
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

LRESULT CPasswordEdit::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CHAR:
        OnChar(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_KEYDOWN:
        // The edit control pastes Shift+Insert itself, without a WM_PASTE.
        if (wParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0) {
            SendMessageA(GetHwnd(), WM_PASTE, 0, 0);
            return 0;
        }
        break;
    case WM_PASTE:
        // The context menu's Paste, Ctrl+V, Shift+Insert and a sent WM_PASTE
        // all end here.
        if (!ClipboardTextAllowed()) return 0;
        break;
    case WM_IME_CHAR:
        // A character an input method delivers whole; an ANSI window gets a
        // double-byte one with its lead byte in the high byte.
        if (!IsSingleByteChar(HIBYTE(LOWORD(wParam)))) return 0;
        break;
    case WM_IME_COMPOSITION:
        // An edit control may insert a composition's result string itself;
        // the default handling delivers it as WM_IME_CHARs, checked above.
        if (lParam & GCS_RESULTSTR) return DefWindowProcA(GetHwnd(), msg, wParam, lParam);
        break;
    default:
        break;
    }
    return Default(msg, wParam, lParam);
}

// Called for every WM_CHAR. A double-byte character arrives as its lead byte
// first; letting the edit control take it and then putting the old text back
// is what undoes input-method text, whose bytes come as several messages.
void CPasswordEdit::OnChar(UINT ch, UINT repeatCount, UINT flags)
{
    if (GetKeyState(VK_CONTROL) < 0) {
        UINT command = 0;
        switch (ch) {
        case 3: command = WM_COPY; break;
        case 22: command = WM_PASTE; break;
        case 24: command = WM_CUT; break;
        case 26: command = EM_UNDO; break;
        default: break;
        }
        if (command != 0) {
            SendMessageA(GetHwnd(), command, 0, 0);
            return;
        }
    }

    // Backspace and the other control characters keep their editing meaning.
    const BYTE byte = static_cast<BYTE>(ch & 0xFF);
    if (m_lettersAndDigitsOnly && ch >= 0x20 && IsSingleByteChar(byte) && !Allowed(byte)) return;

    const std::string before = WindowTextOf(GetHwnd());
    Default(WM_CHAR, ch, MAKELPARAM(repeatCount, flags));
    if (IsSingleByteChar(byte)) return;

    SetWindowTextA(GetHwnd(), before.c_str());
    const LRESULT end = SendMessageA(GetHwnd(), EM_LINELENGTH, static_cast<WPARAM>(-1), 0);
    SendMessageA(GetHwnd(), EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageA(GetHwnd(), EM_SCROLLCARET, 0, 0);
    // The trail byte and anything typed after it are still queued.
    DiscardQueuedChars();
}

void CPasswordEdit::DiscardQueuedChars()
{
    MSG msg;
    while (PeekMessageA(&msg, GetHwnd(), WM_CHAR, WM_CHAR, PM_REMOVE)) {
    }
}
