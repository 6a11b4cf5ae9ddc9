// One projector protocol's session, as the drivers use it: the console's link
// (worker threads, window timers, prompts) and beamctl (one blocking socket)
// drive either protocol through this interface and never ask which one it is.
// Each protocol has its own implementation (NativeSession for port 3629,
// PjlinkSession for PJLink): what its buttons send, how a session opens, and
// every decision about replies, follow-ups, time-outs and questions. Events
// go in, actions (LinkSession.h) come out; the only I/O is the opening's,
// carried out by the driver's channel. No clock, no Windows header; one thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Command.h"
#include "Handshake.h"
#include "LinkSession.h"
#include "Press.h"
#include "SessionSettings.h"

// What an opening needs of its driver besides the native handshake's records:
// text lines, for a protocol whose projector greets and answers in lines.
class OpeningChannel : public HandshakeChannel {
public:
    // Sends the bytes on the open connection; false when it is gone.
    virtual bool SendText(std::string_view bytes) = 0;
    // The next line the projector sends on the open connection, waiting at
    // most `limit`; nothing on time-out or when the connection ends.
    virtual std::optional<std::string> ReadLine(std::chrono::milliseconds limit) = 0;

protected:
    ~OpeningChannel() = default;
};

// How the command submitted last stands, for a driver that waits for its
// answer before it goes on (beamctl).
struct CommandAnswer {
    bool complete = false;               // answered, and so is the follow-up its reply chose
    std::vector<std::string> lines;      // the reply lines that came for it, prompts left out
    std::optional<std::string> refusal;  // the projector's error answer as it gave it ("ERR", "ERR3")
    bool followedUp = false;             // its reply chose a follow-up, which went out
};

class ProjectorSession {
public:
    virtual ~ProjectorSession() = default;

    // New settings of the same protocol, taken while no connection is open.
    // What the session learned of a projector (a PJLink projector's class)
    // stays.
    virtual void Reconfigure(const SessionSettings& settings) = 0;

    // The projector's TCP port.
    virtual std::uint16_t Port() const = 0;
    // How long a link worker pauses once its connection is closed, before it
    // reports the close (the next connection waits for that).
    virtual std::chrono::milliseconds ClosePause() const = 0;
    // Beamdesk closes a connection that has had nothing to do this long;
    // nothing: it stays open until the projector or a failure ends it.
    virtual std::optional<std::chrono::milliseconds> IdleLimit() const = 0;

    // What a console button sends; nothing when this protocol has no such
    // command (the press is dropped).
    virtual std::optional<Command> CommandFor(Press press) const = 0;
    // A caption channel chosen from the CC drop-down, by its value; nothing
    // when the protocol has no captions.
    virtual std::optional<Command> CaptionChoice(std::string_view value) const = 0;
    // Whether there is anything for the CC button to do.
    virtual bool HasCaptions() const = 0;

    // Opens a session: connections, requests and waits are the channel's,
    // the decisions this session's. When it fails, whatever connection is
    // left open is the caller's to close.
    virtual HandshakeOutcome Open(OpeningChannel& channel) = 0;
    // The connection is gone (the projector closed it, or the driver did).
    virtual void Closed() = 0;

    virtual LinkActions Submit(const Command& command) = 0;
    virtual LinkActions KeepAliveTick() = 0;
    // One reply line, or a received chunk cut into lines here.
    virtual LinkActions Line(std::string_view line) = 0;
    virtual LinkActions Received(std::string_view chunk) = 0;
    virtual LinkActions CommandTimedOut() = 0;
    // The connection had nothing to do for IdleLimit().
    virtual LinkActions IdleTimedOut() = 0;
    virtual LinkActions PowerOffAnswered(bool yes) = 0;
    virtual void CaptionMenuClosed() = 0;

    virtual bool IsOpen() const = 0;
    virtual bool IsIdle() const = 0;
    // Whether the console still shows "Connected" once a connection has
    // ended: for a protocol whose connections are short by design, as long
    // as the last exchange succeeded.
    virtual bool StaysConnectedAfterClose() const = 0;
    virtual const CommandAnswer& Answer() const = 0;
};
