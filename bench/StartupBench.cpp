// Start-up benchmark, run under Wine: for Beamdesk.exe and for a bare dialog
// program built by the same toolchain (the floor), the time from process start
// to a visible window, the private memory once it is up, and the executable's
// size; then the ratios. Prints numbers only; asserts nothing.
#include <windows.h>

#include "ProcessWindows.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Figures {
    double startMs = 0;
    double privateKiB = 0;
    double sizeKiB = 0;
};

// The program's first window: visible, with a title.
bool IsShown(HWND hwnd)
{
    return IsWindowVisible(hwnd) && GetWindowTextLengthA(hwnd) > 0;
}

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Committed private memory, summed over the address space: the figure the
// process's own counters give on Windows, which Wine does not report for
// another process.
SIZE_T PrivateCommitted(HANDLE process)
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* at = nullptr; VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    }
    return total;
}

bool RunOnce(const std::string& exe, Figures& out)
{
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double start = Now();
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    HWND shown = nullptr;
    while (shown == nullptr && Now() - start < 30000) {
        shown = FindWindowOf(process.dwProcessId, IsShown);
        if (shown == nullptr) Sleep(1);
    }
    out.startMs = Now() - start;
    Sleep(300);  // let start-up work that follows the first paint settle
    out.privateKiB = static_cast<double>(PrivateCommitted(process.hProcess)) / 1024.0;
    if (shown != nullptr) PostMessageA(shown, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return shown != nullptr;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

Figures Measure(const std::string& exe, int runs)
{
    std::vector<double> start, priv;
    for (int i = 0; i < runs; ++i) {
        Figures f;
        if (!RunOnce(exe, f)) {
            std::printf("  %s: no window\n", exe.c_str());
            continue;
        }
        start.push_back(f.startMs);
        priv.push_back(f.privateKiB);
    }
    Figures result;
    result.startMs = Median(start);
    result.privateKiB = Median(priv);
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    GetFileAttributesExA(exe.c_str(), GetFileExInfoStandard, &attributes);
    result.sizeKiB = static_cast<double>(attributes.nFileSizeLow) / 1024.0;
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = ExecutableFolder();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

    const Figures program = Measure(folder + "Beamdesk.exe", runs);
    const Figures floor = Measure(folder + "BareDialog.exe", runs);
    std::printf("%-34s %12s %12s %8s\n", "figure (median of runs)", "Beamdesk", "bare dialog", "ratio");
    auto row = [](const char* name, double a, double b) {
        std::printf("%-34s %12.1f %12.1f %8.2f\n", name, a, b, b > 0 ? a / b : 0.0);
    };
    row("start to visible window (ms)", program.startMs, floor.startMs);
    row("private memory after start (KiB)", program.privateKiB, floor.privateKiB);
    row("executable size (KiB)", program.sizeKiB, floor.sizeKiB);
    return 0;
}
