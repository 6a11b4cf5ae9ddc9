#include "ClientThread.h"

#include <process.h>

#include "BeamdeskApp.h"
#include "ConsoleDlg.h"
#include "LineCutter.h"
#include "PrivateMessages.h"
#include "SessionRecords.h"

namespace {

constexpr DWORD kConnectTimeoutMs = 2000;
// The pause before a worker reports the link closed.
constexpr DWORD kClosePauseMs = 500;

}  // namespace

CClientThread::CClientThread()
{
    m_socket.m_pThread = this;
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

bool CClientThread::RequestStop()
{
    return m_threadId != 0 && PostThreadMessageA(m_threadId, WM_WORKER_STOP, 0, 0) != FALSE;
}

unsigned __stdcall CClientThread::ThreadMain(void* self)
{
    static_cast<CClientThread*>(self)->Run();
    return 0;
}

HWND CClientThread::OwnerWindow() const
{
    return m_pOwner != nullptr ? m_pOwner->GetHwnd() : nullptr;
}

void CClientThread::Run()
{
    // The thread's message queue exists before anyone is told it started, so
    // a stop request posted right away is not lost.
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    InitInstance();

    HANDLE network = m_socket.NetworkEvent();
    bool running = true;
    while (running) {
        const DWORD count = network != WSA_INVALID_EVENT && m_socket.m_bConnected ? 1 : 0;
        const DWORD woke = MsgWaitForMultipleObjects(count, &network, FALSE, INFINITE, QS_ALLINPUT);
        if (count == 1 && woke == WAIT_OBJECT_0) {
            const long events = m_socket.TakeNetworkEvents();
            if (events & FD_READ) OnReceive();
            if (events & FD_CLOSE) OnClose();
        }
        // Messages are looked at after every chunk too, so a stop request is
        // not starved by a projector that keeps talking.
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                running = false;
                break;
            }
            if (msg.message == WM_WORKER_STOP && msg.hwnd == nullptr) {
                PostQuitMessage(0);  // OnStopRequest
                continue;
            }
            DispatchMessageA(&msg);
        }
    }
    ExitInstance();

    if (CBeamdeskApp* app = GetBeamdeskApp()) SetEvent(app->m_evtWorkerStopped.get());
    m_ended = true;
}

BOOL CClientThread::InitInstance()
{
    const bool connected = m_socket.Connect(m_strAddress, kProjectorPort, kConnectTimeoutMs);
    m_socket.m_bConnected = connected;
    if (CBeamdeskApp* app = GetBeamdeskApp()) SetEvent(app->m_evtWorkerStarted.get());
    // The loop runs even when the connection failed; the console stops it.
    return TRUE;
}

int CClientThread::ExitInstance()
{
    m_socket.m_bConnected = false;
    m_socket.Shutdown();
    Sleep(kClosePauseMs);
    if (HWND owner = OwnerWindow(); owner != nullptr && IsWindow(owner)) PostMessageA(owner, WM_LINK_CLOSED, 0, 0);
    return 0;
}

// A chunk from the projector: a handshake reply while one is awaited, else
// text cut into lines and delivered one by one while the chunk is in hand.
void CClientThread::OnReceive()
{
    OutputDebugStringA("CClientSocket::OnReceive\n");
    char buffer[kReceiveBufferSize] = {};
    const int received = m_socket.Receive(buffer, sizeof buffer, 0);
    if (received <= 0) {
        WSAGetLastError();
        return;
    }
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return;

    if (app->m_handshakePending) {
        const auto status = HandshakeReplyStatus(reinterpret_cast<const std::uint8_t*>(buffer),
                                                 static_cast<std::size_t>(received));
        if (!status) return;
        if (*status == kStatusAccepted)
            SetEvent(app->m_evtHandshakeReply.get());
        else
            app->m_handshakeStatus = *status;
        return;
    }

    HWND owner = OwnerWindow();
    if (owner == nullptr) return;
    CutLines(buffer, static_cast<std::size_t>(received), [&](std::string_view line) {
        SendMessageA(owner, WM_LINK_REPLY, reinterpret_cast<WPARAM>(line.data()), static_cast<LPARAM>(line.size()));
    });
}

// The projector closed the connection: the worker ends, and the console finds
// the link gone at its next command.
void CClientThread::OnClose()
{
    m_socket.m_bConnected = false;
    m_socket.ShutdownSend();
    PostQuitMessage(0);
}
