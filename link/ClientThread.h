// The link worker: one thread with its own message loop and one TCP socket.
// It connects, hands every received chunk to the console window (handshake
// replies through the application's hand-over fields, text line by line with
// a synchronous WM_LINK_REPLY), and ends on WM_WORKER_STOP or when the peer
// closes, posting WM_LINK_CLOSED on its way out.
//
// Threads: Start, RequestStop, Wait and the destructor run on the user-
// interface thread, which owns the object and deletes it only after the
// thread has ended. Everything else runs on the worker thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "ClientSocket.h"
#include "Handle.h"

class CConsoleDlg;

class CClientThread {
public:
    CClientThread();
    ~CClientThread();
    CClientThread(const CClientThread&) = delete;
    CClientThread& operator=(const CClientThread&) = delete;

    void SetAddress(const std::string& address) { m_strAddress = address; }
    // Creates the thread and lets it run. False when it cannot be created.
    bool Start();
    // Posts WM_WORKER_STOP; false when the thread's queue is gone.
    bool RequestStop();
    HANDLE ThreadHandle() const { return m_thread.get(); }
    DWORD ThreadId() const { return m_threadId; }
    // The thread has left its message loop (stopped, or the peer closed).
    bool HasEnded() const { return m_ended; }

    CClientSocket m_socket;
    std::string m_strAddress;
    CConsoleDlg* m_pOwner = nullptr;
    // Reply lines from now on are for a link being torn down.
    std::atomic<bool> m_stopping{false};

private:
    static unsigned __stdcall ThreadMain(void* self);
    void Run();
    BOOL InitInstance();
    int ExitInstance();
    void OnReceive();
    void OnClose();
    HWND OwnerWindow() const;

    UniqueHandle m_thread;
    DWORD m_threadId = 0;
    std::atomic<bool> m_ended{false};
};
