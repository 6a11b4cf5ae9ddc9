// Link benchmark, run under Wine: Beamdesk.exe against the projector simulator
// on loopback, beside a raw Winsock client in this process that does the same
// protocol work directly (the floor). Figures: press-to-wire latency,
// reply-to-follow-up latency, time to open a session, and CPU time spent while
// a connect goes unanswered. Prints numbers only; asserts nothing.
//
// Every arrival is timestamped on the simulator's thread as the bytes come in,
// with the same clock the presses and sends are timed by.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ConsoleBench.h"
#include "ProjectorSimulator.h"

namespace {

using namespace bench;

constexpr const char* kAddress = "127.0.99.1";
constexpr unsigned char kOctets[4] = {127, 0, 99, 1};
constexpr std::uint16_t kPort = 3629;
constexpr const char* kNoAnswer = "Projector is not responding. ";
constexpr int kVolumeUp = 1012;  // sends "KEY 57\r"
constexpr int kAvMute = 1007;    // sends "MUTE?\r", then the opposite at the prompt
constexpr std::size_t kHandshakeReplyBytes = 16;

// For CPU times, whose ticks are too coarse for a median to say much.
double Mean(const std::vector<double>& values)
{
    double sum = 0;
    for (double v : values) sum += v;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

// CPU time (user + kernel) from a pair of FILETIMEs, in ms.
double CpuMs(const FILETIME& kernel, const FILETIME& user)
{
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

bool UnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A whole file of the Linux side, through drive Z:; nothing when unreadable.
std::optional<std::string> ReadHostFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string text;
    char chunk[4096];
    DWORD n = 0;
    while (ReadFile(file, chunk, sizeof chunk, &n, nullptr) && n > 0) text.append(chunk, n);
    CloseHandle(file);
    return text;
}

// The fields of a Linux /proc stat line after the command name: [0] is the
// state, [11] and [12] user and system time in ticks.
std::vector<std::string> StatFields(const std::string& stat)
{
    std::vector<std::string> fields;
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return fields;
    std::size_t at = close + 1;
    while (at < stat.size()) {
        while (at < stat.size() && stat[at] == ' ') ++at;
        const std::size_t end = std::min(stat.find(' ', at), stat.size());
        if (end > at) fields.push_back(stat.substr(at, end - at));
        at = end;
    }
    return fields;
}

// CPU time of the program's process. Wine answers GetProcessTimes for another
// process with the caller's own times, so under Wine the figure comes from the
// Linux process that runs the program: the live one whose command line is the
// program's path and whose Wine prefix is ours (one instance per prefix). Its
// counters keep the time of threads that have ended. Resolution there is one
// tick (10 ms). ("self" under Z:\proc is no help: Wine's server opens files.)
class ProgramCpu {
public:
    ProgramCpu(HANDLE process, const std::string& exe) : m_process(process)
    {
        if (!UnderWine()) return;
        char prefix[MAX_PATH] = {};
        const DWORD prefixLength = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
        const std::string prefixEntry =
            prefixLength > 0 && prefixLength < sizeof prefix ? std::string("WINEPREFIX=") + prefix : "";
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA("Z:\\proc\\*", &entry);
        if (find == INVALID_HANDLE_VALUE) {
            m_problem = "cannot list the Linux processes";
            return;
        }
        std::vector<std::string> matches;
        do {
            const std::string name = entry.cFileName;
            if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
            const std::string dir = "Z:\\proc\\" + name + "\\";
            const auto commandLine = ReadHostFile(dir + "cmdline");
            if (!commandLine || _stricmp(commandLine->c_str(), exe.c_str()) != 0) continue;
            if (!prefixEntry.empty()) {
                const auto environment = ReadHostFile(dir + "environ");
                if (!environment || ('\0' + *environment).find('\0' + prefixEntry + '\0') == std::string::npos)
                    continue;
            }
            const auto stat = ReadHostFile(dir + "stat");
            const std::vector<std::string> fields = stat ? StatFields(*stat) : std::vector<std::string>{};
            if (fields.size() >= 13 && fields[0] != "Z") matches.push_back(dir + "stat");
        } while (FindNextFileA(find, &entry));
        FindClose(find);
        if (matches.size() == 1)
            m_statPath = matches.front();
        else
            m_problem = std::to_string(matches.size()) + " Linux processes look like the program";
    }

    // Nothing when the figure cannot be had; Problem() says why.
    std::optional<double> Ms() const
    {
        if (!UnderWine()) {
            FILETIME created, exited, kernel, user;
            if (!GetProcessTimes(m_process, &created, &exited, &kernel, &user)) return std::nullopt;
            return CpuMs(kernel, user);
        }
        if (m_statPath.empty()) return std::nullopt;
        const auto stat = ReadHostFile(m_statPath);
        const std::vector<std::string> fields = stat ? StatFields(*stat) : std::vector<std::string>{};
        if (fields.size() < 13) return std::nullopt;
        constexpr double kMsPerTick = 10.0;  // Linux reports in 1/100 s everywhere
        return kMsPerTick * (std::strtod(fields[11].c_str(), nullptr) + std::strtod(fields[12].c_str(), nullptr));
    }

    const std::string& Problem() const { return m_problem; }

private:
    HANDLE m_process;
    std::string m_statPath;
    std::string m_problem;
};

// ---------------------------------------------------------------- the floor

// The port-3629 session by plain Winsock calls.
class RawClient {
public:
    ~RawClient() { Close(); }

    // The same bytes the program sends: a 16-byte probe, or the 34-byte open
    // request with an empty password field.
    static std::string HandshakeRequest(char type)
    {
        std::string request("QRM/TX.net\x10", 11);
        request += type;
        if (type == 3) {
            request.append("\0\0\0\x01\x01\x01", 6);
            request.append(16, '\0');
        } else {
            request.append(4, '\0');
        }
        return request;
    }

    // Probe on one connection, open request on a second; then the session is
    // ready for text.
    void Open()
    {
        Close();
        SOCKET probe = raw::Connect(kAddress, kPort);
        raw::SendAll(probe, HandshakeRequest(2));
        std::string reply;
        raw::ReceiveUntil(probe, reply, [](const std::string& b) { return b.size() >= kHandshakeReplyBytes; });
        closesocket(probe);
        m_session = raw::Connect(kAddress, kPort);
        raw::SendAll(m_session, HandshakeRequest(3));
        reply.clear();
        raw::ReceiveUntil(m_session, reply, [](const std::string& b) { return b.size() >= kHandshakeReplyBytes; });
        if (static_cast<unsigned char>(reply[14]) != 0x20) Fail("raw client: open request refused");
    }

    void Send(const std::string& text) const { raw::SendAll(m_session, text); }

    // Reads up to and including the prompt; the text before it.
    std::string ReadToPrompt() const
    {
        std::string reply;
        raw::ReceiveUntil(m_session, reply, [](const std::string& b) { return b.find(':') != std::string::npos; });
        return reply;
    }

    void Close()
    {
        if (m_session != INVALID_SOCKET) closesocket(m_session);
        m_session = INVALID_SOCKET;
    }

    // A non-blocking connect, waited for up to ms, then cancelled. True when
    // it completed.
    static bool ConnectWithin(int ms)
    {
        const sockaddr_in peer = raw::Address(kAddress, kPort);
        SOCKET s = raw::NewSocket();
        u_long on = 1;
        ioctlsocket(s, FIONBIO, &on);
        bool done = connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
        if (!done && WSAGetLastError() == WSAEWOULDBLOCK) {
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval limit{ms / 1000, (ms % 1000) * 1000};
            done = select(0, nullptr, &writable, &failed, &limit) > 0 && FD_ISSET(s, &writable);
        }
        closesocket(s);
        return done;
    }

private:
    SOCKET m_session = INVALID_SOCKET;
};

double ThreadCpuMs()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    return CpuMs(kernel, user);
}

// ---------------------------------------------------------------- figures

struct Counts {
    int presses = 30;
    int opens = 7;
    int failedConnects = 5;
};

std::vector<Row> Measure(const std::string& folder, const Counts& counts)
{
    Wire wire;
    ProjectorSimulator::Options options;
    options.address = kAddress;
    options.port = kPort;
    options.onReceived = [&wire](int connection, const std::string& bytes) { wire.Add(connection, bytes); };
    ProjectorSimulator sim(options);
    if (!sim.Start()) Fail(std::string("the simulator cannot listen on ") + kAddress + ":" + std::to_string(kPort));

    Program program(folder + "Beamdesk.exe");
    program.WaitForConsole();
    program.WaitForTitle(kConnected, "after start-up");
    const ProgramCpu programCpu(program.Process(), folder + "Beamdesk.exe");
    if (!programCpu.Problem().empty())
        std::printf("  the program's CPU time cannot be read: %s\n", programCpu.Problem().c_str());
    RawClient raw;
    raw.Open();

    std::vector<Row> rows;

    // 1. Press (or send) to the command's arrival, with the session idle.
    {
        std::vector<double> ours, floor;
        for (int i = 0; i < counts.presses; ++i) {
            std::this_thread::sleep_for(kIdle);
            auto mark = wire.Now();
            auto start = Clock::now();
            program.Press(kVolumeUp);
            ours.push_back(Since(start, wire.Wait("KEY 57\r", mark), "the press's command"));

            std::this_thread::sleep_for(kIdle);
            mark = wire.Now();
            start = Clock::now();
            raw.Send("KEY 57\r");
            floor.push_back(Since(start, wire.Wait("KEY 57\r", mark), "the raw client's command"));
            raw.ReadToPrompt();
        }
        rows.push_back({"press to command on the wire (ms)", Median(ours), Median(floor)});
    }

    // 2. The query's arrival (answered at once) to the follow-up's arrival.
    {
        std::vector<double> ours, floor;
        for (int i = 0; i < counts.presses; ++i) {
            sim.SetMute(true);
            std::this_thread::sleep_for(kIdle);
            auto mark = wire.Now();
            program.Press(kAvMute);
            auto query = wire.Wait("MUTE?\r", mark);
            auto followUp = wire.Wait("MUTE OFF\r", mark);
            if (!query) Fail("the mute query did not reach the projector within 20 s");
            ours.push_back(Since(*query, followUp, "the program's follow-up \"MUTE OFF\""));

            sim.SetMute(true);
            std::this_thread::sleep_for(kIdle);
            mark = wire.Now();
            raw.Send("MUTE?\r");
            const std::string reply = raw.ReadToPrompt();
            if (reply.find("MUTE=ON\r") == std::string::npos) Fail("raw client: unexpected reply " + reply);
            raw.Send("MUTE OFF\r");
            query = wire.Wait("MUTE?\r", mark);
            followUp = wire.Wait("MUTE OFF\r", mark);
            if (!query) Fail("the raw client's mute query did not reach the projector within 20 s");
            floor.push_back(Since(*query, followUp, "the raw client's follow-up"));
            raw.ReadToPrompt();
        }
        rows.push_back({"query reply to follow-up (ms)", Median(ours), Median(floor)});
    }

    // 3. A press with the session closed by the projector: the whole handshake,
    // then the command.
    {
        std::vector<double> ours, floor;
        for (int i = 0; i < counts.opens; ++i) {
            sim.CloseAllConnections();
            raw.Close();
            program.WaitForTitle(kDisconnected, "after the projector closed the session");
            std::this_thread::sleep_for(kIdle);
            auto mark = wire.Now();
            auto start = Clock::now();
            program.Press(kVolumeUp);
            ours.push_back(Since(start, wire.Wait("KEY 57\r", mark), "the command after reopening"));
            program.WaitForTitle(kConnected, "after reopening");

            std::this_thread::sleep_for(kIdle);
            mark = wire.Now();
            start = Clock::now();
            raw.Open();
            raw.Send("KEY 57\r");
            floor.push_back(Since(start, wire.Wait("KEY 57\r", mark), "the raw client's command after opening"));
            raw.ReadToPrompt();
        }
        rows.push_back({"closed session: press to command (ms)", Median(ours), Median(floor)});
    }

    // 4. CPU time while a connect goes unanswered for the full time-out.
    {
        sim.CloseAllConnections();
        raw.Close();
        program.WaitForTitle(kDisconnected, "after the projector closed the session");
        sim.SetHangConnects(true);
        std::vector<double> ours, floor;
        bool measured = true;
        for (int i = 0; i < counts.failedConnects; ++i) {
            std::this_thread::sleep_for(kIdle);
            const std::optional<double> before = programCpu.Ms();
            program.Press(kVolumeUp);
            HWND box = nullptr;
            if (!WaitUntil([&] { return (box = program.Box()) != nullptr; }))
                Fail("no message box within 20 s of a press with connects hanging");
            const std::optional<double> after = programCpu.Ms();
            const std::string text = MessageBoxText(box);
            if (text != kNoAnswer) Fail("unexpected message box: " + text);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            if (!WaitUntil([&] { return program.Box() == nullptr; })) Fail("the message box did not close");
            program.WaitForTitle(kDisconnected, "after the failed connect");
            if (before && after)
                ours.push_back(*after - *before);
            else
                measured = false;

            std::this_thread::sleep_for(kIdle);
            const double start = ThreadCpuMs();
            if (RawClient::ConnectWithin(2000)) Fail("raw client: a connect completed although connects hang");
            floor.push_back(ThreadCpuMs() - start);
        }
        sim.SetHangConnects(false);
        rows.push_back({"unanswered connect: CPU, mean (ms)",
                        measured ? std::optional<double>(Mean(ours)) : std::nullopt, Mean(floor)});
    }

    program.Close();
    sim.Stop();
    return rows;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = ExecutableFolder();
    Counts counts;
    if (argc > 1) counts.presses = std::max(1, std::atoi(argv[1]));
    const auto rows = RunBench("link_bench", kOctets, std::nullopt, [&] { return Measure(folder, counts); });
    if (!rows) return 1;

    std::printf("%d presses, %d session openings, %d unanswered connects; medians unless marked\n",
                counts.presses, counts.opens, counts.failedConnects);
    PrintRows(*rows);
    return 0;
}
