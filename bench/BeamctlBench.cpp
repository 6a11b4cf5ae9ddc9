// beamctl benchmark, run under Wine: the time from starting beamctl.exe to the
// projector's prompt for `power on`, against the projector simulator on
// loopback, beside a raw Winsock client in this process that makes the same
// session by hand (connect, probe, close, the console's 500 ms pause, connect,
// open request, command, prompt): the floor. Both include the pause. Also how
// long beamctl takes to give up on a connect that hangs (its limit: 2000 ms),
// and `status` on 50 projectors at once (a simulator on each of 127.0.67.1-50)
// beside `status` on one of them, in the same run (target: at most 2x).
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

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// ---------------------------------------------------------------- the floor

SOCKET ConnectRaw()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(kProjectorPort);
    std::memcpy(&peer.sin_addr, kOctets, sizeof kOctets);
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

// ---------------------------------------------------------------- beamctl

struct BeamctlTimes {
    double toPrompt;  // start -> the projector answered the command with its prompt
    double toExit;    // start -> beamctl ended (it read the prompt and closed)
};

// The simulator notes when the command came; its prompt left right before.
std::atomic<long long> g_commandAt{0};

// Runs beamctl power on against `address`; its exit code, and the time from
// the start until it ended.
DWORD RunBeamctl(const char* address, Clock::time_point& start, Clock::time_point& end)
{
    const std::string exe = ExecutableFolder() + "beamctl.exe";
    std::string commandLine = "\"" + exe + "\" --projector " + address + " power on";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    start = Clock::now();
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        Fail("cannot start " + exe);
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
    const DWORD code = RunBeamctl(kAddress, start, end);
    if (code != 0) Fail("beamctl exited with " + std::to_string(code));
    if (g_commandAt == 0) Fail("the command never came");
    const Clock::time_point commandAt{Clock::duration(g_commandAt.load())};
    return {Ms(commandAt - start), Ms(end - start)};
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
            toPrompt.push_back(t.toPrompt);
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
            if (RunBeamctl(kHangingAddress, start, end) != 3) Fail("beamctl did not exit 3 on a hanging connect");
            givingUp.push_back(Ms(end - start));
        }
        std::printf("  a connect that hangs: exit 3 after %8.1f ms (limit 2000 ms)\n", Median(givingUp));
        std::printf("\n");
        FleetStatus(runs);
        WSACleanup();
    } catch (const std::exception& e) {
        std::printf("beamctl benchmark failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
