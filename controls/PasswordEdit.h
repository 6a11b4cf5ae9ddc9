// The Monitor Password field of the settings dialog: an edit control that
// refuses every double-byte character. A typed one is undone (with whatever is
// still queued behind it), one an input method delivers whole is dropped, and
// a paste whose text holds one is refused as a whole. Ctrl+C, Ctrl+V, Ctrl+X
// and Ctrl+Z become the edit control's own copy, paste, cut and undo, and
// Shift+Insert a paste, so every paste passes the same check as the context
// menu's.
// For a PJLink password the field takes ASCII letters and digits only: any
// other typed character is dropped and such a paste refused.
// User-interface thread only; the settings dialog owns the object and binds it
// to its control.
#pragma once

#include <windows.h>

#include <string>

#include "Window.h"

class CPasswordEdit : public Window {
public:
    // codePage: the code page whose lead bytes are refused; by default the
    // system's ANSI code page at the time the object is made.
    explicit CPasswordEdit(UINT codePage = GetACP());

    UINT CodePage() const { return m_codePage; }
    void SetLettersAndDigitsOnly(bool on) { m_lettersAndDigitsOnly = on; }

    // FALSE for a lead byte of a double-byte character in the code page.
    BOOL IsSingleByteChar(BYTE byte) const;
    // Whether the clipboard's text may be pasted: there is text, it can be
    // read, and none of its bytes is a lead byte.
    BOOL ClipboardTextAllowed() const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // A WM_CHAR as the edit control receives it.
    void OnChar(UINT ch, UINT repeatCount, UINT flags);

private:
    void DiscardQueuedChars();

    // Whether a byte of typed or pasted text may stand in the field.
    bool Allowed(BYTE byte) const;

    UINT m_codePage;
    bool m_lettersAndDigitsOnly = false;
};
