// Opening a session: a probe on one connection tells whether the projector
// wants a password, the probe connection is closed, and an open request with
// the password header on a second connection opens the text session. The
// order and the decisions are here; a channel carries them out (the console's
// worker threads, or a command-line client's blocking socket). Windows-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// What a driver does for the handshake.
class HandshakeChannel {
public:
    // Makes a new connection to the projector. False when none could be made;
    // `report` is then the status to tell the user, if any.
    virtual bool Open(std::optional<int>& report) = 0;
    // Sends a request on the open connection and waits for its reply: 0x20
    // when one was accepted within the wait, else the refusal recorded, or -1.
    virtual int Exchange(const std::uint8_t* request, std::size_t length) = 0;
    // Closes the open connection.
    virtual void Close() = 0;

protected:
    ~HandshakeChannel() = default;
};

struct HandshakeOutcome {
    bool opened = false;
    std::optional<int> report;  // the status to tell the user when not opened
};

// What the probe's answer and our settings make of the attempt: nothing when
// the open request should follow, else the status to report. The projector
// and the settings must agree on whether there is a password.
std::optional<int> ProbeRefusal(int probeStatus, bool havePassword);

// The whole handshake. When it opens, the channel's connection is the
// session's; when it fails, whatever connection is left open is the caller's
// to close.
HandshakeOutcome RunHandshake(HandshakeChannel& channel, std::string_view password);
