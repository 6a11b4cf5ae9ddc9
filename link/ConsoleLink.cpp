// The console's side of the link: opening a session (probe, then the open
// request on a second connection), starting and stopping the worker, sending
// one command at a time under a reply time-out. User-interface thread only;
// every wait here handles messages the worker sends meanwhile.
#include <cstring>

#include "BeamdeskApp.h"
#include "ClientThread.h"
#include "CommandSet.h"
#include "ConsoleDlg.h"
#include "PrivateMessages.h"
#include "SessionRecords.h"
#include "Wait.h"

namespace {

constexpr UINT_PTR kCommandTimer = 10;
constexpr DWORD kHandshakeWaitMs = 2000;

// Arms the hand-over for one handshake reply.
void ExpectHandshakeReply(CBeamdeskApp& app)
{
    ResetEvent(app.m_evtHandshakeReply.get());
    app.m_handshakePending = 1;
    app.m_handshakeStatus = kStatusNoReply;
}

// 0x20 when an accepted reply came within the wait, else the refusal the
// worker recorded, or -1. A refusal is known only once the wait is over.
int AwaitHandshakeReply(CBeamdeskApp& app)
{
    if (WaitHandlingSentMessages(app.m_evtHandshakeReply.get(), kHandshakeWaitMs) == WAIT_OBJECT_0)
        return kStatusAccepted;
    return app.m_handshakeStatus;
}

}  // namespace

void CConsoleDlg::ReapEndedWorker()
{
    if (m_pWorker == nullptr || !m_pWorker->HasEnded()) return;
    delete m_pWorker;  // joins the (finished) thread, closes the socket
    m_pWorker = nullptr;
}

int CConsoleDlg::StartWorker()
{
    ReapEndedWorker();
    if (m_pWorker != nullptr) return 1;
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return 0;
    ResetEvent(app->m_evtWorkerStarted.get());
    const std::string address = AddressText(app->m_settings);
    if (address == "0.0.0.0") return 0;

    auto* worker = new CClientThread;
    worker->SetAddress(address);
    worker->m_pOwner = this;
    m_pWorker = worker;
    if (!worker->Start()) {
        delete worker;
        m_pWorker = nullptr;
        return 0;
    }
    WaitHandlingSentMessages(app->m_evtWorkerStarted.get(), INFINITE);
    if (!worker->m_socket.m_bConnected) {
        StopWorker();
        ShowLinkError(kStatusConnectFailed, 0);
        return 0;
    }
    return 1;
}

// Ends the worker and waits for its thread. Reply lines it delivers meanwhile
// are handled (and ignored), so neither side can wait for the other forever.
void CConsoleDlg::StopWorker()
{
    if (m_pWorker == nullptr) return;
    m_pWorker->m_stopping = true;
    m_pWorker->RequestStop();
    WaitHandlingSentMessages(m_pWorker->ThreadHandle(), INFINITE);
    delete m_pWorker;
    m_pWorker = nullptr;
}

void CConsoleDlg::Disconnect()
{
    KillTimer(GetHwnd(), kCommandTimer);
    StopWorker();
    m_bSessionOpen = FALSE;
    m_nPhase = kPhaseNone;
    if (CBeamdeskApp* app = GetBeamdeskApp()) {
        ResetEvent(app->m_evtWorkerStarted.get());
        ResetEvent(app->m_evtHandshakeReply.get());
        ResetEvent(app->m_evtWorkerStopped.get());
    }
}

int CConsoleDlg::ProbeProjector()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr || StartWorker() != 1 || m_bSessionOpen) return kStatusNoReply;
    ExpectHandshakeReply(*app);
    const ProbeRequest probe = BuildProbeRequest();
    m_nPhase = kPhaseProbe;
    m_pWorker->m_socket.SendData(reinterpret_cast<const char*>(probe.data()), static_cast<int>(probe.size()));
    return AwaitHandshakeReply(*app);
}

void CConsoleDlg::BuildHandshake(unsigned char type, unsigned char* record)
{
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr || record == nullptr) return;
    const OpenRequest request = BuildOpenRequest(type, PasswordText(app->m_settings));
    std::memcpy(record, request.data(), request.size());
}

// Opens a session: probe on one connection, open request on a second. Every
// failure ends in Disconnect, so the next attempt starts afresh.
BOOL CConsoleDlg::Connect()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    const auto succeed = [this] {
        m_bReady = TRUE;
        PostMessageA(GetHwnd(), WM_LINK_OPENED, 0, 0);
        return TRUE;
    };
    const auto fail = [this] {
        Disconnect();
        return FALSE;
    };

    if (app == nullptr || StartWorker() != 1) return fail();
    if (m_bSessionOpen) return succeed();

    const int probe = ProbeProjector();
    StopWorker();
    const bool hasPassword = app->m_settings.password[0] != '\0';
    if (probe == kStatusAccepted || probe == kStatusPasswordRequired) {
        // The projector's answer and our settings must agree on a password.
        if ((probe == kStatusAccepted) == hasPassword) {
            ShowLinkError(kStatusPasswordRefused, 0);
            return fail();
        }
    } else {
        m_bSessionOpen = FALSE;
        ShowLinkError(probe, 0);
        ResetEvent(app->m_evtHandshakeReply.get());
        return fail();
    }

    if (StartWorker() != 1) return fail();
    ExpectHandshakeReply(*app);
    unsigned char record[kOpenRequestSize] = {};
    BuildHandshake(kTypeOpen, record);
    m_nPhase = kPhaseOpen;
    m_pWorker->m_socket.SendData(reinterpret_cast<const char*>(record), sizeof record);
    if (AwaitHandshakeReply(*app) == kStatusAccepted) {
        m_bSessionOpen = TRUE;
        return succeed();
    }
    m_bSessionOpen = FALSE;
    ShowLinkError(app->m_handshakeStatus, 0);
    ResetEvent(app->m_evtHandshakeReply.get());
    return fail();
}

// One command at a time: dropped, without a word, while another is
// outstanding or when no session can be had.
void CConsoleDlg::SendCommand(const std::string& text, BOOL expectReply, BOOL allowOpen)
{
    ReapEndedWorker();
    if (m_pWorker == nullptr) m_bSessionOpen = FALSE;
    if (!m_bSessionOpen) {
        if (allowOpen) m_bSessionOpen = Connect();
        if (!m_bSessionOpen) return;
    }
    if (!m_bReady) return;
    if (text.size() >= sizeof m_szCommand) return;  // never sent cut short

    CBeamdeskApp* app = GetBeamdeskApp();
    m_bReady = FALSE;
    if (app != nullptr) app->m_handshakePending = 0;
    m_bExpectReply = expectReply;
    std::memcpy(m_szCommand, text.c_str(), text.size() + 1);
    m_bCcQuery = text == kCaptionQuery;
    m_nPhase = kPhaseCommand;
    if (m_pWorker != nullptr) {
        SetTimer(GetHwnd(), kCommandTimer, app != nullptr ? static_cast<UINT>(app->m_commandTimeoutMs) : 10000, nullptr);
        m_pWorker->m_socket.SendData(m_szCommand, static_cast<int>(text.size()));
    }
}

void CConsoleDlg::OnTimer(UINT_PTR id)
{
    if (id == m_keepAliveTimer) {
        SendCommand(":\r", FALSE, FALSE);
    } else if (id == kCommandTimer) {
        KillTimer(GetHwnd(), kCommandTimer);
        if (!m_bReady) {
            StopWorker();
            // A keep-alive that goes unanswered closes the link silently.
            if (std::strncmp(m_szCommand, ":\r", 2) != 0) ShowLinkError(kStatusCommandTimeout, 0);
            m_bReady = TRUE;
        }
    }
}
