#pragma once

// A stand-in projector for tests and demos: it listens on a loopback address,
// keeps the projector's state, and can misbehave on demand. It speaks one of
// two protocols, chosen in Options::protocol.
//
// Native (port 3629): it answers the session handshake and the text commands
// the console sends. Behaviour beyond the handshake and command replies:
//  - text sent before an accepted open request is answered "ERR" CR ":" line
//    by line, and a handshake request may still follow it;
//  - a handshake request of a type other than probe (2) or open (3) is
//    answered with status 0x45;
//  - IMPWR ON acts in standby ("01", "05"), IMPWR OFF while warming up or on
//    ("02", "03"); otherwise they change nothing but are still answered;
//  - a line over 4096 bytes is dropped and answered "ERR" once its CR comes.
//
// PJLink (port 4352), Class 1 and, unless pjlinkClass is 1, Class 2:
//  - every connection is greeted at once with "PJLINK 0" CR, or with a password
//    "PJLINK 1 " + 8 lowercase hex digits (fresh per connection) + CR;
//  - with a password the first command line must begin with the lowercase hex
//    MD5 of that random followed by the password; otherwise the line is
//    answered "PJLINK ERRA" CR and dropped, and the next line must try again.
//    Later lines may carry the digest or not;
//  - a command line is "%", a class digit, a 4-character body (any case), one
//    space, a parameter of at most 128 bytes and CR. Anything else, an LF
//    included, gets no reply; replies repeat the class digit and give the body
//    in capitals: "%1POWR=OK" CR;
//  - ERR1 for a body it does not know in that class (every "%2" line when
//    pjlinkClass is 1), ERR2 for a bad parameter, an input it does not have,
//    or a parameter other than "?" for a query, ERR3 for POWR 0/1 while
//    warming up or cooling down;
//  - POWR 1 starts a warm-up ("3") in standby, POWR 0 a cool-down ("2") when
//    on; otherwise they change nothing and are still answered OK;
//  - %1INPT and %1INST know the input codes 11-59, %2INPT and %2INST also the
//    type 6 and second characters A-Z; INNM takes "?" followed by a code;
//  - LAMP reports a lamp lit while on or warming up; IRES and RRES answer the
//    configured resolutions whatever the power;
//  - a connection is closed when no command has come for the idle limit since
//    the greeting or the last reply (a line without reply does not count);
//  - Class 2 only, unless answerSearch is off: the search datagram is answered
//    by a SearchResponder for the simulator's address (SearchResponder.h);
//    a SimulatorRange answers it for all its addresses at once.
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
    enum class Protocol { Native, Pjlink };

    // An input the projector has, in PJLink terms: its code and its name.
    struct Input {
        std::string code;  // "11" to "6Z"
        std::string name;  // UTF-8, at most 128 bytes
    };

    struct Options {
        Protocol protocol = Protocol::Native;
        std::string address = "127.0.0.1";  // must lie in 127.0.0.0/8
        // Unset: the protocol's own port, see DefaultPort(). 0 picks a free
        // port, see Port().
        std::optional<std::uint16_t> port;
        // Native: at most 16 characters count. PJLink: empty turns security
        // off, otherwise 1 to 32 ASCII letters and digits (Start() refuses
        // others).
        std::string password;
        std::uint8_t refusalStatus = 0x43;   // native: open reply status for a wrong password
        int warmUpMs = 3000;                 // warming up ("02", PJLink "3") lasts this long
        int coolDownMs = 3000;               // cooling down ("04", PJLink "2") lasts this long
        int listenBacklog = 8;

        // PJLink only.
        int pjlinkClass = 2;                 // 1 or 2 (Start() refuses others)
        bool answerSearch = true;            // class 2: answer the search datagram (UDP 4352)
        int idleLimitMs = 30000;             // 0 or less: connections never time out
        std::string name = "Beamdesk Sim";   // NAME, UTF-8, at most 64 bytes
        std::string manufacturer = "Beamdesk";   // INF1
        std::string product = "Simulated Projector";  // INF2
        std::string otherInfo = "loopback stand-in";  // INFO
        std::string serialNumber = "SIM000001";      // SNUM
        std::string softwareVersion = "1.0";         // SVER
        std::vector<int> lampHours = {1200};  // one entry per lamp, at most 8; none: no lamp
        std::optional<int> filterHours = 350; // unset: no filter
        std::string lampModels = "LMP-100";   // RLMP
        std::string filterModels = "FLT-100"; // RFIL
        std::string inputResolution = "1920x1080";        // IRES
        std::string recommendedResolution = "1920x1080";  // RRES
        std::string errorStatus = "000000";   // ERST at start, see SetErrorStatus()
        // The first one is selected at start.
        std::vector<Input> inputs = {
            {"11", "Computer 1"}, {"12", "Computer 2"}, {"21", "Video"}, {"22", "S-Video"},
            {"31", "HDMI 1"},     {"32", "HDMI 2"},     {"51", "Network"},
        };

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
        OnCommand,        // on receiving a text command (PJLink: any line), without replying
        OnAccept,         // as soon as a connection is accepted, before anything is read
        AfterReplyValue,  // on a text command: carry it out, send its reply lines
                          // without the prompt (PJLink: its reply), then close
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
    // Whether the search datagram is answered (class 2, answerSearch, and a
    // system that sends from the simulator's address: see SearchResponder.h).
    bool AnswersSearch() const;

    // Projector state, in the protocol's own codes. Setters take effect at
    // once and report a change like the commands do; SetPower also cancels a
    // running warm-up or cool-down.
    //  - Power(): native "01" standby, "02" warming up, "03" on, "04" cooling
    //    down; PJLink "0" standby, "1" on, "2" cooling down, "3" warming up.
    //  - Source(): native source code, PJLink input code ("11"); reported as
    //    "source" or "input".
    //  - Mute(): native A/V mute; PJLink: anything muted (AvMute() is not
    //    "30"), and SetMute() mutes or unmutes both.
    //  - AvMute(), ErrorStatus(), MicrophoneVolume(): PJLink only.
    std::string Power() const;
    std::string Source() const;
    bool Mute() const;
    bool Freeze() const;
    int Volume() const;  // 0 to 20
    std::string Caption() const;
    std::string AvMute() const;  // "30" none, "11" video, "21" audio, "31" both muted
    std::string ErrorStatus() const;  // six digits, as ERST answers
    int MicrophoneVolume() const;     // 0 to 20
    void SetPower(const std::string& code);
    void SetSource(const std::string& code);
    void SetMute(bool on);
    void SetFreeze(bool on);
    void SetVolume(int volume);
    void SetCaption(const std::string& value);
    void SetAvMute(const std::string& code);  // one of AvMute()'s codes; others are ignored
    void SetErrorStatus(const std::string& digits);
    // Every state change so far, in order, in the onStateChange form:
    // "power 0 -> 3", "input 11 -> 21", "avmute 30 -> 31", "freeze off -> on",
    // "volume 10 -> 11", "microphone 10 -> 9", "error 000000 -> 020000".
    std::vector<std::string> StateChanges() const;

    // Faults. Each stays in force until changed or ClearFaults().
    void SetSilentHandshake(bool on);   // read handshake requests, never reply
    void SetWrongMagic(bool on);        // handshake replies carry a wrong magic
    void SetProbeStatus(std::optional<std::uint8_t> status);  // forced probe reply status
    void SetOpenStatus(std::optional<std::uint8_t> status);   // forced open reply status
    void SetSilentCommands(bool on);    // read text commands, neither run nor answer them
    // PJLink: connections accepted meanwhile are never greeted, and no line
    // is answered while it lasts.
    void SetNoGreeting(bool on);
    // PJLink: every POWR line, set or query, is answered ERR3 and not run.
    void SetPowerErr3(bool on);
    // PJLink: replies give the command's body in lower case ("%1powr=0").
    void SetLowerCaseReplies(bool on);
    // PJLink: replaces Options::idleLimitMs for every connection (0: never).
    // ClearFaults() restores the option.
    void SetIdleLimit(std::chrono::milliseconds limit);
    // PJLink: connections accepted from now on want this password (empty:
    // none) instead of Options::password; one that is no PJLink password is
    // ignored. ClearFaults() restores the option.
    void SetPassword(std::string password);
    // Every reply leaves in two sends: the first firstPartBytes bytes, a pause,
    // then the rest. 0 sends replies whole.
    void SetSplitReplies(std::size_t firstPartBytes,
                         std::chrono::milliseconds pause = std::chrono::milliseconds(200));
    // Every text reply (not handshake replies; PJLink: the greeting too)
    // leaves one byte per send, with `pause` between the bytes, so TCP may cut
    // it anywhere.
    void SetTrickleReplies(bool on, std::chrono::milliseconds pause = std::chrono::milliseconds(3));
    // Bytes sent in front of every text reply (not of handshake replies).
    void SetGarbageBeforeReplies(std::string bytes);
    // Bytes sent on every connection as soon as it is accepted, before the
    // peer has said anything. PJLink: they take the greeting's place.
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

    // The protocol's own port: 3629 native, 4352 PJLink.
    static std::uint16_t DefaultPort(Protocol protocol);
    // True for 1 to 32 ASCII letters and digits.
    static bool IsPjlinkPassword(std::string_view password);
    // MD5 of the bytes as 32 lowercase hex digits.
    static std::string Md5Hex(std::string_view bytes);

    // A line of the given length without CR, with 0x00 and 0xFF bytes in it.
    static std::string SampleGarbage(std::size_t length = 3000);

    // Bytes received, one string per connection in connection order.
    std::vector<std::string> Received() const;
    // PJLink: the random each connection's greeting carried, in connection
    // order; empty for a greeting without a password and for a connection
    // that got none (SetNoGreeting, SetGreeting, closed on accept). Never
    // shorter than Received() read before it.
    std::vector<std::string> GreetingRandoms() const;
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
