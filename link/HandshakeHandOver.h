// What a link worker hands to the user-interface thread while a handshake
// reply is awaited. The worker writes the status before it signals; the
// user-interface thread arms `pending` before it sends a request and clears
// it when the first text command goes out.
#pragma once

#include <windows.h>

#include <atomic>

#include "Handle.h"

struct HandshakeHandOver {
    HandshakeHandOver()
        : workerStarted(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          replyAccepted(CreateEventA(nullptr, FALSE, FALSE, nullptr))
    {
    }

    UniqueHandle workerStarted;   // auto-reset: the worker's connect attempt is over
    UniqueHandle replyAccepted;   // auto-reset: a reply with status 0x20 came
    std::atomic<bool> pending{false};  // received data is a handshake reply, not text
    std::atomic<int> status{0x20};     // the last refusal; -1 while waiting
};
