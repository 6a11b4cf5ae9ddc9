// The program's private window and thread messages. Their values are a
// contract: a second instance posts WM_ALREADY_RUNNING to the first one.
#pragma once

#include <windows.h>

constexpr UINT WM_LINK_CLOSED = WM_USER + 1;      // worker -> console: the link is down
constexpr UINT WM_LINK_OPENED = WM_USER + 2;      // worker -> console: a session is open
constexpr UINT WM_LINK_REPLY = WM_USER + 4;       // worker -> console: one reply line (sent)
constexpr UINT WM_LINK_ERROR = WM_USER + 5;       // -> console: show the prompt for a status code
constexpr UINT WM_WORKER_STOP = WM_USER + 6;      // console -> worker thread: end
constexpr UINT WM_ALREADY_RUNNING = WM_USER + 10; // second instance -> first console
