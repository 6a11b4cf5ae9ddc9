// Modal dialogs from templates, run by our own modal loop so that every
// message passes through PreTranslateMessage (the system's DialogBox loop never
// offers that). User-interface thread only.
//
// Dispatch: the static dialog procedure finds the object (messages before
// WM_INITDIALOG find none and get the system's default) and hands on:
//  - WM_INITDIALOG: DoDataExchange, then OnInitDialog;
//  - WM_COMMAND: OnCommand; one it leaves unhandled goes to OnOK (IDOK),
//    OnCancel (IDCANCEL), or, when it comes from a menu or an accelerator
//    rather than a control, to the application object's OnCommand;
//  - WM_DRAWITEM for a control bound to a Window object: that object's
//    DrawItem;
//  - every other message (owner-draw requests of unbound controls included):
//    OnMessage. None of the three above reaches OnMessage.
#pragma once

#include <windows.h>

#include "Window.h"

class Dialog : public Window {
public:
    Dialog(UINT templateId, HWND parent);
    ~Dialog() override;

    // Creates the dialog, disables the owner, pumps messages until EndDialog,
    // then destroys the window. -1 when the dialog cannot be created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    HWND GetDlgItem(int id) const { return ::GetDlgItem(GetHwnd(), id); }
    HWND GetParentWindow() const { return m_parent; }

    // IsDialogMessage: keyboard navigation, default and cancel buttons.
    bool PreTranslateMessage(MSG& msg) override;

protected:
    // Bind control objects to their windows (called before OnInitDialog).
    virtual void DoDataExchange() {}
    // Return TRUE to let the system give the focus to the first tab stop.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A command (menu, accelerator or control notification); true when it
    // was handled, false to route it on as described above.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    // Every message but WM_INITDIALOG, WM_COMMAND and a bound control's
    // WM_DRAWITEM; return true with `result` set when handled.
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    void RouteCommand(UINT id, UINT code, HWND control);
    void HandBackOwner();
    // Offers the message to the bound objects from its target up to this dialog.
    bool WalkPreTranslate(MSG& msg);

    UINT m_templateId;
    HWND m_parent;
    bool m_ending = false;
    INT_PTR m_result = -1;
    HWND m_disabledOwner = nullptr;  // the owner DoModal disabled, until handed back
};
