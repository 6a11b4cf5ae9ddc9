#include "CapturedRun.h"

#include "TestFiles.h"

namespace {

// A file the child inherits as one of its standard handles.
HANDLE InheritableFile(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string ReadWhole(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return "";
    std::string bytes;
    char chunk[4096];
    DWORD n = 0;
    while (ReadFile(h, chunk, sizeof chunk, &n, nullptr) && n > 0) bytes.append(chunk, n);
    CloseHandle(h);
    return bytes;
}

}  // namespace

// Files rather than pipes: nothing can fill up while the test waits.
CapturedRun RunCaptured(const std::string& executable, const std::string& arguments, DWORD limitMs)
{
    CapturedRun run;
    const ScratchFolder folder;
    const std::string outPath = folder.path() + "out.txt";
    const std::string errPath = folder.path() + "err.txt";
    HANDLE out = InheritableFile(outPath);
    HANDLE err = InheritableFile(errPath);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::string commandLine = "\"" + executable + "\" " + arguments;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(executable.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        if (WaitForSingleObject(process.hProcess, limitMs) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, STILL_ACTIVE);
            WaitForSingleObject(process.hProcess, 10000);
            run.exitCode = STILL_ACTIVE;
        } else {
            GetExitCodeProcess(process.hProcess, &run.exitCode);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    run.out = ReadWhole(outPath);
    run.err = ReadWhole(errPath);
    return run;
}
