// The floor for the start-up benchmark: the smallest Win32 dialog program the
// same toolchain builds. Shows one dialog and ends when it is closed.
#include <windows.h>

static INT_PTR CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(1), nullptr, &BareProc, 0));
}
