// The link to the one projector, as the console window owns it: everything of
// a session lives here. The session's decisions are LinkSession's; this object
// carries them out with a worker thread and its socket, runs the handshake
// with blocking waits, owns the hand-over the worker writes during it, and
// gives the window's timers 9 (keep-alive) and 10 (command time-out) their
// meaning. It tells its window that a session opened (WM_LINK_OPENED, posted)
// and asks its client what needs the user.
//
// User-interface thread only. Every wait here handles messages that the worker
// sends meanwhile, so neither side can wait for the other forever.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ClientThread.h"
#include "Command.h"
#include "Handshake.h"
#include "HandshakeHandOver.h"
#include "LinkClient.h"
#include "LinkSession.h"

struct LinkSettings {
    std::string address;    // dotted IPv4; "0.0.0.0" means no projector
    std::string password;   // at most 16 characters; empty: none
    int commandTimeoutMs = 10000;
};

class ProjectorLink : private HandshakeChannel {
public:
    explicit ProjectorLink(LinkClient& client);
    ~ProjectorLink();
    ProjectorLink(const ProjectorLink&) = delete;
    ProjectorLink& operator=(const ProjectorLink&) = delete;

    // The window that receives the worker's messages and the link's timers,
    // and the CC drop-down's entries that a caption reply can tick.
    void Attach(HWND window, std::vector<CcItem> captionItems);
    // Takes effect at the next connection.
    void Configure(LinkSettings settings);

    // Opens a session unless one is open: probe, then the open request on a
    // second connection. Failures are shown to the user; true when open.
    bool Connect();
    // Closes the session and drops anything queued.
    void Disconnect();
    // A button's command: opens a session first when there is none; dropped
    // while another command is outstanding.
    void Send(const Command& command);
    void StartKeepAlive();
    // The window is going: no more timers, the worker ended.
    void Shutdown();

    bool IsOpen() const { return m_session.IsOpen(); }

    // What the window receives for the link.
    LRESULT OnReplyLine(const char* text, std::size_t length);  // WM_LINK_REPLY
    void OnWorkerEnded();                                        // WM_LINK_CLOSED
    void OnTimer(UINT_PTR id);                                   // WM_TIMER

private:
    // The handshake's steps, on the worker of the moment.
    bool Open(std::optional<int>& report) override;
    int Exchange(const std::uint8_t* request, std::size_t length) override;
    void Close() override;

    void StopWorker();
    // A worker whose connection the projector closed is stopped and forgotten.
    void ReapEndedWorker();
    void Perform(const LinkActions& actions);

    LinkClient& m_client;
    HWND m_window = nullptr;
    LinkSettings m_settings;
    LinkSession m_session;
    HandshakeHandOver m_handOver;
    std::unique_ptr<CClientThread> m_worker;  // deleted only once its thread has ended
    // A handshake is under way (its failure prompt included): presses are
    // dropped rather than starting a second handshake on its connection.
    bool m_connecting = false;
};
