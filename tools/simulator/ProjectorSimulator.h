#pragma once

// A stand-in projector for tests and demos: it listens on a loopback address,
// answers the session handshake and the text commands the console sends, keeps
// the projector's state, and can misbehave on demand.
//
// Behaviour beyond the handshake and command replies themselves:
//  - text sent before an accepted open request is answered "ERR" CR ":" line
//    by line, and a handshake request may still follow it;
//  - a handshake request of a type other than probe (2) or open (3) is
//    answered with status 0x45;
//  - IMPWR ON acts in standby ("01", "05"), IMPWR OFF while warming up or on
//    ("02", "03"); otherwise they change nothing but are still answered;
//  - a line over 4096 bytes is dropped and answered "ERR" once its CR comes.
//
// One thread runs the network loop; every member may be called from any other
// thread. Callbacks run on the loop thread (or on the thread calling a state
// setter) and must not call Stop() or the fault setters.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ProjectorSimulator {
public:
    struct Options {
        std::string address = "127.0.0.1";  // must lie in 127.0.0.0/8
        std::uint16_t port = 3629;           // 0 picks a free port, see Port()
        std::string password;                // at most 16 characters count
        std::uint8_t refusalStatus = 0x43;   // open reply status for a wrong password
        int warmUpMs = 3000;                 // "02" lasts this long after IMPWR ON
        int coolDownMs = 3000;               // "04" lasts this long after IMPWR OFF
        int listenBacklog = 8;
        // Every chunk of bytes received, with its connection number (from 1).
        std::function<void(int connection, const std::string& bytes)> onReceived;
        // Every state change, as one line such as "power 01 -> 02".
        std::function<void(const std::string& line)> onStateChange;
    };

    // When the simulator drops a connection on its own.
    enum class CloseMoment {
        Never,
        AfterProbeReply,  // right after sending a probe reply
        AfterOpenReply,   // right after sending an open reply
        OnCommand,        // on receiving a text command, without replying
        OnAccept,         // as soon as a connection is accepted, before anything is read
        AfterReplyValue,  // on a text command: carry it out, send its reply lines
                          // without the prompt, then close
    };

    static constexpr std::uint8_t kAccepted = 0x20;
    static constexpr std::uint8_t kPasswordRequired = 0x41;

    ProjectorSimulator();
    explicit ProjectorSimulator(Options options);
    ~ProjectorSimulator();
    ProjectorSimulator(const ProjectorSimulator&) = delete;
    ProjectorSimulator& operator=(const ProjectorSimulator&) = delete;

    // Binds and starts the loop. False when the address is not a loopback
    // address, cannot be bound (e.g. in use), or the simulator already runs.
    bool Start();
    // Closes every connection and the listener and joins the loop thread.
    void Stop();
    bool Running() const;
    std::uint16_t Port() const;  // the bound port once started

    // Projector state. Setters take effect at once and report a change like
    // the commands do; SetPower also cancels a running warm-up or cool-down.
    std::string Power() const;  // "01" standby, "02" warming up, "03" on, "04" cooling down
    std::string Source() const;
    bool Mute() const;
    bool Freeze() const;
    int Volume() const;  // 0 to 20
    std::string Caption() const;
    void SetPower(const std::string& code);
    void SetSource(const std::string& code);
    void SetMute(bool on);
    void SetFreeze(bool on);
    void SetVolume(int volume);
    void SetCaption(const std::string& value);
    // Every state change so far, in order, in the onStateChange form.
    std::vector<std::string> StateChanges() const;

    // Faults. Each stays in force until changed or ClearFaults().
    void SetSilentHandshake(bool on);   // read handshake requests, never reply
    void SetWrongMagic(bool on);        // handshake replies carry a wrong magic
    void SetProbeStatus(std::optional<std::uint8_t> status);  // forced probe reply status
    void SetOpenStatus(std::optional<std::uint8_t> status);   // forced open reply status
    void SetSilentCommands(bool on);    // read text commands, neither run nor answer them
    // Every reply leaves in two sends: the first firstPartBytes bytes, a pause,
    // then the rest. 0 sends replies whole.
    void SetSplitReplies(std::size_t firstPartBytes,
                         std::chrono::milliseconds pause = std::chrono::milliseconds(200));
    // Every text reply (not handshake replies) leaves one byte per send,
    // with `pause` between the bytes, so TCP may cut it anywhere.
    void SetTrickleReplies(bool on, std::chrono::milliseconds pause = std::chrono::milliseconds(3));
    // Bytes sent in front of every text reply (not of handshake replies).
    void SetGarbageBeforeReplies(std::string bytes);
    // Bytes sent on every connection as soon as it is accepted, before the
    // peer has said anything.
    void SetGreeting(std::string bytes);
    void SetCloseAt(CloseMoment moment);
    // No listener: connects are refused. Returns once the listener is closed
    // (or reopened, when switched off).
    void SetRefuseConnections(bool on);
    // The accept queue is kept full so a further connect neither completes nor
    // fails. Returns once that is in place (or undone).
    void SetHangConnects(bool on);
    void ClearFaults();
    // Closes every open connection now; returns once they are closed.
    void CloseAllConnections();

    // A line of the given length without CR, with 0x00 and 0xFF bytes in it.
    static std::string SampleGarbage(std::size_t length = 3000);

    // Bytes received, one string per connection in connection order.
    std::vector<std::string> Received() const;
    int ConnectionCount() const;      // connections accepted so far
    int OpenConnectionCount() const;  // connections open now

    // Polls condition every few ms until it holds or limit has passed; returns
    // its last value.
    static bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);

    // True for a dotted IPv4 address inside 127.0.0.0/8.
    static bool IsLoopbackAddress(std::string_view address);
    // Bytes as one line of text: printable ASCII as is, "\" as "\\", CR as
    // "\r", everything else as "\xNN".
    static std::string Escape(std::string_view bytes);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
