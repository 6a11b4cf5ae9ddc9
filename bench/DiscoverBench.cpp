// Projector search benchmark, run under Wine: how long `beamctl discover`
// takes for a whole /24 of loopback addresses, from starting beamctl.exe to
// its exit. On 127.0.93.x: ten native projectors, ten PJLink ones (class 2),
// and, for the worst case a real network gives (addresses where nothing
// answers, whose connects neither complete nor fail), five whose connects
// hang; the rest of the /24 refuses at once. All 508 connections are under way
// at once, so the hanging ones end the sweep at the connect limit (2000 ms);
// the limit for the /24 is 3000 ms. Beside it, the same /24 without the
// hanging addresses, whose time is the search datagram's listening time
// (1000 ms), and a /32 nobody answers. Prints medians; asserts nothing.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ProcessWindows.h"
#include "ProjectorSimulator.h"
#include "SimulatorRange.h"

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// beamctl.exe with `arguments`, its output thrown away: its exit status and
// the time from its start to its exit.
DWORD RunBeamctl(const std::string& arguments, double& ms)
{
    const std::string exe = ExecutableFolder() + "beamctl.exe";
    std::string commandLine = "\"" + exe + "\" " + arguments;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                             OPEN_EXISTING, 0, nullptr);
    if (nul == INVALID_HANDLE_VALUE) Fail("cannot open NUL");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process{};
    const auto start = Clock::now();
    const BOOL started =
        CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(nul);
    if (!started) Fail("cannot start " + exe);
    WaitForSingleObject(process.hProcess, 60000);
    ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

double MedianOf(int runs, const std::string& arguments, DWORD expected)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double ms = 0;
        const DWORD code = RunBeamctl(arguments, ms);
        if (code != expected)
            Fail("beamctl " + arguments + " exited with " + std::to_string(code) + ", not " + std::to_string(expected));
        times.push_back(ms);
    }
    return Median(times);
}

std::unique_ptr<SimulatorRange> Start(const char* range, ProjectorSimulator::Protocol protocol)
{
    auto sims = std::make_unique<SimulatorRange>(SimulatorRange::Addresses(range), [protocol](const std::string&) {
        ProjectorSimulator::Options options;
        options.protocol = protocol;
        return options;
    });
    if (!sims->Start()) Fail(std::string("cannot start the simulators on ") + range);
    return sims;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    try {
        const auto native = Start("127.0.93.10-127.0.93.19", ProjectorSimulator::Protocol::Native);
        const auto pjlink = Start("127.0.93.20-127.0.93.29", ProjectorSimulator::Protocol::Pjlink);
        double warm = 0;
        RunBeamctl("--version", warm);  // a first start warms Wine's caches; not counted

        const double answering = MedianOf(runs, "discover 127.0.93.0/24", 0);
        const double nobody = MedianOf(runs, "discover 127.0.93.200/32", 3);
        const auto hanging = Start("127.0.93.40-127.0.93.44", ProjectorSimulator::Protocol::Native);
        for (std::size_t i = 0; i < hanging->Size(); ++i) (*hanging)[i].SetHangConnects(true);
        const double worst = MedianOf(runs, "discover 127.0.93.0/24", 0);

        std::printf("beamctl discover, %d runs, medians (start to exit; simulators on 127.0.93.x):\n", runs);
        std::printf("  a /24, five addresses hanging  %8.1f ms   limit 3000 ms (connect limit 2000 ms)\n", worst);
        std::printf("  a /24, nothing hanging         %8.1f ms   (the search's listening time: 1000 ms)\n", answering);
        std::printf("  one address, nobody there      %8.1f ms\n", nobody);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "discover_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
