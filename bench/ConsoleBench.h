// What the console's link benchmarks share (LinkBench for port 3629,
// PjlinkBench for PJLink): the clock and medians, the wire as the projector
// simulator saw it, the settings key, Beamdesk.exe driven from outside, plain
// Winsock calls for the floors, and the figures table. One benchmark program
// includes it; nothing here asserts, a failure ends the run with its reason.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ProcessWindows.h"

namespace bench {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kSettingsKey = "Software\\Varnholt\\Beamdesk";
constexpr const char* kInstanceName = "Global\\BMDSK_Mutex";
constexpr const char* kConnected = "Beamdesk V1.00 [Connected]";
constexpr const char* kDisconnected = "Beamdesk V1.00 [Disconnect]";
constexpr auto kLimit = 20s;     // for anything that should happen
constexpr auto kIdle = 50ms;     // quiet time before each measured action

inline double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

[[noreturn]] inline void Fail(const std::string& what) { throw std::runtime_error(what); }

inline double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline bool WaitUntil(const std::function<bool()>& condition, Clock::duration limit = kLimit)
{
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() > deadline) return false;
        Sleep(2);
    }
}

// ---------------------------------------------------------------- the wire

// What the simulator received, per connection, with the moment each chunk came.
class Wire {
public:
    using Mark = std::map<int, std::size_t>;  // bytes per connection at a moment

    struct Arrival {
        Clock::time_point at;
        int connection;
    };

    void Add(int connection, const std::string& bytes)
    {
        const auto at = Clock::now();
        {
            std::lock_guard lock(m_mutex);
            std::string& text = m_text[connection];
            text += bytes;
            m_chunkEnds[connection].push_back({text.size(), at});
        }
        m_changed.notify_all();
    }

    Mark Now() const
    {
        std::lock_guard lock(m_mutex);
        Mark mark;
        for (const auto& [connection, text] : m_text) mark[connection] = text.size();
        return mark;
    }

    // The arrival of the chunk that completed needle, on any connection, after
    // mark; nothing on time-out.
    std::optional<Clock::time_point> Wait(const std::string& needle, const Mark& mark,
                                          Clock::duration limit = kLimit) const
    {
        const auto arrival = WaitArrival(needle, mark, limit);
        if (!arrival) return std::nullopt;
        return arrival->at;
    }

    // The same, with the connection the needle came on.
    std::optional<Arrival> WaitArrival(const std::string& needle, const Mark& mark,
                                       Clock::duration limit = kLimit) const
    {
        std::unique_lock lock(m_mutex);
        std::optional<Arrival> arrival;
        m_changed.wait_for(lock, limit, [&] { return (arrival = Find(needle, mark)).has_value(); });
        return arrival;
    }

    // Everything connection received so far.
    std::string Text(int connection) const
    {
        std::lock_guard lock(m_mutex);
        const auto text = m_text.find(connection);
        return text == m_text.end() ? std::string() : text->second;
    }

private:
    std::optional<Arrival> Find(const std::string& needle, const Mark& mark) const
    {
        for (const auto& [connection, text] : m_text) {
            const auto from = mark.find(connection);
            const std::size_t pos = text.find(needle, from == mark.end() ? 0 : from->second);
            if (pos == std::string::npos) continue;
            const std::size_t end = pos + needle.size();
            for (const auto& [chunkEnd, at] : m_chunkEnds.at(connection))
                if (chunkEnd >= end) return Arrival{at, connection};
        }
        return std::nullopt;
    }

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<int, std::string> m_text;
    std::map<int, std::vector<std::pair<std::size_t, Clock::time_point>>> m_chunkEnds;
};

inline double Since(Clock::time_point start, std::optional<Clock::time_point> at, const char* what)
{
    if (!at) Fail(std::string(what) + " did not reach the projector within 20 s");
    return Ms(*at - start);
}

// ---------------------------------------------------------------- settings

inline void DeleteSettings() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsKey); }

// The projector's address, and the protocol when one is given (none: the
// value is left out, which means the port-3629 protocol).
inline void WriteSettings(const unsigned char (&octets)[4], std::optional<DWORD> protocol = std::nullopt)
{
    DeleteSettings();  // nothing left over from an earlier run counts
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        Fail("cannot create the settings key");
    const char* names[4] = {"IPA", "IPB", "IPC", "IPD"};
    for (int i = 0; i < 4; ++i) {
        const DWORD octet = octets[i];
        RegSetValueExA(key, names[i], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&octet), sizeof octet);
    }
    if (protocol)
        RegSetValueExA(key, "Protocol", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*protocol), sizeof *protocol);
    RegCloseKey(key);
}

// Settings and the program do not outlive an interrupted run.
inline BOOL WINAPI OnInterrupt(DWORD)
{
    DeleteSettings();
    return FALSE;  // the default handler ends the process; the job ends the program
}

// ---------------------------------------------------------------- the program

inline bool IsConsole(HWND hwnd)
{
    return GetPropA(hwnd, kInstanceName) != nullptr;
}

// A visible message box of the process.
inline bool IsMessageBox(HWND hwnd)
{
    if (!IsWindowVisible(hwnd) || IsConsole(hwnd)) return false;
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    return std::strcmp(cls, "#32770") == 0 && GetDlgItem(hwnd, 0xFFFF) != nullptr;
}

inline std::string WindowText(HWND hwnd)
{
    char text[512] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

inline std::string MessageBoxText(HWND box)
{
    char text[256] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

// Beamdesk.exe, started with this process's prefix and settings, its console
// pressed by posted messages.
class Program {
public:
    explicit Program(const std::string& exe)
    {
        // The program dies with this process, whatever way it ends.
        m_job = CreateJobObjectA(nullptr, nullptr);
        if (m_job != nullptr) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        }
        std::string commandLine = "\"" + exe + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                            nullptr, &startup, &m_process))
            Fail("cannot start " + exe);
        if (m_job != nullptr) AssignProcessToJobObject(m_job, m_process.hProcess);
        ResumeThread(m_process.hThread);
    }

    ~Program()
    {
        if (!HasExited()) {
            TerminateProcess(m_process.hProcess, 1);
            WaitForSingleObject(m_process.hProcess, 10000);
        }
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
        if (m_job != nullptr) CloseHandle(m_job);
    }

    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool HasExited() const { return WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0; }

    void WaitForConsole()
    {
        WaitForInputIdle(m_process.hProcess, 10000);
        const bool up = WaitUntil([&] {
            if (HasExited()) return false;
            HWND console = FindWindowOf(m_process.dwProcessId, IsConsole);
            if (console == nullptr || !IsWindowVisible(console) || WindowText(console).empty()) return false;
            m_console = console;
            return true;
        });
        if (!up) Fail(HasExited() ? "the program ended at start-up" : "no console window within 20 s");
    }

    std::string Title() const { return WindowText(m_console); }

    void WaitForTitle(const char* title, const char* when) const
    {
        if (WaitUntil([&] { return Title() == title || HasExited(); }) && !HasExited()) return;
        if (HasExited()) Fail(std::string("the program ended while waiting for its title ") + when);
        Fail(std::string("title not \"") + title + "\" within 20 s " + when + " (it is \"" + Title() + "\")");
    }

    void Press(int id) const { PostMessageA(m_console, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    HWND Box() const { return FindWindowOf(m_process.dwProcessId, IsMessageBox); }

    HANDLE Process() const { return m_process.hProcess; }

    // Closes the console and waits for the process; ends it when it lingers.
    void Close()
    {
        if (HasExited()) return;
        if (HWND box = Box()) PostMessageA(box, WM_COMMAND, IDOK, 0);
        if (m_console != nullptr) PostMessageA(m_console, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(m_process.hProcess, 10000) != WAIT_OBJECT_0) {
            std::printf("  the program did not end within 10 s of WM_CLOSE: terminated\n");
            TerminateProcess(m_process.hProcess, 1);
            WaitForSingleObject(m_process.hProcess, 10000);
        }
    }

private:
    HANDLE m_job = nullptr;
    PROCESS_INFORMATION m_process{};
    HWND m_console = nullptr;
};

// Whether a Beamdesk.exe already runs in this prefix (it would take the
// benchmark's presses for a second instance's).
inline bool ConsoleRunsAlready()
{
    HANDLE other = OpenMutexA(SYNCHRONIZE, FALSE, kInstanceName);
    if (other == nullptr) return false;
    CloseHandle(other);
    return true;
}

// What a link benchmark does before it measures: output as it comes, no other
// Beamdesk.exe in the prefix, Winsock, and settings that an interrupted run
// does not leave behind. False, after saying why, when it cannot go on.
inline bool StartBench(const char* name)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (ConsoleRunsAlready()) {
        std::printf("%s: another Beamdesk.exe runs in this prefix; try again once it has ended\n", name);
        return false;
    }
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        std::printf("%s: no Winsock\n", name);
        return false;
    }
    SetConsoleCtrlHandler(&OnInterrupt, TRUE);
    return true;
}

// A link benchmark's run: StartBench, the settings `measure` needs, and the
// clean-up that follows either way. Empty, after saying why, when it could not
// start or a measurement failed.
template <typename Measure>
auto RunBench(const char* name, const unsigned char (&octets)[4], std::optional<DWORD> protocol, Measure measure)
    -> std::optional<decltype(measure())>
{
    if (!StartBench(name)) return std::nullopt;
    std::optional<decltype(measure())> results;
    try {
        WriteSettings(octets, protocol);
        results = measure();
    } catch (const std::exception& e) {
        std::printf("%s: %s\n", name, e.what());
    }
    DeleteSettings();
    WSACleanup();
    return results;
}

// ---------------------------------------------------------------- the floor

// The least a client can do: plain Winsock calls, nothing else.
namespace raw {

inline sockaddr_in Address(const char* address, std::uint16_t port)
{
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    inet_pton(AF_INET, address, &peer.sin_addr);
    return peer;
}

inline SOCKET NewSocket()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) Fail("raw client: no socket");
    return s;
}

inline SOCKET Connect(const char* address, std::uint16_t port)
{
    const sockaddr_in peer = Address(address, port);
    SOCKET s = NewSocket();
    if (connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        closesocket(s);
        Fail("raw client: connect failed");
    }
    return s;
}

inline void SendAll(SOCKET s, const std::string& bytes)
{
    if (send(s, bytes.data(), static_cast<int>(bytes.size()), 0) != static_cast<int>(bytes.size()))
        Fail("raw client: send failed");
}

// Reads until done(buffer) holds.
inline void ReceiveUntil(SOCKET s, std::string& buffer, const std::function<bool(const std::string&)>& done)
{
    const auto deadline = Clock::now() + kLimit;
    while (!done(buffer)) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0) Fail("raw client: no reply within 20 s");
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval limit{static_cast<long>(left.count() / 1000000), static_cast<long>(left.count() % 1000000)};
        if (select(0, &readable, nullptr, nullptr, &limit) <= 0) continue;
        char chunk[512];
        const int n = recv(s, chunk, sizeof chunk, 0);
        if (n <= 0) Fail("raw client: connection closed while waiting for a reply");
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

}  // namespace raw

// ---------------------------------------------------------------- figures

struct Row {
    std::string name;
    std::optional<double> program;  // nothing when it could not be measured
    double floor;
};

// The ratio with `ratioDecimals` decimals; names take 38 columns or, when
// one is longer, as many as it needs.
inline void PrintRows(const std::vector<Row>& rows, int ratioDecimals = 1)
{
    int width = 38;
    for (const Row& r : rows) width = std::max(width, static_cast<int>(r.name.size()));
    std::printf("%-*s %10s %10s %8s\n", width, "figure", "Beamdesk", "raw floor", "ratio");
    for (const Row& r : rows) {
        char program[32] = "n/a";
        char ratio[32] = "-";
        if (r.program) std::snprintf(program, sizeof program, "%.2f", *r.program);
        if (r.program && r.floor > 0) std::snprintf(ratio, sizeof ratio, "%.*f", ratioDecimals, *r.program / r.floor);
        std::printf("%-*s %10s %10.2f %8s\n", width, r.name.c_str(), program, r.floor, ratio);
    }
}

}  // namespace bench
