// The program's private window messages. Their values are a contract: a
// second instance posts WM_ALREADY_RUNNING to the first one. The link's own
// messages are in LinkMessages.h.
#pragma once

#include <windows.h>

constexpr UINT WM_ALREADY_RUNNING = WM_USER + 10;  // second instance -> first console
