// PJLink link benchmark, run under Wine: Beamdesk.exe set to PJLink against
// the projector simulator speaking PJLink on loopback, beside raw Winsock
// clients in this process that do the same PJLink work directly (the floors).
// Figures: press to command on the wire with the connection open and with it
// closed by the projector 50 ms before (the console connects and reads the
// greeting first; the command must come alone on a new connection), and a
// query's reply to the follow-up. Prints numbers only; asserts nothing.
//
// Every arrival is timestamped on the simulator's thread as the bytes come in,
// with the same clock the presses and sends are timed by. The simulator sends
// its reply to a line before it reports the line, so a query's arrival is
// also the moment its reply left.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ConsoleBench.h"
#include "ProjectorSimulator.h"

namespace {

using namespace bench;

constexpr const char* kAddress = "127.0.99.2";
constexpr unsigned char kOctets[4] = {127, 0, 99, 2};
constexpr std::uint16_t kPort = 4352;
constexpr DWORD kProtocolPjlink = 1;
constexpr int kVolumeUp = 1012;  // sends "%2SVOL 1\r"
constexpr int kAvMute = 1007;    // sends "%1AVMT ?\r", then the opposite as the reply arrives
constexpr const char* kVolumeCommand = "%2SVOL 1\r";
constexpr const char* kMuteQuery = "%1AVMT ?\r";
constexpr const char* kUnmutedReply = "%1AVMT=30\r";
constexpr const char* kMuteFollowUp = "%1AVMT 31\r";

bool LineCame(const std::string& buffer) { return buffer.find('\r') != std::string::npos; }

// ---------------------------------------------------------------- the floors

// A PJLink connection by plain Winsock calls: connect, the greeting, then one
// line and its reply at a time.
class RawConnection {
public:
    RawConnection() = default;
    ~RawConnection() { Close(); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    void Open()
    {
        Close();
        m_socket = raw::Connect(kAddress, kPort);
        const std::string greeting = ReadLine();
        if (greeting != "PJLINK 0\r") Fail("raw client: unexpected greeting " + ProjectorSimulator::Escape(greeting));
    }

    void Send(const std::string& line) const { raw::SendAll(m_socket, line); }

    // The next line, CR included (replies come one at a time).
    std::string ReadLine() const
    {
        std::string line;
        raw::ReceiveUntil(m_socket, line, LineCame);
        return line;
    }

    SOCKET Socket() const { return m_socket; }

    void Close()
    {
        if (m_socket != INVALID_SOCKET) closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
};

// The press's trigger without the program: a window on a thread of its own,
// waiting in its message loop, that sends a line on a raw connection when a
// WM_COMMAND is posted to it, as the console's window does for a press.
class PostedSender {
public:
    PostedSender(SOCKET socket, std::string line) : m_socket(socket), m_line(std::move(line))
    {
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, ready] { Run(ready); });
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(ready);
        if (m_window == nullptr) {
            m_thread.join();
            Fail("the posted sender has no window");
        }
    }

    ~PostedSender()
    {
        PostMessageA(m_window, WM_CLOSE, 0, 0);
        m_thread.join();
    }

    PostedSender(const PostedSender&) = delete;
    PostedSender& operator=(const PostedSender&) = delete;

    void Post() const { PostMessageA(m_window, WM_COMMAND, MAKEWPARAM(kVolumeUp, BN_CLICKED), 0); }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<PostedSender*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self != nullptr && message == WM_COMMAND) {
            send(self->m_socket, self->m_line.data(), static_cast<int>(self->m_line.size()), 0);
            return 0;
        }
        if (message == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    void Run(HANDLE ready)
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &PostedSender::Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "PjlinkBenchSender";
        RegisterClassA(&windowClass);
        m_window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, nullptr);
        if (m_window != nullptr) SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetEvent(ready);
        if (m_window == nullptr) return;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    }

    SOCKET m_socket;
    std::string m_line;
    HWND m_window = nullptr;
    std::thread m_thread;
};

// ---------------------------------------------------------------- figures

struct Counts {
    int presses = 30;
};

struct Results {
    std::vector<Row> rows;
    double plainSend = 0;  // an open connection's send without the posted trigger
};

// A prompt means a figure went wrong: the press it follows was no plain one.
void ExpectNoPrompt(const Program& program, const char* when)
{
    if (HWND box = program.Box()) Fail(std::string("a message box came ") + when + ": " + MessageBoxText(box));
}

Results Measure(const std::string& folder, const Counts& counts)
{
    Wire wire;
    ProjectorSimulator::Options options;
    options.protocol = ProjectorSimulator::Protocol::Pjlink;
    options.address = kAddress;
    options.port = kPort;
    options.idleLimitMs = 0;  // the figures close connections themselves
    options.onReceived = [&wire](int connection, const std::string& bytes) { wire.Add(connection, bytes); };
    ProjectorSimulator sim(options);
    if (!sim.Start()) Fail(std::string("the simulator cannot listen on ") + kAddress + ":" + std::to_string(kPort));

    Program program(folder + "Beamdesk.exe");
    program.WaitForConsole();
    program.WaitForTitle(kConnected, "after start-up");
    RawConnection raw;
    raw.Open();

    Results results;

    // 1. Press (or the posted trigger's send) to the command's arrival, on
    // connections open all along.
    {
        const int connections = sim.ConnectionCount();
        PostedSender sender(raw.Socket(), kVolumeCommand);
        std::vector<double> ours, floor, plain;
        for (int i = 0; i < counts.presses; ++i) {
            std::this_thread::sleep_for(kIdle);
            auto mark = wire.Now();
            auto start = Clock::now();
            program.Press(kVolumeUp);
            ours.push_back(Since(start, wire.Wait(kVolumeCommand, mark), "the press's command"));

            std::this_thread::sleep_for(kIdle);
            mark = wire.Now();
            start = Clock::now();
            sender.Post();
            floor.push_back(Since(start, wire.Wait(kVolumeCommand, mark), "the posted sender's command"));
            raw.ReadLine();

            std::this_thread::sleep_for(kIdle);
            mark = wire.Now();
            start = Clock::now();
            raw.Send(kVolumeCommand);
            plain.push_back(Since(start, wire.Wait(kVolumeCommand, mark), "the raw client's command"));
            raw.ReadLine();
        }
        if (sim.ConnectionCount() != connections) Fail("a connection was opened while both stayed open");
        ExpectNoPrompt(program, "with the connection open");
        results.rows.push_back({"open connection: press to command (ms)", Median(ours), Median(floor)});
        results.plainSend = Median(plain);
    }

    // 2. The query's arrival (answered at once) to the follow-up's arrival.
    {
        const int connections = sim.ConnectionCount();
        std::vector<double> ours, floor;
        for (int i = 0; i < counts.presses; ++i) {
            sim.SetAvMute("30");
            std::this_thread::sleep_for(kIdle);
            auto mark = wire.Now();
            program.Press(kAvMute);
            auto query = wire.Wait(kMuteQuery, mark);
            auto followUp = wire.Wait(kMuteFollowUp, mark);
            if (!query) Fail("the mute query did not reach the projector within 20 s");
            ours.push_back(Since(*query, followUp, "the program's follow-up \"%1AVMT 31\""));

            sim.SetAvMute("30");
            std::this_thread::sleep_for(kIdle);
            mark = wire.Now();
            raw.Send(kMuteQuery);
            const std::string reply = raw.ReadLine();
            if (reply != kUnmutedReply) Fail("raw client: unexpected reply " + ProjectorSimulator::Escape(reply));
            raw.Send(kMuteFollowUp);
            query = wire.Wait(kMuteQuery, mark);
            followUp = wire.Wait(kMuteFollowUp, mark);
            if (!query) Fail("the raw client's mute query did not reach the projector within 20 s");
            floor.push_back(Since(*query, followUp, "the raw client's follow-up"));
            raw.ReadLine();
        }
        if (sim.ConnectionCount() != connections) Fail("a connection was opened while both stayed open");
        ExpectNoPrompt(program, "after the A/V mute presses");
        results.rows.push_back({"query reply to follow-up (ms)", Median(ours), Median(floor)});
    }

    // 3. A press once the projector has closed every connection: the console
    // connects, reads the greeting (the class is known by now) and sends.
    {
        std::vector<double> ours, floor;
        for (int i = 0; i < counts.presses; ++i) {
            sim.CloseAllConnections();
            raw.Close();
            if (!WaitUntil([&] { return sim.OpenConnectionCount() == 0; }))
                Fail("the simulator's connections did not close");
            // Time for the console's worker to see the close and end.
            std::this_thread::sleep_for(kIdle);
            const int connections = sim.ConnectionCount();
            auto mark = wire.Now();
            auto start = Clock::now();
            program.Press(kVolumeUp);
            const auto arrival = wire.WaitArrival(kVolumeCommand, mark);
            if (!arrival) Fail("the command after the close did not reach the projector within 20 s");
            ours.push_back(Ms(arrival->at - start));
            if (arrival->connection <= connections) Fail("the command after the close came on an old connection");
            if (wire.Text(arrival->connection) != kVolumeCommand)
                Fail("the new connection carried more than the command: " +
                     ProjectorSimulator::Escape(wire.Text(arrival->connection)));

            std::this_thread::sleep_for(kIdle);
            mark = wire.Now();
            start = Clock::now();
            raw.Open();
            raw.Send(kVolumeCommand);
            floor.push_back(Since(start, wire.Wait(kVolumeCommand, mark), "the raw client's command after connecting"));
            raw.ReadLine();
            ExpectNoPrompt(program, "after a press on a closed connection");
        }
        results.rows.push_back({"closed connection: press to command (ms)", Median(ours), Median(floor)});
    }

    program.Close();
    sim.Stop();
    return results;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = ExecutableFolder();
    Counts counts;
    if (argc > 1) counts.presses = std::max(1, std::atoi(argv[1]));
    const auto results = RunBench("pjlink_bench", kOctets, kProtocolPjlink, [&] { return Measure(folder, counts); });
    if (!results) return 1;

    std::printf("%d presses of each kind; medians\n", counts.presses);
    PrintRows(results->rows, 2);
    std::printf("(the open connection's floor is a send made by a window's message loop on a WM_COMMAND posted\n"
                " to it, as a press is; the same send made directly: %.2f ms. Closed: the projector closed every\n"
                " connection at least %d ms before the press)\n",
                results->plainSend, static_cast<int>(kIdle.count()));
    return 0;
}
