#include "Wait.h"

DWORD WaitHandlingSentMessages(HANDLE object, DWORD timeoutMs)
{
    return WaitHandlingSentMessages(&object, 1, timeoutMs);
}

DWORD WaitHandlingSentMessages(const HANDLE* objects, DWORD count, DWORD timeoutMs)
{
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        DWORD remaining = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG elapsed = GetTickCount64() - start;
            remaining = elapsed >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - elapsed);
        }
        const DWORD result = MsgWaitForMultipleObjects(count, objects, FALSE, remaining, QS_SENDMESSAGE);
        if (result != WAIT_OBJECT_0 + count) return result;
        // Peeking handles every pending sent message; nothing is removed.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
