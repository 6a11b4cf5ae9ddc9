// beamctl benchmark, run under Wine: the time from starting beamctl.exe to the
// projector's prompt for `power on`, against the projector simulator on
// loopback, beside a raw Winsock client in this process that makes the same
// session by hand (connect, probe, close, the console's 500 ms pause, connect,
// open request, command, prompt): the floor. Both include the pause. Also how
// long beamctl takes to give up on a connect that hangs (its limit: 2000 ms),
// and `status` on 50 projectors at once (a simulator on each of 127.0.67.1-50)
// beside `status` on one of them, in the same run (target: at most 2x).
// Then the same for PJLink: beamctl's start to the projector's reply to
// `%1POWR 1`, beside a raw PJLink session (connect, greeting, `%1CLSS ?` and
// its reply, `%1POWR 1` and its reply), split at the arrival of `%1CLSS ?`
// (before it: the process's start, the connection and the greeting; after
// it: one exchange), and the time beamctl takes to start and end doing
// nothing (`--version`): what starting a process costs here.
// Prints medians; asserts nothing.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "PjlinkWire.h"
#include "ProcessWindows.h"
#include "ProjectorSimulator.h"
#include "SessionRecords.h"
#include "TransportChannel.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kAddress = "127.0.66.250";
constexpr const char* kHangingAddress = "127.0.66.251";
constexpr unsigned char kOctets[4] = {127, 0, 66, 250};
constexpr const char* kCommand = "IMPWR ON\r";
constexpr const char* kPjlinkAddress = "127.0.66.252";
constexpr unsigned char kPjlinkOctets[4] = {127, 0, 66, 252};
constexpr const char* kPjlinkClassQuery = "%1CLSS ?\r";
constexpr const char* kPjlinkCommand = "%1POWR 1\r";

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// ---------------------------------------------------------------- the floor

SOCKET ConnectRaw(const unsigned char (&octets)[4] = kOctets, std::uint16_t port = kProjectorPort)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    std::memcpy(&peer.sin_addr, octets, sizeof octets);
    if (s == INVALID_SOCKET || connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0)
        Fail("raw client: connect failed");
    return s;
}

void SendRaw(SOCKET s, const void* bytes, std::size_t length)
{
    if (send(s, static_cast<const char*>(bytes), static_cast<int>(length), 0) != static_cast<int>(length))
        Fail("raw client: send failed");
}

// Reads until `done` holds for what came so far.
template <typename Done>
void ReadUntil(SOCKET s, Done done)
{
    std::string got;
    while (!done(got)) {
        char chunk[1024];
        const int n = recv(s, chunk, sizeof chunk, 0);
        if (n <= 0) Fail("raw client: the connection closed");
        got.append(chunk, static_cast<std::size_t>(n));
    }
}

void CloseRaw(SOCKET s)
{
    shutdown(s, SD_BOTH);
    closesocket(s);
}

// The whole session by hand; the time to the prompt.
double RawPowerOn()
{
    const auto start = Clock::now();
    const auto headerCame = [](const std::string& b) { return b.size() >= kHeaderSize; };
    SOCKET probe = ConnectRaw();
    const ProbeRequest probeRequest = BuildProbeRequest();
    SendRaw(probe, probeRequest.data(), probeRequest.size());
    ReadUntil(probe, headerCame);
    CloseRaw(probe);
    std::this_thread::sleep_for(kClosePause);
    SOCKET session = ConnectRaw();
    const OpenRequest openRequest = BuildOpenRequest(kTypeOpen, "");
    SendRaw(session, openRequest.data(), openRequest.size());
    ReadUntil(session, headerCame);
    SendRaw(session, kCommand, std::strlen(kCommand));
    ReadUntil(session, [](const std::string& b) { return b.find(':') != std::string::npos; });
    const double ms = Ms(Clock::now() - start);
    CloseRaw(session);
    return ms;
}

// The simulator notes when the command came; its reply left right before.
std::atomic<long long> g_commandAt{0};
std::atomic<long long> g_pjlinkClassAt{0};
std::atomic<long long> g_pjlinkCommandAt{0};

Clock::time_point NotedAt(const std::atomic<long long>& noted)
{
    return Clock::time_point{Clock::duration(noted.load())};
}

struct PjlinkTimes {
    double toClass;   // start -> the class question came (the greeting was read)
    double toAnswer;  // start -> the projector answered `%1POWR 1`
    double toExit;    // start -> beamctl ended; nothing for the raw session
};

// The simulator reports a line once its reply has left, so a client that
// read the reply may be quicker than the report: it is waited for.
PjlinkTimes PjlinkTimesSince(Clock::time_point start)
{
    const bool noted = ProjectorSimulator::WaitUntil(
        [] { return g_pjlinkClassAt != 0 && g_pjlinkCommandAt != 0; }, std::chrono::milliseconds(10000));
    if (!noted) Fail("the PJLink class question or command never came");
    return {Ms(NotedAt(g_pjlinkClassAt) - start), Ms(NotedAt(g_pjlinkCommandAt) - start), 0};
}

// The PJLink session by hand, as beamctl makes it (a first connection asks
// the class).
PjlinkTimes RawPjlinkPowerOn()
{
    const auto lineCame = [](const std::string& b) { return b.find('\r') != std::string::npos; };
    g_pjlinkClassAt = 0;
    g_pjlinkCommandAt = 0;
    const auto start = Clock::now();
    SOCKET s = ConnectRaw(kPjlinkOctets, kPjlinkPort);
    ReadUntil(s, lineCame);  // the greeting
    SendRaw(s, kPjlinkClassQuery, std::strlen(kPjlinkClassQuery));
    ReadUntil(s, lineCame);
    SendRaw(s, kPjlinkCommand, std::strlen(kPjlinkCommand));
    ReadUntil(s, lineCame);
    CloseRaw(s);
    return PjlinkTimesSince(start);
}

// ---------------------------------------------------------------- beamctl

struct BeamctlTimes {
    double toAnswer;  // start -> the projector answered the command (its prompt; PJLink: its reply)
    double toExit;    // start -> beamctl ended (it read the prompt and closed)
};

enum class Output { Shown, Discarded };

// Runs beamctl with `arguments`; its exit code, and the time from the start
// until it ended. Its output goes to this console, or to NUL.
DWORD RunBeamctl(const std::string& arguments, Clock::time_point& start, Clock::time_point& end,
                 Output output = Output::Shown)
{
    const std::string exe = ExecutableFolder() + "beamctl.exe";
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    HANDLE nul = INVALID_HANDLE_VALUE;
    if (output == Output::Discarded) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                          OPEN_EXISTING, 0, nullptr);
        if (nul == INVALID_HANDLE_VALUE) Fail("cannot open NUL");
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    }
    PROCESS_INFORMATION process{};
    start = Clock::now();
    const BOOL started = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, nul != INVALID_HANDLE_VALUE,
                                        0, nullptr, nullptr, &startup, &process);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) Fail("cannot start " + exe);
    WaitForSingleObject(process.hProcess, 30000);
    end = Clock::now();
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Runs beamctl with `arguments`; its exit code and how long it ran, in ms.
DWORD RunBeamctlWith(const std::string& arguments, double& ms)
{
    const std::string exe = ExecutableFolder() + "beamctl.exe";
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // Its output (200 lines for 50 projectors) is not what is timed.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION process{};
    const auto start = Clock::now();
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        Fail("cannot start " + exe);
    WaitForSingleObject(process.hProcess, 60000);
    ms = Ms(Clock::now() - start);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(nul);
    return code;
}

// status on one projector, then on 50 at once, `runs` times each; medians.
void FleetStatus(int runs)
{
    constexpr int kFleet = 50;
    std::vector<std::unique_ptr<ProjectorSimulator>> fleet;
    std::string all;
    for (int i = 1; i <= kFleet; ++i) {
        ProjectorSimulator::Options options;
        options.address = "127.0.67." + std::to_string(i);
        fleet.push_back(std::make_unique<ProjectorSimulator>(options));
        if (!fleet.back()->Start()) Fail("cannot start the simulator on " + options.address);
        all += (i > 1 ? "," : "") + options.address;
    }
    std::vector<double> one, many;
    double ms = 0;
    RunBeamctlWith("--projector 127.0.67.1 status", ms);  // not counted
    for (int i = 0; i < runs; ++i) {
        if (RunBeamctlWith("--projector 127.0.67.1 status", ms) != 0) Fail("status on one projector failed");
        one.push_back(ms);
        if (RunBeamctlWith("--projector " + all + " status", ms) != 0) Fail("status on 50 projectors failed");
        many.push_back(ms);
    }
    std::printf("beamctl status, %d runs, medians (start to exit; simulators on 127.0.67.1-%d):\n", runs, kFleet);
    std::printf("  one projector                     %8.1f ms\n", Median(one));
    std::printf("  %d projectors at once             %8.1f ms   (%.2fx the time of one; target at most 2x)\n",
                kFleet, Median(many), Median(many) / Median(one));
    for (auto& sim : fleet) sim->Stop();
}

BeamctlTimes BeamctlPowerOn()
{
    g_commandAt = 0;
    Clock::time_point start, end;
    const DWORD code = RunBeamctl(std::string("--projector ") + kAddress + " power on", start, end);
    if (code != 0) Fail("beamctl exited with " + std::to_string(code));
    if (g_commandAt == 0) Fail("the command never came");
    return {Ms(NotedAt(g_commandAt) - start), Ms(end - start)};
}

PjlinkTimes BeamctlPjlinkPowerOn()
{
    g_pjlinkClassAt = 0;
    g_pjlinkCommandAt = 0;
    Clock::time_point start, end;
    const DWORD code =
        RunBeamctl(std::string("--projector ") + kPjlinkAddress + " --protocol pjlink power on", start, end,
                   Output::Discarded);
    if (code != 0) Fail("beamctl (PJLink) exited with " + std::to_string(code));
    PjlinkTimes times = PjlinkTimesSince(start);
    times.toExit = Ms(end - start);
    return times;
}

// beamctl's start to its end with nothing to do (its one line of output
// discarded, as the PJLink runs' output is).
double BeamctlVersion()
{
    Clock::time_point start, end;
    if (RunBeamctl("--version", start, end, Output::Discarded) != 0) Fail("beamctl --version failed");
    return Ms(end - start);
}

// The PJLink figures, against a simulator of their own. Power goes back to
// standby before each run, so every `%1POWR 1` is answered OK.
void MeasurePjlink(int runs)
{
    ProjectorSimulator::Options options;
    options.protocol = ProjectorSimulator::Protocol::Pjlink;
    options.address = kPjlinkAddress;
    options.onReceived = [](int, const std::string& bytes) {
        const long long now = Clock::now().time_since_epoch().count();
        if (bytes.find(kPjlinkClassQuery) != std::string::npos) g_pjlinkClassAt = now;
        if (bytes.find(kPjlinkCommand) != std::string::npos) g_pjlinkCommandAt = now;
    };
    ProjectorSimulator sim(options);
    if (!sim.Start()) Fail(std::string("cannot start the simulator on ") + kPjlinkAddress);

    struct Series {
        std::vector<double> toClass, exchange, toAnswer, toExit;
        void Add(const PjlinkTimes& t)
        {
            toClass.push_back(t.toClass);
            exchange.push_back(t.toAnswer - t.toClass);
            toAnswer.push_back(t.toAnswer);
            toExit.push_back(t.toExit);
        }
    } ours, floor;
    std::vector<double> version;
    sim.SetPower("0");
    BeamctlPjlinkPowerOn();  // not counted, as above
    for (int i = 0; i < runs; ++i) {
        sim.SetPower("0");
        ours.Add(BeamctlPjlinkPowerOn());
        sim.SetPower("0");
        floor.Add(RawPjlinkPowerOn());
        version.push_back(BeamctlVersion());
    }
    const auto line = [](const char* what, const std::vector<double>& a, const std::vector<double>& b) {
        std::printf("  %-34s%8.1f ms   floor %8.1f ms   (%.2fx)\n", what, Median(a), Median(b), Median(a) / Median(b));
    };
    std::printf("beamctl --protocol pjlink power on, %d runs, medians (beamctl's output to NUL):\n", runs);
    line("start to %1POWR=OK leaving", ours.toAnswer, floor.toAnswer);
    std::printf("  start to beamctl's exit           %8.1f ms\n", Median(ours.toExit));
    line("  start to %1CLSS ? arriving", ours.toClass, floor.toClass);
    line("  %1CLSS ? to %1POWR 1 arriving", ours.exchange, floor.exchange);
    std::printf("  beamctl --version, start to exit  %8.1f ms (starting and ending a process under Wine)\n",
                Median(version));
    sim.Stop();
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    try {
        ProjectorSimulator::Options options;
        options.address = kAddress;
        options.onReceived = [](int, const std::string& bytes) {
            if (bytes.find(kCommand) != std::string::npos) g_commandAt = Clock::now().time_since_epoch().count();
        };
        ProjectorSimulator sim(options);
        if (!sim.Start()) Fail(std::string("cannot start the simulator on ") + kAddress);
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);

        std::vector<double> toPrompt, toExit, floor;
        BeamctlPowerOn();  // a first start warms Wine's caches; not counted
        for (int i = 0; i < runs; ++i) {
            const BeamctlTimes t = BeamctlPowerOn();
            toPrompt.push_back(t.toAnswer);
            toExit.push_back(t.toExit);
            floor.push_back(RawPowerOn());
        }
        const double f = Median(floor);
        std::printf("beamctl power on, %d runs, medians (both include the %d ms pause after the probe):\n", runs,
                    static_cast<int>(kClosePause.count()));
        std::printf("  start to the projector's prompt   %8.1f ms   floor %8.1f ms   (%.2fx)\n", Median(toPrompt), f,
                    Median(toPrompt) / f);
        std::printf("  start to beamctl's exit           %8.1f ms\n", Median(toExit));
        std::printf("  beyond the floor: %.1f ms (process start under Wine, sockets, session code)\n",
                    Median(toPrompt) - f);

        ProjectorSimulator::Options hangingOptions;
        hangingOptions.address = kHangingAddress;
        ProjectorSimulator hanging(hangingOptions);
        if (!hanging.Start()) Fail(std::string("cannot start the simulator on ") + kHangingAddress);
        hanging.SetHangConnects(true);
        std::vector<double> givingUp;
        for (int i = 0; i < std::min(runs, 3); ++i) {
            Clock::time_point start, end;
            if (RunBeamctl(std::string("--projector ") + kHangingAddress + " power on", start, end) != 3) Fail("beamctl did not exit 3 on a hanging connect");
            givingUp.push_back(Ms(end - start));
        }
        std::printf("  a connect that hangs: exit 3 after %8.1f ms (limit 2000 ms)\n", Median(givingUp));
        std::printf("\n");
        FleetStatus(runs);

        MeasurePjlink(runs);
        WSACleanup();
    } catch (const std::exception& e) {
        std::printf("beamctl benchmark failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
