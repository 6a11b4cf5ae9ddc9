#include "ProjectorLink.h"

#include <utility>

#include "LinkMessages.h"
#include "Protocols.h"
#include "SessionRecords.h"
#include "Wait.h"

namespace {

constexpr UINT_PTR kKeepAliveTimer = 9;
constexpr UINT kKeepAlivePeriodMs = 300000;
constexpr UINT_PTR kCommandTimer = 10;
constexpr UINT_PTR kIdleTimer = 11;
constexpr DWORD kHandshakeWaitMs = 2000;
constexpr const char* kNoProjector = "0.0.0.0";

// Before anything modal, let the worker that sent the line go on receiving.
void ReleaseSender()
{
    if (InSendMessage()) ReplyMessage(1);
}

}  // namespace

ProjectorLink::ProjectorLink(LinkClient& client)
    : m_client(client), m_session(MakeSession(m_settings)), m_lineArrived(CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
}

ProjectorLink::~ProjectorLink()
{
    StopWorker();
}

void ProjectorLink::Attach(HWND window, std::vector<CcItem> captionItems)
{
    m_window = window;
    m_captionItems = std::move(captionItems);
    m_session = MakeSession(m_settings, m_captionItems);
}

// The protocol is chosen here: a new one gets a session of its own; the same
// one keeps what its session has learned.
void ProjectorLink::Configure(const SessionSettings& settings)
{
    const bool otherProtocol = settings.protocol != m_settings.protocol;
    m_settings = settings;
    if (otherProtocol) {
        m_session = MakeSession(m_settings, m_captionItems);
        m_handOver.pending = false;  // no handshake record is awaited from the new one
    } else {
        m_session->Reconfigure(m_settings);
    }
}

bool ProjectorLink::Connect()
{
    if (!OpenSession()) return false;
    ArmIdleTimer();
    return true;
}

// The opening; the idle timer is the caller's, so a press that opens the
// session and sends at once never arms it for nothing.
bool ProjectorLink::OpenSession()
{
    if (m_connecting) return false;
    ReapEndedWorker();
    if (m_session->IsOpen()) return true;
    m_connecting = true;
    const HandshakeOutcome outcome = m_session->Open(*this);
    m_readingLines = false;
    m_openingLines.clear();
    if (outcome.opened) {
        m_connecting = false;
        PostMessageA(m_window, WM_LINK_OPENED, 0, 0);
        return true;
    }
    // The prompt runs a modal loop in which presses arrive; they are dropped
    // until the failed attempt has been cleared away.
    if (outcome.report) m_client.ShowLinkError(*outcome.report);
    Disconnect();
    m_connecting = false;
    return false;
}

void ProjectorLink::Disconnect()
{
    KillTimer(m_window, kCommandTimer);
    KillTimer(m_window, kIdleTimer);
    StopWorker();
    m_session->Closed();
    ResetEvent(m_handOver.workerStarted.get());
    ResetEvent(m_handOver.replyAccepted.get());
}

void ProjectorLink::Press(::Press press)
{
    if (const auto command = m_session->CommandFor(press)) Send(*command);
}

void ProjectorLink::ChooseCaption(std::string_view value)
{
    if (const auto command = m_session->CaptionChoice(value)) Send(*command);
}

void ProjectorLink::Send(const Command& command)
{
    if (m_connecting) return;
    ReapClosedConnection();
    if (!m_session->IsOpen()) OpenSession();
    Perform(m_session->Submit(command));
    ArmIdleTimer();
}

// A connection the projector has closed is not sent on, whether or not the
// worker has noticed yet: a press right after the close connects again.
void ProjectorLink::ReapClosedConnection()
{
    if (m_worker && m_worker->Socket().PeerHasClosed()) StopWorker();
    ReapEndedWorker();
}

void ProjectorLink::StartKeepAlive()
{
    SetTimer(m_window, kKeepAliveTimer, kKeepAlivePeriodMs, nullptr);
}

void ProjectorLink::Shutdown()
{
    KillTimer(m_window, kKeepAliveTimer);
    KillTimer(m_window, kIdleTimer);
    StopWorker();
}

// A new connection for the opening (an existing worker is reused). The
// connect itself runs on the worker; its outcome is known once it signals.
bool ProjectorLink::Open(std::optional<int>& report)
{
    ReapEndedWorker();
    if (m_worker) return true;
    ResetEvent(m_handOver.workerStarted.get());
    if (m_settings.address == kNoProjector) return false;

    auto worker = std::make_unique<CClientThread>(m_settings.address, m_session->Port(), m_session->ClosePause(),
                                                  m_window, m_handOver);
    if (!worker->Start()) return false;
    m_worker = std::move(worker);
    m_lineGate.NewConnection();
    m_openingLines.clear();
    m_readingLines = true;  // a projector that greets does so at once
    if (!m_worker->WaitUntilStarted() || !m_worker->Connected()) {
        StopWorker();
        report = kStatusConnectFailed;
        return false;
    }
    return true;
}

// 0x20 when an accepted reply came within the wait, else the refusal the
// worker recorded, or -1. A refusal is known only once the wait is over.
int ProjectorLink::Exchange(const std::uint8_t* request, std::size_t length)
{
    ResetEvent(m_handOver.replyAccepted.get());
    m_handOver.pending = true;
    m_handOver.status = kStatusNoReply;
    if (m_worker) m_worker->Socket().SendData(reinterpret_cast<const char*>(request), static_cast<int>(length));
    if (WaitHandlingSentMessages(m_handOver.replyAccepted.get(), kHandshakeWaitMs) == WAIT_OBJECT_0)
        return kStatusAccepted;
    return m_handOver.status;
}

void ProjectorLink::Close()
{
    StopWorker();
}

bool ProjectorLink::SendText(std::string_view bytes)
{
    if (!m_worker) return false;
    m_lineGate.CommandSent(m_worker->ChunksRead());
    return m_worker->Socket().SendData(bytes.data(), static_cast<int>(bytes.size())) == TRUE;
}

// The next line the worker delivered during the opening; the wait ends early
// when the worker ends (the projector closed the connection).
std::optional<std::string> ProjectorLink::ReadLine(std::chrono::milliseconds limit)
{
    if (m_openingLines.empty() && m_worker) {
        ResetEvent(m_lineArrived.get());
        const HANDLE objects[] = {m_lineArrived.get(), m_worker->ThreadHandle()};
        WaitHandlingSentMessages(objects, 2, static_cast<DWORD>(limit.count()));
    }
    if (m_openingLines.empty()) return std::nullopt;
    std::string line = std::move(m_openingLines.front());
    m_openingLines.pop_front();
    return line;
}

// Ends the worker and waits for its thread. Reply lines it delivers meanwhile
// are handled (and ignored), so neither side can wait for the other forever.
void ProjectorLink::StopWorker()
{
    if (!m_worker) return;
    m_worker->RequestStop();
    WaitHandlingSentMessages(m_worker->ThreadHandle(), INFINITE);
    m_worker.reset();
    KillTimer(m_window, kIdleTimer);
    if (m_session->IsOpen()) m_session->Closed();
}

void ProjectorLink::ReapEndedWorker()
{
    if (m_worker && (m_worker->HasEnded() || m_worker->PeerClosed())) StopWorker();
}

LRESULT ProjectorLink::OnReplyLine(const char* text, std::size_t length)
{
    if (!m_worker) return 0;
    const std::string_view line(text != nullptr ? text : "", text != nullptr ? length : 0);
    switch (m_lineGate.For(m_worker->DeliveringChunk(), m_worker->Stopping(), m_readingLines)) {
    case LineGate::Route::Drop:
        return 0;
    case LineGate::Route::Opening:
        m_openingLines.emplace_back(line);
        SetEvent(m_lineArrived.get());
        return 0;
    case LineGate::Route::Session:
        Perform(m_session->Line(line));
        ArmIdleTimer();
        return 0;
    }
    return 0;
}

bool ProjectorLink::OnWorkerEnded()
{
    ReapEndedWorker();
    return m_session->StaysConnectedAfterClose();
}

void ProjectorLink::OnTimer(UINT_PTR id)
{
    if (id == kKeepAliveTimer) {
        ReapEndedWorker();
        Perform(m_session->KeepAliveTick());
    } else if (id == kCommandTimer) {
        KillTimer(m_window, kCommandTimer);
        Perform(m_session->CommandTimedOut());
    } else if (id == kIdleTimer) {
        KillTimer(m_window, kIdleTimer);
        Perform(m_session->IdleTimedOut());
    }
}

void ProjectorLink::ArmIdleTimer()
{
    const auto limit = m_session->IdleLimit();
    if (!limit || !m_worker || !m_session->IsOpen() || !m_session->IsIdle()) return;
    SetTimer(m_window, kIdleTimer, static_cast<UINT>(limit->count()), nullptr);
}

void ProjectorLink::Perform(const LinkActions& actions)
{
    using Kind = LinkAction::Kind;
    for (const LinkAction& action : actions) {
        switch (action.kind) {
        case Kind::Send:
            m_handOver.pending = false;  // from now on received data is text
            if (!m_worker) break;
            KillTimer(m_window, kIdleTimer);
            SetTimer(m_window, kCommandTimer, static_cast<UINT>(m_settings.commandTimeout.count()), nullptr);
            m_lineGate.CommandSent(m_worker->ChunksRead());
            m_worker->Socket().SendData(action.text.data(), static_cast<int>(action.text.size()));
            break;
        case Kind::StopTimer:
            KillTimer(m_window, kCommandTimer);
            break;
        case Kind::Close:
            // A reply line can close the connection (a refused password):
            // the worker that sent it must not wait for this answer while
            // its thread is waited for.
            ReleaseSender();
            StopWorker();
            break;
        case Kind::Report:
            m_client.ShowLinkError(action.code);
            break;
        case Kind::ConfirmPowerOff: {
            ReleaseSender();
            const bool yes = m_client.ConfirmPowerOff();
            // The projector may have closed the connection while the user
            // thought about it; the answer must not go out on a dead one.
            ReapClosedConnection();
            Perform(m_session->PowerOffAnswered(yes));
            break;
        }
        case Kind::ShowCaptionMenu:
            ReleaseSender();
            m_client.ShowCaptionMenu(action.code);
            m_session->CaptionMenuClosed();
            break;
        case Kind::Reconnect:
            if (OpenSession()) Perform(m_session->Submit({action.text, CommandKind::Plain}));
            break;
        case Kind::Dropped:  // like any press the link cannot send: without a word
            break;
        }
    }
}
