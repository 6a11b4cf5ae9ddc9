// The link to the one projector, as the console window owns it: everything of
// a session lives here. The session's decisions are its ProjectorSession's
// (the protocol chosen in the settings); this object carries them out with a
// worker thread and its socket, runs the session's opening with blocking
// waits, owns the hand-over the worker writes during a native handshake, and
// gives the window's timers 9 (keep-alive), 10 (command time-out) and 11 (an
// idle connection's end) their meaning. It tells its window that a session
// opened (WM_LINK_OPENED, posted) and asks its client what needs the user.
//
// User-interface thread only. Every wait here handles messages that the worker
// sends meanwhile, so neither side can wait for the other forever.
#pragma once

#include <windows.h>

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ClientThread.h"
#include "Command.h"
#include "HandshakeHandOver.h"
#include "LineGate.h"
#include "LinkClient.h"
#include "Press.h"
#include "ProjectorSession.h"
#include "SessionSettings.h"

class ProjectorLink : private OpeningChannel {
public:
    explicit ProjectorLink(LinkClient& client);
    ~ProjectorLink();
    ProjectorLink(const ProjectorLink&) = delete;
    ProjectorLink& operator=(const ProjectorLink&) = delete;

    // The window that receives the worker's messages and the link's timers,
    // and the CC drop-down's entries that a caption reply can tick.
    void Attach(HWND window, std::vector<CcItem> captionItems);
    // Takes effect at the next connection. "0.0.0.0" means no projector.
    void Configure(const SessionSettings& settings);

    // Opens a session unless one is open. Failures are shown to the user;
    // true when open.
    bool Connect();
    // Closes the session and drops anything queued.
    void Disconnect();
    // A button: its command under the protocol (opening a session first when
    // there is none), dropped while another command is outstanding or when
    // the protocol has none.
    void Press(::Press press);
    // A caption channel chosen from the CC drop-down, by its value.
    void ChooseCaption(std::string_view value);
    // Whether the CC button means anything to the projector's protocol.
    bool HasCaptions() const { return m_session->HasCaptions(); }
    void StartKeepAlive();
    // The window is going: no more timers, the worker ended.
    void Shutdown();

    bool IsOpen() const { return m_session->IsOpen(); }

    // What the window receives for the link.
    LRESULT OnReplyLine(const char* text, std::size_t length);  // WM_LINK_REPLY
    // WM_LINK_CLOSED: a worker has ended. True when the link still counts as
    // connected (a protocol whose connections are short by design, while
    // the last exchange succeeded).
    bool OnWorkerEnded();
    void OnTimer(UINT_PTR id);  // WM_TIMER

private:
    void Send(const Command& command);
    bool OpenSession();

    // The opening's steps, on the worker of the moment.
    bool Open(std::optional<int>& report) override;
    int Exchange(const std::uint8_t* request, std::size_t length) override;
    void Close() override;
    bool SendText(std::string_view bytes) override;
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit) override;

    void StopWorker();
    // A worker whose connection the projector closed is stopped and forgotten.
    void ReapEndedWorker();
    void ReapClosedConnection();
    void Perform(const LinkActions& actions);
    // An open connection with nothing to do is closed after the session's
    // idle limit, if it has one.
    void ArmIdleTimer();

    LinkClient& m_client;
    HWND m_window = nullptr;
    std::vector<CcItem> m_captionItems;
    SessionSettings m_settings;
    std::unique_ptr<ProjectorSession> m_session;
    HandshakeHandOver m_handOver;
    std::unique_ptr<CClientThread> m_worker;  // deleted only once its thread has ended
    // A handshake is under way (its failure prompt included): presses are
    // dropped rather than starting a second handshake on its connection.
    bool m_connecting = false;
    // While an opening reads lines, they are kept here instead of going to
    // the session.
    bool m_readingLines = false;
    std::deque<std::string> m_openingLines;
    UniqueHandle m_lineArrived;
    LineGate m_lineGate;
};
