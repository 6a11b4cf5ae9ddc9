// The messages between the link worker thread and the window that owns the
// link. Their values are fixed; WM_USER+3 is unused and WM_USER+7 is the
// tooltip control's own relay message.
#pragma once

#include <windows.h>

constexpr UINT WM_LINK_CLOSED = WM_USER + 1;  // worker -> window, posted: a worker has ended
constexpr UINT WM_LINK_OPENED = WM_USER + 2;  // link -> its window, posted: a session is open
constexpr UINT WM_LINK_REPLY = WM_USER + 4;   // worker -> window, sent: one reply line (pointer, length)
constexpr UINT WM_LINK_ERROR = WM_USER + 5;   // -> window: show the prompt for a status code
constexpr UINT WM_WORKER_STOP = WM_USER + 6;  // window -> worker thread, posted: end
