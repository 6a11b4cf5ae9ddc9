#include "ClientThread.h"

#include <process.h>

#include <utility>

#include "CallbackGuard.h"
#include "LinkMessages.h"
#include "SessionRecords.h"
#include "Wait.h"

namespace {

constexpr DWORD kConnectTimeoutMs = 2000;

}  // namespace

CClientThread::CClientThread(std::string address, std::uint16_t port, std::chrono::milliseconds closePause,
                             HWND owner, HandshakeHandOver& handOver)
    : m_address(std::move(address)),
      m_port(port),
      m_closePause(closePause),
      m_owner(owner),
      m_handOver(handOver),
      m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
}

CClientThread::~CClientThread()
{
    if (m_thread) WaitForSingleObject(m_thread.get(), INFINITE);
}

bool CClientThread::Start()
{
    unsigned id = 0;
    m_thread.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CClientThread::ThreadMain, this,
                                                           CREATE_SUSPENDED, &id)));
    if (!m_thread) return false;
    m_threadId = id;
    ResumeThread(m_thread.get());
    return true;
}

void CClientThread::RequestStop()
{
    m_stopping = true;
    SetEvent(m_stop.get());
    if (m_threadId != 0) PostThreadMessageA(m_threadId, WM_WORKER_STOP, 0, 0);
}

bool CClientThread::WaitUntilStarted()
{
    if (!m_thread) return false;
    const HANDLE objects[] = {m_handOver.workerStarted.get(), m_thread.get()};
    return WaitHandlingSentMessages(objects, 2, INFINITE) == WAIT_OBJECT_0;
}

unsigned __stdcall CClientThread::ThreadMain(void* self)
{
    return GuardCallback("the link worker", 1u, [self] {
        static_cast<CClientThread*>(self)->Run();
        return 0u;
    });
}

void CClientThread::Run()
{
    // The thread's message queue exists before anyone is told it started, so
    // a stop request posted right away is not lost.
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    if (m_stopping) {
        m_ended = true;  // stopped before it started: no connection is made
        return;
    }
    m_connected = m_socket.Connect(m_address, m_port, kConnectTimeoutMs);
    SetEvent(m_handOver.workerStarted.get());
    // The loop runs even when the connection failed; the link stops it.
    RunMessageLoop();

    m_connected = false;
    m_socket.Shutdown();
    if (m_closePause.count() > 0) Sleep(static_cast<DWORD>(m_closePause.count()));
    if (IsWindow(m_owner)) PostMessageA(m_owner, WM_LINK_CLOSED, 0, 0);
    m_ended = true;
}

void CClientThread::RunMessageLoop()
{
    const HANDLE objects[] = {m_stop.get(), m_socket.NetworkEvent()};
    for (;;) {
        const DWORD count = objects[1] != WSA_INVALID_EVENT && m_connected ? 2 : 1;
        const DWORD woke = MsgWaitForMultipleObjects(count, objects, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) return;  // the stop event: ends the loop whether or not its message came
        if (count == 2 && woke == WAIT_OBJECT_0 + 1) {
            const long events = m_socket.TakeNetworkEvents();
            if (events & FD_READ) ReceiveChunk();
            if (events & FD_CLOSE) OnClose();
        }
        // Messages are looked at after every chunk too, so a stop request is
        // not starved by a projector that keeps talking.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            if (msg.message == WM_WORKER_STOP && msg.hwnd == nullptr) {
                PostQuitMessage(0);
                continue;
            }
            DispatchMessageA(&msg);
        }
    }
}

// One chunk from the projector: a handshake reply while one is awaited, else
// text, whose lines go to the window one by one. Returns what the read did.
int CClientThread::ReceiveChunk()
{
    OutputDebugStringA("CClientSocket::OnReceive\n");
    char buffer[kReceiveBufferSize] = {};
    const int received = m_socket.Receive(buffer, sizeof buffer, 0);
    if (received <= 0) {
        WSAGetLastError();
        return received;
    }

    const auto status = m_received.Chunk(buffer, static_cast<std::size_t>(received), m_handOver.pending,
                                         [&](std::string_view line, std::uint64_t chunk) {
                                             m_delivering = chunk;
                                             SendMessageA(m_owner, WM_LINK_REPLY, reinterpret_cast<WPARAM>(line.data()),
                                                          static_cast<LPARAM>(line.size()));
                                         });
    if (status) {
        if (*status == kStatusAccepted)
            SetEvent(m_handOver.replyAccepted.get());
        else
            m_handOver.status = *status;
    }
    return received;
}

// The projector closed the connection. What it sent before is read first;
// then the worker ends, and the link finds the session gone.
void CClientThread::OnClose()
{
    while (ReceiveChunk() > 0) {
    }
    m_peerClosed = true;
    m_connected = false;
    m_socket.ShutdownSend();
    PostQuitMessage(0);
}
