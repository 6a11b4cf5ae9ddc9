#include "ProjectorSimulator.h"

#ifdef _WIN32
#ifndef FD_SETSIZE
#define FD_SETSIZE 256
#endif
#endif
#include "SimulatorSockets.h"

#ifdef _WIN32
// After winsock2.h, which brings in windows.h.
#include <wincrypt.h>
#else
#include <md5.h>

#include <cerrno>
#include <netinet/tcp.h>
#endif

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <utility>

#include "SearchResponder.h"

namespace {

using namespace simulator_sockets;

using Clock = std::chrono::steady_clock;
using CloseMoment = ProjectorSimulator::CloseMoment;
using Protocol = ProjectorSimulator::Protocol;

constexpr std::string_view kMagic = "QRM/TX.net";
constexpr std::string_view kWrongMagic = "QRM/TX.bad";
constexpr std::uint8_t kVersion = 0x10;
constexpr std::uint8_t kProbeType = 2;
constexpr std::uint8_t kOpenType = 3;
// A request type this projector does not know is answered as an error.
constexpr std::uint8_t kUnknownTypeStatus = 0x45;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kOpenSize = 34;
constexpr std::size_t kPasswordOffset = 18;
constexpr std::size_t kPasswordSize = 16;
// Longer input without CR is dropped and answered with ERR once the CR comes.
constexpr std::size_t kMaxLine = 4096;
constexpr int kMaxVolume = 20;

constexpr std::uint16_t kNativePort = 3629;
constexpr std::uint16_t kPjlinkPort = 4352;
constexpr std::size_t kDigestSize = 32;
// "%" + class + body + separator: the part of a command line before its parameter.
constexpr std::size_t kPjlinkHead = 7;
constexpr std::size_t kPjlinkMaxParameter = 128;
// The longest line worth keeping: a digest, then a command line with its CR.
constexpr std::size_t kPjlinkMaxLine = kDigestSize + kPjlinkHead + kPjlinkMaxParameter + 1;
constexpr std::size_t kMaxLamps = 8;

bool SendAll(Sock s, std::string_view bytes)
{
    while (!bytes.empty()) {
        const int n = send(s, bytes.data(), static_cast<int>(bytes.size()), kSendFlags);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string OnOff(bool on) { return on ? "on" : "off"; }

char Upper(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; }
char Lower(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }
bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }
bool IsAlnum(char ch) { return IsDigit(ch) || (Upper(ch) >= 'A' && Upper(ch) <= 'Z'); }

// An input code a command of that class may name: types 1-5 and 1-9 in
// Class 1; Class 2 adds type 6 and A-Z.
bool IsInputCode(std::string_view code, char commandClass)
{
    if (code.size() != 2) return false;
    const char type = code[0];
    const char number = code[1];
    if (commandClass == '1') return type >= '1' && type <= '5' && number >= '1' && number <= '9';
    return type >= '1' && type <= '6' && ((number >= '1' && number <= '9') || (number >= 'A' && number <= 'Z'));
}

std::string AvMuteCode(bool video, bool audio)
{
    return video && audio ? "31" : video ? "11" : audio ? "21" : "30";
}

struct Connection {
    Sock sock = kNoSock;
    int number = 0;         // 1-based, in accept order
    bool session = false;   // an open request was accepted: text from now on
    bool overlong = false;  // dropping an over-long line until its CR
    bool closed = false;
    std::string pending;    // received, not yet consumed
    // PJLink.
    std::string random;           // sent in the greeting; empty with security off
    std::string password;         // the one wanted when the connection was accepted
    bool authenticated = false;   // a line carried the right digest
    Clock::time_point idleSince;  // the greeting or the last reply
};

enum class ListenMode { None, Normal, Hang };

// What the loop reports to the callbacks; connection 0 marks a state change.
struct Note {
    int connection;
    std::string text;
};

struct Faults {
    bool silentHandshake = false;
    bool wrongMagic = false;
    std::optional<std::uint8_t> probeStatus;
    std::optional<std::uint8_t> openStatus;
    bool silentCommands = false;
    std::size_t splitAt = 0;
    std::chrono::milliseconds splitPause{200};
    bool trickle = false;
    std::chrono::milliseconds tricklePause{3};
    std::string garbage;
    std::string greeting;
    CloseMoment closeAt = CloseMoment::Never;
    bool refuse = false;
    bool hang = false;
    bool noGreeting = false;
    bool powerErr3 = false;
    bool lowerCase = false;
    std::optional<std::chrono::milliseconds> idleLimit;
    std::optional<std::string> password;  // PJLink: instead of Options::password
};

}  // namespace

struct ProjectorSimulator::Impl {
    explicit Impl(Options o) : options(std::move(o))
    {
        if (pjlink) {
            power = "0";
            source = options.inputs.empty() ? "11" : options.inputs.front().code;
            errorStatus = options.errorStatus;
        }
    }

    const Options options;
    const bool pjlink = options.protocol == Protocol::Pjlink;

    mutable std::mutex mutex;
    std::condition_variable applied_cv;

    // Guarded by mutex.
    std::string power = "01";
    std::string source = "10";
    std::string caption = "00";
    bool mute = false;
    bool freeze = false;
    int volume = 10;
    bool videoMute = false;  // PJLink
    bool audioMute = false;  // PJLink
    int microphone = 10;     // PJLink
    std::string errorStatus; // PJLink
    std::optional<std::string> nextPower;  // where a warm-up or cool-down ends
    Clock::time_point powerDue;
    std::vector<std::string> changes;
    Faults faults;
    bool closeAllRequested = false;
    std::vector<std::string> received;
    std::vector<std::string> greetingRandoms;  // PJLink: one per connection, as greeted
    int openCount = 0;
    bool running = false;
    bool stopping = false;
    std::uint64_t requested = 0;  // listener/connection changes asked for
    std::uint64_t applied = 0;    // ... and carried out by the loop
    std::vector<Note> notes;
    std::uint16_t port = 0;

    std::thread thread;
    std::unique_ptr<SearchResponder> search;  // class 2, while running

    // Owned by the loop thread once it runs.
    Sock listener = kNoSock;
    Sock wake = kNoSock;  // UDP socket the API pokes to interrupt select()
    sockaddr_in wakeAddress{};
    ListenMode mode = ListenMode::None;
    bool listenFailed = false;
    std::vector<Sock> fillers;
    std::vector<Connection> connections;
    std::mt19937 randoms{std::random_device{}()};

    void Loop();
    bool OpenListener(int backlog);
    void CloseListener();
    void SetListenMode(ListenMode want);
    void FillAcceptQueue();
    void Accept();
    void Receive(Connection& c);
    void Process(Connection& c);
    bool HandshakeStep(Connection& c);
    bool LineStep(Connection& c);
    std::string Execute(const std::string& line);
    bool PjlinkLineStep(Connection& c);
    std::optional<std::string> PjlinkReply(const std::string& line, const Faults& f);
    std::string PjlinkExecute(char commandClass, const std::string& body, const std::string& parameter,
                              const Faults& f);
    std::chrono::milliseconds IdleLimit() const;  // caller holds mutex
    std::optional<Clock::time_point> CloseIdle();
    void Send(Connection& c, const std::string& payload, const Faults& f, bool textReply = false);
    void CloseConnection(Connection& c);
    void Sweep();
    void FireDuePower();
    void Dispatch();

    // Callers hold mutex.
    void Change(const char* what, const std::string& from, const std::string& to,
                std::vector<std::string>* out);
    void StartPowerTransition(const char* during, const char* after, int ms);
    void SetAvMute(bool video, bool audio, std::vector<std::string>* out);
    void Step(const char* what, int& value, int delta);
    bool HasInput(std::string_view code) const;
    void Wake();

    // Runs change under the lock, then waits until the loop has acted on it.
    void Request(const std::function<void()>& change);
    void Notify(const std::vector<std::string>& lines) const;
};

// ---------------------------------------------------------------- helpers

void ProjectorSimulator::Impl::Change(const char* what, const std::string& from,
                                      const std::string& to, std::vector<std::string>* out)
{
    if (from == to) return;
    std::string line = std::string(what) + " " + from + " -> " + to;
    changes.push_back(line);
    if (out)
        out->push_back(std::move(line));
    else
        notes.push_back({0, std::move(line)});
}

void ProjectorSimulator::Impl::StartPowerTransition(const char* during, const char* after, int ms)
{
    Change("power", power, during, nullptr);
    power = during;
    nextPower = after;
    powerDue = Clock::now() + std::chrono::milliseconds(std::max(ms, 0));
}

void ProjectorSimulator::Impl::SetAvMute(bool video, bool audio, std::vector<std::string>* out)
{
    Change("avmute", AvMuteCode(videoMute, audioMute), AvMuteCode(video, audio), out);
    videoMute = video;
    audioMute = audio;
}

void ProjectorSimulator::Impl::Step(const char* what, int& value, int delta)
{
    const int next = std::clamp(value + delta, 0, kMaxVolume);
    Change(what, std::to_string(value), std::to_string(next), nullptr);
    value = next;
}

bool ProjectorSimulator::Impl::HasInput(std::string_view code) const
{
    return std::any_of(options.inputs.begin(), options.inputs.end(),
                       [&](const Input& input) { return input.code == code; });
}

void ProjectorSimulator::Impl::Wake()
{
    if (wake == kNoSock) return;
    const char byte = 1;
    sendto(wake, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&wakeAddress), sizeof wakeAddress);
}

void ProjectorSimulator::Impl::Request(const std::function<void()>& change)
{
    std::unique_lock lock(mutex);
    change();
    // From a callback on the loop thread the loop picks it up on its next turn.
    if (!running || stopping || std::this_thread::get_id() == thread.get_id()) return;
    const std::uint64_t ticket = ++requested;
    Wake();
    applied_cv.wait(lock, [&] { return applied >= ticket || stopping || !running; });
}

void ProjectorSimulator::Impl::Notify(const std::vector<std::string>& lines) const
{
    if (!options.onStateChange) return;
    for (const auto& line : lines) options.onStateChange(line);
}

void ProjectorSimulator::Impl::Dispatch()
{
    std::vector<Note> out;
    {
        std::lock_guard lock(mutex);
        out.swap(notes);
    }
    for (const auto& note : out) {
        if (note.connection == 0) {
            if (options.onStateChange) options.onStateChange(note.text);
        } else if (options.onReceived) {
            options.onReceived(note.connection, note.text);
        }
    }
}

// ---------------------------------------------------------------- listener

bool ProjectorSimulator::Impl::OpenListener(int backlog)
{
    sockaddr_in address;
    if (!MakeAddress(options.address, port, address)) return false;
    Sock s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == kNoSock) return false;
#ifndef _WIN32
    // Connections this side closed linger in TIME_WAIT on the port; reopening
    // the listener (after a refuse or hang fault, or a restart) must still work.
    int one = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
#endif
    if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(s, backlog) != 0) {
        CloseSocket(s);
        return false;
    }
    SetNonBlocking(s, true);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&bound), &length) == 0) {
        std::lock_guard lock(mutex);
        port = ntohs(bound.sin_port);
    }
    listener = s;
    return true;
}

void ProjectorSimulator::Impl::CloseListener()
{
    for (Sock s : fillers) CloseSocket(s);
    fillers.clear();
    if (listener != kNoSock) CloseSocket(listener);
    listener = kNoSock;
}

void ProjectorSimulator::Impl::SetListenMode(ListenMode want)
{
    CloseListener();
    mode = want;
    listenFailed = false;
    if (want == ListenMode::None) return;
    if (!OpenListener(want == ListenMode::Hang ? 0 : options.listenBacklog)) {
        listenFailed = true;  // retried shortly by the loop
        return;
    }
    if (want == ListenMode::Hang) FillAcceptQueue();
}

// With a backlog of 0 the queue holds one finished connection; the first
// filler takes that place, the second is left half-open, and any connect after
// them gets no answer to its SYN until the queue is drained, which never
// happens because this listener is never accepted from.
void ProjectorSimulator::Impl::FillAcceptQueue()
{
    sockaddr_in address;
    if (!MakeAddress(options.address, port, address)) return;
    for (int i = 0; i < 2; ++i) {
        Sock s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == kNoSock) return;
        SetNonBlocking(s, true);
        connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        fillers.push_back(s);
        if (i == 0) {
            // The queue is only full once the first one has landed in it.
            fd_set writable;
            FD_ZERO(&writable);
            FD_SET(s, &writable);
            timeval limit{2, 0};
            select(static_cast<int>(s) + 1, nullptr, &writable, nullptr, &limit);
        }
    }
}

// ---------------------------------------------------------------- connections

void ProjectorSimulator::Impl::Accept()
{
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const Sock s = accept(listener, reinterpret_cast<sockaddr*>(&peer), &length);
    if (s == kNoSock) return;
#ifndef _WIN32
    // select() cannot watch a descriptor this high.
    if (s >= FD_SETSIZE) {
        CloseSocket(s);
        return;
    }
#endif
    // Accepted sockets inherit non-blocking mode on Windows only; replies are
    // small, so plain blocking sends are simplest everywhere.
    SetNonBlocking(s, false);
    // A split reply's first part must leave at once, as its own segment.
    int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    Connection c;
    c.sock = s;
    Faults f;
    {
        std::lock_guard lock(mutex);
        f = faults;
        if (pjlink) {
            c.idleSince = Clock::now();
            c.password = f.password.value_or(options.password);
            if (!c.password.empty()) {
                char random[16];
                std::snprintf(random, sizeof random, "%08x", static_cast<unsigned>(randoms() & 0xFFFFFFFFu));
                c.random = random;
            }
        }
        const bool greeted = f.closeAt != CloseMoment::OnAccept && !f.noGreeting && f.greeting.empty();
        received.emplace_back();
        greetingRandoms.push_back(greeted ? c.random : std::string());
        c.number = static_cast<int>(received.size());
        openCount = static_cast<int>(connections.size()) + 1;
    }
    if (f.closeAt == CloseMoment::OnAccept)
        CloseConnection(c);
    else if (pjlink && !f.noGreeting)
        Send(c, !f.greeting.empty() ? f.greeting : c.random.empty() ? "PJLINK 0\r" : "PJLINK 1 " + c.random + "\r",
             f, true);
    else if (!pjlink && !f.greeting.empty())
        Send(c, f.greeting, f);
    connections.push_back(std::move(c));
}

void ProjectorSimulator::Impl::Receive(Connection& c)
{
    char buffer[4096];
    const int n = recv(c.sock, buffer, sizeof buffer, 0);
    if (n <= 0) {
        CloseConnection(c);
        return;
    }
    std::string chunk(buffer, static_cast<std::size_t>(n));
    {
        std::lock_guard lock(mutex);
        received[static_cast<std::size_t>(c.number - 1)] += chunk;
        notes.push_back({c.number, chunk});
    }
    c.pending += chunk;
    Process(c);
}

void ProjectorSimulator::Impl::Process(Connection& c)
{
    while (!c.closed && (pjlink ? PjlinkLineStep(c) : c.session ? LineStep(c) : HandshakeStep(c))) {
    }
}

// Consumes one handshake request, or a line of text sent without a session.
// False when more bytes are needed.
bool ProjectorSimulator::Impl::HandshakeStep(Connection& c)
{
    std::string& in = c.pending;
    if (in.empty()) return false;
    const std::size_t n = std::min(in.size(), kMagic.size());
    if (c.overlong || std::string_view(in).substr(0, n) != kMagic.substr(0, n)) return LineStep(c);
    if (in.size() < kHeaderSize) return false;
    const auto type = static_cast<std::uint8_t>(in[11]);
    if (type == kOpenType && in.size() < kOpenSize) return false;

    Faults f;
    std::uint8_t status = kUnknownTypeStatus;
    bool closeAfter = false;
    {
        std::lock_guard lock(mutex);
        f = faults;
    }
    if (type == kProbeType) {
        status = f.probeStatus.value_or(options.password.empty() ? kAccepted : kPasswordRequired);
        closeAfter = f.closeAt == CloseMoment::AfterProbeReply;
        in.erase(0, kHeaderSize);
    } else if (type == kOpenType) {
        std::string expected = options.password.substr(0, kPasswordSize);
        expected.resize(kPasswordSize, '\0');
        const bool match = in.compare(kPasswordOffset, kPasswordSize, expected) == 0;
        status = f.openStatus.value_or(match ? kAccepted : options.refusalStatus);
        // Whatever the status says is what the client believes, so it decides.
        c.session = status == kAccepted;
        closeAfter = f.closeAt == CloseMoment::AfterOpenReply;
        in.erase(0, kOpenSize);
    } else {
        in.erase(0, kHeaderSize);
    }

    if (!f.silentHandshake) {
        std::string reply(f.wrongMagic ? kWrongMagic : kMagic);
        reply += static_cast<char>(kVersion);
        reply += static_cast<char>(type);
        reply += '\0';
        reply += '\0';
        reply += static_cast<char>(status);
        reply += '\0';
        Send(c, reply, f);
    }
    if (closeAfter) CloseConnection(c);
    return true;
}

// Consumes one CR-terminated line and answers it. False when no full line is
// there yet.
bool ProjectorSimulator::Impl::LineStep(Connection& c)
{
    std::string& in = c.pending;
    const auto cr = in.find('\r');
    if (cr == std::string::npos) {
        if (in.size() > kMaxLine) {
            in.clear();
            c.overlong = true;
        }
        return false;
    }
    const std::string line = in.substr(0, cr);
    in.erase(0, cr + 1);
    const bool overlong = std::exchange(c.overlong, false);

    Faults f;
    {
        std::lock_guard lock(mutex);
        f = faults;
    }
    if (f.closeAt == CloseMoment::OnCommand) {
        CloseConnection(c);
        return false;
    }
    if (f.silentCommands) return true;
    // Text before an accepted open request is refused, line by line.
    const std::string body = (!c.session || overlong) ? "ERR\r" : Execute(line);
    if (f.closeAt == CloseMoment::AfterReplyValue) {
        Send(c, f.garbage + body, f, true);
        CloseConnection(c);
        return false;
    }
    Send(c, f.garbage + body + ":", f, true);
    return true;
}

std::string ProjectorSimulator::Impl::Execute(const std::string& line)
{
    std::lock_guard lock(mutex);
    if (line.empty() || line == ":") return "";  // keep-alive
    if (line == "PWSTATUS?") return "PWSTATUS=" + power + "\r";
    if (line == "IMPWR ON") {
        if (power == "01" || power == "05")
            StartPowerTransition("02", "03", options.warmUpMs);
        return "";
    }
    if (line == "IMPWR OFF") {
        if (power == "02" || power == "03")
            StartPowerTransition("04", "01", options.coolDownMs);
        return "";
    }
    if (line == "MUTE?") return mute ? "MUTE=ON\r" : "MUTE=OFF\r";
    if (line == "MUTE ON" || line == "MUTE OFF") {
        const bool on = line == "MUTE ON";
        Change("mute", OnOff(mute), OnOff(on), nullptr);
        mute = on;
        return "";
    }
    if (line == "FREEZE?") return freeze ? "FREEZE=ON\r" : "FREEZE=OFF\r";
    if (line == "FREEZE ON" || line == "FREEZE OFF") {
        const bool on = line == "FREEZE ON";
        Change("freeze", OnOff(freeze), OnOff(on), nullptr);
        freeze = on;
        return "";
    }
    if (line.size() == 9 && line.starts_with("SOURCE ")) {
        Change("source", source, line.substr(7), nullptr);
        source = line.substr(7);
        return "";
    }
    if (line == "KEY 56" || line == "KEY 57") {
        const int next = std::clamp(volume + (line == "KEY 57" ? 1 : -1), 0, kMaxVolume);
        Change("volume", std::to_string(volume), std::to_string(next), nullptr);
        volume = next;
        return "";
    }
    if (line == "CCAP?") return "CCAP=" + caption + "\r";
    if (line.starts_with("CCAP ")) {
        Change("caption", caption, line.substr(5), nullptr);
        caption = line.substr(5);
        return "";
    }
    return "ERR\r";
}

// Consumes one CR-terminated PJLink line and answers it. False when no full
// line is there yet or the connection was closed.
bool ProjectorSimulator::Impl::PjlinkLineStep(Connection& c)
{
    std::string& in = c.pending;
    const auto cr = in.find('\r');
    if (cr == std::string::npos) {
        // Too long to be a line; it is dropped once its CR comes.
        if (in.size() >= kPjlinkMaxLine) {
            in.clear();
            c.overlong = true;
        }
        return false;
    }
    std::string line = in.substr(0, cr);
    in.erase(0, cr + 1);
    const bool overlong = std::exchange(c.overlong, false);

    Faults f;
    {
        std::lock_guard lock(mutex);
        f = faults;
    }
    if (f.closeAt == CloseMoment::OnCommand) {
        CloseConnection(c);
        return false;
    }
    if (f.noGreeting || f.silentCommands || overlong) return true;

    std::optional<std::string> reply;
    if (!c.random.empty()) {
        const std::string digest = Md5Hex(c.random + c.password);
        const bool carriesDigest = digest.size() == kDigestSize && line.compare(0, kDigestSize, digest) == 0;
        if (carriesDigest) {
            c.authenticated = true;
            line.erase(0, kDigestSize);
        } else if (!c.authenticated) {
            reply = "PJLINK ERRA\r";
        }
    }
    if (!reply) reply = PjlinkReply(line, f);
    if (!reply) return true;  // not a command line: no reply at all
    Send(c, f.garbage + *reply, f, true);
    c.idleSince = Clock::now();
    if (f.closeAt == CloseMoment::AfterReplyValue) {
        CloseConnection(c);
        return false;
    }
    return true;
}

// The reply line to a command line, or nothing when it is not one.
std::optional<std::string> ProjectorSimulator::Impl::PjlinkReply(const std::string& line, const Faults& f)
{
    if (line.size() < kPjlinkHead || line.size() > kPjlinkHead + kPjlinkMaxParameter || line[0] != '%' ||
        !IsDigit(line[1]) || line[6] != ' ')
        return std::nullopt;
    std::string body = line.substr(2, 4);
    if (!std::all_of(body.begin(), body.end(), IsAlnum)) return std::nullopt;
    std::transform(body.begin(), body.end(), body.begin(), Upper);
    const std::string result = PjlinkExecute(line[1], body, line.substr(kPjlinkHead), f);
    if (f.lowerCase) std::transform(body.begin(), body.end(), body.begin(), Lower);
    return "%" + line.substr(1, 1) + body + "=" + result + "\r";
}

// Runs one command; returns the reply's parameter.
std::string ProjectorSimulator::Impl::PjlinkExecute(char commandClass, const std::string& body,
                                                    const std::string& parameter, const Faults& f)
{
    std::lock_guard lock(mutex);
    const bool query = parameter == "?";
    const auto answer = [&](const std::string& value) { return query ? value : "ERR2"; };
    const auto inputList = [&] {
        std::string list;
        for (const auto& input : options.inputs) {
            if (!IsInputCode(input.code, commandClass)) continue;
            if (!list.empty()) list += ' ';
            list += input.code;
        }
        return list;
    };
    const auto selectInput = [&] {
        if (query) return source;
        if (!IsInputCode(parameter, commandClass) || !HasInput(parameter)) return std::string("ERR2");
        Change("input", source, parameter, nullptr);
        source = parameter;
        return std::string("OK");
    };

    if (commandClass == '1') {
        if (body == "POWR") {
            if (f.powerErr3) return "ERR3";
            if (query) return power;
            if (parameter != "0" && parameter != "1") return "ERR2";
            if (power == "2" || power == "3") return "ERR3";
            if (parameter == "1" && power == "0") StartPowerTransition("3", "1", options.warmUpMs);
            if (parameter == "0" && power == "1") StartPowerTransition("2", "0", options.coolDownMs);
            return "OK";
        }
        if (body == "INPT") return selectInput();
        if (body == "AVMT") {
            if (query) return AvMuteCode(videoMute, audioMute);
            if (parameter.size() != 2 || parameter[0] < '1' || parameter[0] > '3' ||
                (parameter[1] != '0' && parameter[1] != '1'))
                return "ERR2";
            const bool on = parameter[1] == '1';
            SetAvMute(parameter[0] == '2' ? videoMute : on, parameter[0] == '1' ? audioMute : on, nullptr);
            return "OK";
        }
        if (body == "ERST") return answer(errorStatus);
        if (body == "LAMP") {
            if (!query) return "ERR2";
            if (options.lampHours.empty()) return "ERR1";
            const bool lit = power == "1" || power == "3";
            std::string lamps;
            for (std::size_t i = 0; i < options.lampHours.size() && i < kMaxLamps; ++i) {
                if (i > 0) lamps += ' ';
                lamps += std::to_string(options.lampHours[i]) + (lit ? " 1" : " 0");
            }
            return lamps;
        }
        if (body == "INST") return answer(inputList());
        if (body == "NAME") return answer(options.name);
        if (body == "INF1") return answer(options.manufacturer);
        if (body == "INF2") return answer(options.product);
        if (body == "INFO") return answer(options.otherInfo);
        if (body == "CLSS") return answer(std::to_string(options.pjlinkClass));
        return "ERR1";
    }
    if (commandClass != '2' || options.pjlinkClass < 2) return "ERR1";

    if (body == "INPT") return selectInput();
    if (body == "INST") return answer(inputList());
    if (body == "SNUM") return answer(options.serialNumber);
    if (body == "SVER") return answer(options.softwareVersion);
    if (body == "INNM") {
        const std::string code = parameter.substr(std::min<std::size_t>(parameter.size(), 1));
        const auto input = std::find_if(options.inputs.begin(), options.inputs.end(),
                                        [&](const Input& i) { return i.code == code; });
        if (!parameter.starts_with('?') || !IsInputCode(code, '2') || input == options.inputs.end())
            return "ERR2";
        return input->name;
    }
    if (body == "IRES") return answer(options.inputResolution);
    if (body == "RRES") return answer(options.recommendedResolution);
    if (body == "FILT") {
        if (!query) return "ERR2";
        return options.filterHours ? std::to_string(*options.filterHours) : "ERR1";
    }
    if (body == "RLMP") return answer(options.lampModels);
    if (body == "RFIL") return answer(options.filterModels);
    if (body == "SVOL" || body == "MVOL") {
        if (parameter != "0" && parameter != "1") return "ERR2";
        if (body == "SVOL")
            Step("volume", volume, parameter == "1" ? 1 : -1);
        else
            Step("microphone", microphone, parameter == "1" ? 1 : -1);
        return "OK";
    }
    if (body == "FREZ") {
        if (query) return freeze ? "1" : "0";
        if (parameter != "0" && parameter != "1") return "ERR2";
        Change("freeze", OnOff(freeze), OnOff(parameter == "1"), nullptr);
        freeze = parameter == "1";
        return "OK";
    }
    return "ERR1";
}

std::chrono::milliseconds ProjectorSimulator::Impl::IdleLimit() const
{
    return faults.idleLimit.value_or(std::chrono::milliseconds(options.idleLimitMs));
}

// Closes the PJLink connections idle for too long; returns when the next one
// would be due.
std::optional<Clock::time_point> ProjectorSimulator::Impl::CloseIdle()
{
    if (!pjlink) return std::nullopt;
    std::chrono::milliseconds limit;
    {
        std::lock_guard lock(mutex);
        limit = IdleLimit();
    }
    if (limit <= std::chrono::milliseconds::zero()) return std::nullopt;
    const auto now = Clock::now();
    std::optional<Clock::time_point> next;
    for (auto& c : connections) {
        if (c.closed) continue;
        const auto due = c.idleSince + limit;
        if (now >= due)
            CloseConnection(c);
        else
            next = std::min(next.value_or(due), due);
    }
    return next;
}

void ProjectorSimulator::Impl::Send(Connection& c, const std::string& payload, const Faults& f, bool textReply)
{
    bool ok = true;
    if (textReply && f.trickle) {
        for (std::size_t i = 0; ok && i < payload.size(); ++i) {
            if (i > 0) std::this_thread::sleep_for(f.tricklePause);
            ok = SendAll(c.sock, std::string_view(payload).substr(i, 1));
        }
    } else if (f.splitAt > 0 && f.splitAt < payload.size()) {
        ok = SendAll(c.sock, std::string_view(payload).substr(0, f.splitAt));
        if (ok) {
            std::this_thread::sleep_for(f.splitPause);
            ok = SendAll(c.sock, std::string_view(payload).substr(f.splitAt));
        }
    } else {
        ok = SendAll(c.sock, payload);
    }
    if (!ok) CloseConnection(c);
}

void ProjectorSimulator::Impl::CloseConnection(Connection& c)
{
    if (c.closed) return;
    // A FIN after what was sent, rather than a reset that may discard it.
    ShutdownSend(c.sock);
    CloseSocket(c.sock);
    c.closed = true;
}

void ProjectorSimulator::Impl::Sweep()
{
    connections.erase(std::remove_if(connections.begin(), connections.end(),
                                     [](const Connection& c) { return c.closed; }),
                      connections.end());
    std::lock_guard lock(mutex);
    openCount = static_cast<int>(connections.size());
}

void ProjectorSimulator::Impl::FireDuePower()
{
    std::lock_guard lock(mutex);
    if (nextPower && Clock::now() >= powerDue) {
        Change("power", power, *nextPower, nullptr);
        power = *nextPower;
        nextPower.reset();
    }
}

// ---------------------------------------------------------------- loop

void ProjectorSimulator::Impl::Loop()
{
    for (;;) {
        std::uint64_t ticket;
        ListenMode want;
        bool closeAll;
        {
            std::lock_guard lock(mutex);
            if (stopping) break;
            ticket = requested;
            want = faults.refuse ? ListenMode::None
                 : faults.hang   ? ListenMode::Hang
                                 : ListenMode::Normal;
            closeAll = std::exchange(closeAllRequested, false);
        }
        if (want != mode || listenFailed) SetListenMode(want);
        if (closeAll)
            for (auto& c : connections) CloseConnection(c);
        const auto idleDue = CloseIdle();
        Sweep();
        {
            std::lock_guard lock(mutex);
            applied = ticket;
        }
        applied_cv.notify_all();

        FireDuePower();
        Dispatch();

        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(wake, &readable);
        Sock highest = wake;
        // fd_set has room for FD_SETSIZE sockets; beyond that, stop accepting.
        if (mode == ListenMode::Normal && listener != kNoSock &&
            connections.size() + 2 < FD_SETSIZE) {
            FD_SET(listener, &readable);
            highest = std::max(highest, listener);
        }
        for (const auto& c : connections) {
            FD_SET(c.sock, &readable);
            highest = std::max(highest, c.sock);
        }

        std::optional<Clock::duration> wait;
        {
            std::lock_guard lock(mutex);
            if (nextPower) wait = std::max(powerDue - Clock::now(), Clock::duration::zero());
        }
        if (idleDue)
            wait = std::min(wait.value_or(Clock::duration::max()),
                            std::max(*idleDue - Clock::now(), Clock::duration::zero()));
        if (listenFailed) wait = std::min(wait.value_or(Clock::duration::max()),
                                          Clock::duration(std::chrono::milliseconds(100)));
        timeval limit{};
        if (wait) {
            const auto us = std::chrono::duration_cast<std::chrono::microseconds>(*wait).count() + 1000;
            limit.tv_sec = static_cast<long>(us / 1000000);
            limit.tv_usec = static_cast<long>(us % 1000000);
        }
        const int ready = select(static_cast<int>(highest) + 1, &readable, nullptr, nullptr,
                                 wait ? &limit : nullptr);
        if (ready <= 0) continue;

        if (FD_ISSET(wake, &readable)) {
            char drain[64];
            while (recv(wake, drain, sizeof drain, 0) > 0) {
            }
        }
        for (auto& c : connections)
            if (!c.closed && FD_ISSET(c.sock, &readable)) Receive(c);
        if (mode == ListenMode::Normal && listener != kNoSock && FD_ISSET(listener, &readable))
            Accept();
        Sweep();
        Dispatch();
    }

    for (auto& c : connections) CloseConnection(c);
    connections.clear();
    CloseListener();
    mode = ListenMode::None;
    {
        std::lock_guard lock(mutex);
        openCount = 0;
        applied = requested;
    }
    applied_cv.notify_all();
    Dispatch();
}

// ---------------------------------------------------------------- public

ProjectorSimulator::ProjectorSimulator() : ProjectorSimulator(Options{}) {}

ProjectorSimulator::ProjectorSimulator(Options options)
    : impl_(std::make_unique<Impl>(std::move(options)))
{
}

ProjectorSimulator::~ProjectorSimulator() { Stop(); }

bool ProjectorSimulator::Start()
{
    Impl& d = *impl_;
    {
        std::lock_guard lock(d.mutex);
        if (d.running) return false;
        d.port = d.options.port.value_or(DefaultPort(d.options.protocol));
    }
    if (!IsLoopbackAddress(d.options.address)) return false;
    if (d.pjlink && ((!d.options.password.empty() && !IsPjlinkPassword(d.options.password)) ||
                     (d.options.pjlinkClass != 1 && d.options.pjlinkClass != 2)))
        return false;
#ifdef _WIN32
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
#endif
    const auto fail = [] {
#ifdef _WIN32
        WSACleanup();
#endif
        return false;
    };
    if (!d.OpenListener(d.options.listenBacklog)) return fail();
    d.mode = ListenMode::Normal;
    d.listenFailed = false;

    Sock wake = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    socklen_t length = sizeof d.wakeAddress;
    if (wake == kNoSock || !MakeAddress(d.options.address, 0, d.wakeAddress) ||
        bind(wake, reinterpret_cast<const sockaddr*>(&d.wakeAddress), sizeof d.wakeAddress) != 0 ||
        getsockname(wake, reinterpret_cast<sockaddr*>(&d.wakeAddress), &length) != 0) {
        if (wake != kNoSock) CloseSocket(wake);
        d.CloseListener();
        return fail();
    }
    SetNonBlocking(wake, true);

    // Best effort: a search nobody hears leaves the rest as it is.
    std::unique_ptr<SearchResponder> search;
    if (d.pjlink && d.options.pjlinkClass == 2 && d.options.answerSearch) {
        search = std::make_unique<SearchResponder>(std::vector<std::string>{d.options.address});
        if (!search->Start()) search.reset();
    }

    std::lock_guard lock(d.mutex);
    d.search = std::move(search);
    d.wake = wake;
    d.running = true;
    d.stopping = false;
    d.thread = std::thread([&d] { d.Loop(); });
    return true;
}

void ProjectorSimulator::Stop()
{
    Impl& d = *impl_;
    {
        std::lock_guard lock(d.mutex);
        if (!d.running) return;
        d.stopping = true;
        d.Wake();
    }
    d.thread.join();
    std::unique_ptr<SearchResponder> search;
    {
        std::lock_guard lock(d.mutex);
        search = std::move(d.search);
        CloseSocket(d.wake);
        d.wake = kNoSock;
        d.running = false;
        d.stopping = false;
    }
    d.applied_cv.notify_all();
    search.reset();
#ifdef _WIN32
    WSACleanup();
#endif
}

bool ProjectorSimulator::Running() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->running;
}

bool ProjectorSimulator::AnswersSearch() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->search != nullptr;
}

std::uint16_t ProjectorSimulator::Port() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->port;
}

std::string ProjectorSimulator::Power() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->power;
}

std::string ProjectorSimulator::Source() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->source;
}

bool ProjectorSimulator::Mute() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->pjlink ? impl_->videoMute || impl_->audioMute : impl_->mute;
}

bool ProjectorSimulator::Freeze() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->freeze;
}

int ProjectorSimulator::Volume() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->volume;
}

std::string ProjectorSimulator::Caption() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->caption;
}

std::string ProjectorSimulator::AvMute() const
{
    std::lock_guard lock(impl_->mutex);
    return AvMuteCode(impl_->videoMute, impl_->audioMute);
}

std::string ProjectorSimulator::ErrorStatus() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->errorStatus;
}

int ProjectorSimulator::MicrophoneVolume() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->microphone;
}

void ProjectorSimulator::SetPower(const std::string& code)
{
    std::vector<std::string> lines;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->nextPower.reset();
        impl_->Change("power", impl_->power, code, &lines);
        impl_->power = code;
    }
    impl_->Notify(lines);
}

void ProjectorSimulator::SetSource(const std::string& code)
{
    std::vector<std::string> lines;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->Change(impl_->pjlink ? "input" : "source", impl_->source, code, &lines);
        impl_->source = code;
    }
    impl_->Notify(lines);
}

void ProjectorSimulator::SetMute(bool on)
{
    std::vector<std::string> lines;
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->pjlink) {
            impl_->SetAvMute(on, on, &lines);
        } else {
            impl_->Change("mute", OnOff(impl_->mute), OnOff(on), &lines);
            impl_->mute = on;
        }
    }
    impl_->Notify(lines);
}

void ProjectorSimulator::SetFreeze(bool on)
{
    std::vector<std::string> lines;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->Change("freeze", OnOff(impl_->freeze), OnOff(on), &lines);
        impl_->freeze = on;
    }
    impl_->Notify(lines);
}

void ProjectorSimulator::SetVolume(int volume)
{
    volume = std::clamp(volume, 0, kMaxVolume);
    std::vector<std::string> lines;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->Change("volume", std::to_string(impl_->volume), std::to_string(volume), &lines);
        impl_->volume = volume;
    }
    impl_->Notify(lines);
}

void ProjectorSimulator::SetCaption(const std::string& value)
{
    std::vector<std::string> lines;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->Change("caption", impl_->caption, value, &lines);
        impl_->caption = value;
    }
    impl_->Notify(lines);
}

void ProjectorSimulator::SetAvMute(const std::string& code)
{
    if (code != "30" && code != "11" && code != "21" && code != "31") return;
    std::vector<std::string> lines;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->SetAvMute(code == "11" || code == "31", code == "21" || code == "31", &lines);
    }
    impl_->Notify(lines);
}

void ProjectorSimulator::SetErrorStatus(const std::string& digits)
{
    std::vector<std::string> lines;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->Change("error", impl_->errorStatus, digits, &lines);
        impl_->errorStatus = digits;
    }
    impl_->Notify(lines);
}

std::vector<std::string> ProjectorSimulator::StateChanges() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->changes;
}

void ProjectorSimulator::SetSilentHandshake(bool on)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.silentHandshake = on;
}

void ProjectorSimulator::SetWrongMagic(bool on)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.wrongMagic = on;
}

void ProjectorSimulator::SetProbeStatus(std::optional<std::uint8_t> status)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.probeStatus = status;
}

void ProjectorSimulator::SetOpenStatus(std::optional<std::uint8_t> status)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.openStatus = status;
}

void ProjectorSimulator::SetSilentCommands(bool on)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.silentCommands = on;
}

void ProjectorSimulator::SetNoGreeting(bool on)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.noGreeting = on;
}

void ProjectorSimulator::SetPowerErr3(bool on)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.powerErr3 = on;
}

void ProjectorSimulator::SetLowerCaseReplies(bool on)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.lowerCase = on;
}

void ProjectorSimulator::SetIdleLimit(std::chrono::milliseconds limit)
{
    // The loop sleeps until the next time-out it knows of: wake it.
    impl_->Request([&] { impl_->faults.idleLimit = limit; });
}

void ProjectorSimulator::SetSplitReplies(std::size_t firstPartBytes, std::chrono::milliseconds pause)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.splitAt = firstPartBytes;
    impl_->faults.splitPause = pause;
}

void ProjectorSimulator::SetTrickleReplies(bool on, std::chrono::milliseconds pause)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.trickle = on;
    impl_->faults.tricklePause = pause;
}

void ProjectorSimulator::SetGarbageBeforeReplies(std::string bytes)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.garbage = std::move(bytes);
}

void ProjectorSimulator::SetGreeting(std::string bytes)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.greeting = std::move(bytes);
}

void ProjectorSimulator::SetCloseAt(CloseMoment moment)
{
    std::lock_guard lock(impl_->mutex);
    impl_->faults.closeAt = moment;
}

void ProjectorSimulator::SetPassword(std::string password)
{
    if (!password.empty() && !IsPjlinkPassword(password)) return;
    std::lock_guard lock(impl_->mutex);
    impl_->faults.password = std::move(password);
}

void ProjectorSimulator::SetRefuseConnections(bool on)
{
    impl_->Request([&] { impl_->faults.refuse = on; });
}

void ProjectorSimulator::SetHangConnects(bool on)
{
    impl_->Request([&] { impl_->faults.hang = on; });
}

void ProjectorSimulator::ClearFaults()
{
    impl_->Request([&] { impl_->faults = Faults{}; });
}

void ProjectorSimulator::CloseAllConnections()
{
    impl_->Request([&] { impl_->closeAllRequested = true; });
}

std::uint16_t ProjectorSimulator::DefaultPort(Protocol protocol)
{
    return protocol == Protocol::Pjlink ? kPjlinkPort : kNativePort;
}

bool ProjectorSimulator::IsPjlinkPassword(std::string_view password)
{
    return !password.empty() && password.size() <= 32 && std::all_of(password.begin(), password.end(), IsAlnum);
}

std::string ProjectorSimulator::Md5Hex(std::string_view bytes)
{
#ifdef _WIN32
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    BYTE digest[16];
    DWORD size = sizeof digest;
    const bool ok = CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
                    CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
                    CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()),
                                  static_cast<DWORD>(bytes.size()), 0) &&
                    CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == sizeof digest;
    if (hash) CryptDestroyHash(hash);
    if (provider) CryptReleaseContext(provider, 0);
    if (!ok) return {};
    std::string hex;
    for (const BYTE b : digest) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned>(b));
        hex += pair;
    }
    return hex;
#else
    char hex[MD5_DIGEST_STRING_LENGTH];
    MD5Data(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), hex);
    return hex;
#endif
}

std::string ProjectorSimulator::SampleGarbage(std::size_t length)
{
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        switch (i % 64) {
        case 20: bytes[i] = '\0'; break;
        case 40: bytes[i] = static_cast<char>(0xFF); break;
        default: bytes[i] = static_cast<char>('a' + i % 26); break;
        }
    }
    return bytes;
}

std::vector<std::string> ProjectorSimulator::Received() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->received;
}

std::vector<std::string> ProjectorSimulator::GreetingRandoms() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->greetingRandoms;
}

int ProjectorSimulator::ConnectionCount() const
{
    std::lock_guard lock(impl_->mutex);
    return static_cast<int>(impl_->received.size());
}

int ProjectorSimulator::OpenConnectionCount() const
{
    std::lock_guard lock(impl_->mutex);
    return impl_->openCount;
}

bool ProjectorSimulator::WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool ProjectorSimulator::IsLoopbackAddress(std::string_view address)
{
    int parts[4];
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (address.empty() || address.front() != '.') return false;
            address.remove_prefix(1);
        }
        std::size_t digits = 0;
        int value = 0;
        while (digits < address.size() && digits < 4 && address[digits] >= '0' && address[digits] <= '9')
            value = value * 10 + (address[digits++] - '0');
        if (digits == 0 || digits > 3 || value > 255) return false;
        parts[i] = value;
        address.remove_prefix(digits);
    }
    return address.empty() && parts[0] == 127;
}

std::string ProjectorSimulator::Escape(std::string_view bytes)
{
    std::string out;
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == '\\') {
            out += "\\\\";
        } else if (b == '\r') {
            out += "\\r";
        } else if (b >= 0x20 && b <= 0x7E) {
            out += ch;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        }
    }
    return out;
}
