// Waiting on the user-interface thread without blocking the threads that
// talk to it: while waiting, messages sent to this thread by other threads
// (a worker's synchronous SendMessage) are handled, so a worker that delivers
// to the window just as the window waits for that worker cannot deadlock.
// Posted messages and input stay queued.
#pragma once

#include <windows.h>

// WAIT_OBJECT_0 when `object` was signalled, WAIT_TIMEOUT after `timeoutMs`
// (INFINITE allowed), WAIT_FAILED otherwise.
DWORD WaitHandlingSentMessages(HANDLE object, DWORD timeoutMs);
// The same for the first of `count` objects to be signalled: WAIT_OBJECT_0 + i.
DWORD WaitHandlingSentMessages(const HANDLE* objects, DWORD count, DWORD timeoutMs);
