// The link worker: one thread with its own message loop and one TCP socket.
// It connects, hands what it receives to the window that owns the link
// (handshake replies through the hand-over, text line by line with a
// synchronous WM_LINK_REPLY), and ends on WM_WORKER_STOP or when the peer
// closes, posting WM_LINK_CLOSED on its way out.
//
// Threads: the constructor, Start, RequestStop and the destructor run on the
// user-interface thread, which owns the object and deletes it only after the
// thread has ended; it also sends on the socket. Everything else runs on the
// worker thread. The flags are atomics read across the two.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "ClientSocket.h"
#include "Handle.h"
#include "HandshakeHandOver.h"
#include "ReceivePath.h"

class CClientThread {
public:
    // `closePause`: how long the thread waits, once its connection is
    // closed, before it reports the close and ends.
    CClientThread(std::string address, std::uint16_t port, std::chrono::milliseconds closePause, HWND owner,
                  HandshakeHandOver& handOver);
    ~CClientThread();
    CClientThread(const CClientThread&) = delete;
    CClientThread& operator=(const CClientThread&) = delete;

    // Creates the thread and lets it run. False when it cannot be created.
    bool Start();
    // From now on its reply lines are for a link being torn down; posts
    // WM_WORKER_STOP and signals the stop event the loop also waits on, so a
    // stop that cannot be posted (no thread yet, or no queue) still ends it.
    // A worker stopped before it connected ends without connecting.
    void RequestStop();
    // Waits until the connect attempt is over (true) or the thread has ended
    // without making one (false). Handles sent messages meanwhile.
    bool WaitUntilStarted();
    HANDLE ThreadHandle() const { return m_thread.get(); }

    CClientSocket& Socket() { return m_socket; }
    // The connect attempt succeeded (valid once workerStarted was signalled).
    bool Connected() const { return m_connected; }
    bool Stopping() const { return m_stopping; }
    // The projector closed the connection; the thread is on its way out.
    bool PeerClosed() const { return m_peerClosed; }
    // The thread has left its message loop (stopped, or the peer closed).
    bool HasEnded() const { return m_ended; }
    // Chunks read so far on the connection (1 is the first); a line comes
    // with the number of its chunk (WM_LINK_REPLY's sender, DeliveringChunk).
    std::uint64_t ChunksRead() const { return m_received.ChunksRead(); }
    // The chunk whose lines are being delivered; valid while the window
    // handles one of them.
    std::uint64_t DeliveringChunk() const { return m_delivering; }

private:
    static unsigned __stdcall ThreadMain(void* self);
    void Run();
    void RunMessageLoop();
    int ReceiveChunk();
    void OnClose();

    CClientSocket m_socket;
    const std::string m_address;
    const std::uint16_t m_port;
    const std::chrono::milliseconds m_closePause;
    const HWND m_owner;
    HandshakeHandOver& m_handOver;
    ReceivePath m_received;  // worker thread only, but for its chunk count
    UniqueHandle m_thread;
    UniqueHandle m_stop;  // manual reset: the link wants the worker to end
    DWORD m_threadId = 0;
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_peerClosed{false};
    std::atomic<bool> m_ended{false};
    std::atomic<std::uint64_t> m_delivering{0};
};
