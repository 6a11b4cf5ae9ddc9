// beamctl.exe started as a script starts it, against the projector simulator
// (127.0.66.100 and up): a toggle, status, the projector and password taken
// from the console's settings key when neither an option nor the environment
// names one, the caption channels of the Beamdesk.ini beside the program,
// PJLink as the settings key and that file set it up, many projectors from a
// file written on Windows, and output nobody reads.
#include <gtest/gtest.h>

#include "CapturedRun.h"
#include "SavedProjectorFixture.h"

namespace {

using namespace std::string_literals;

class BeamctlProgram : public SavedProjectorFixture {
protected:
    // A simulator on a fresh address, and that address's last octet.
    std::unique_ptr<ProjectorSimulator> Simulator(int& octet, const std::string& password = "",
                                                  ProjectorSimulator::Protocol protocol =
                                                      ProjectorSimulator::Protocol::Native)
    {
        static int last = 99;
        octet = ++last;
        return SavedProjectorFixture::Simulator(octet, password, protocol);
    }

    static CapturedRun Beamctl(const std::string& arguments, const std::string& folder = ExecutableFolder())
    {
        return RunCaptured(folder + "beamctl.exe", arguments);
    }

    static std::string Commands(const ProjectorSimulator& sim)
    {
        const auto received = sim.Received();
        return received.empty() || received.back().size() < 34 ? "" : received.back().substr(34);
    }
};

// beamctl.exe with its standard output a pipe whose reading end is already
// closed, as when the program it writes to has ended.
CapturedRun RunIntoClosedPipe(const std::string& arguments)
{
    CapturedRun run;
    const ScratchFolder folder;
    const std::string errPath = folder.path() + "err.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
    CloseHandle(readEnd);
    HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = err;
    const std::string exe = ExecutableFolder() + "beamctl.exe";
    std::string commandLine = "\"" + exe + "\" " + arguments;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &run.exitCode);
        else
            TerminateProcess(process.hProcess, STILL_ACTIVE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(writeEnd);
    CloseHandle(err);
    HANDLE file = CreateFileA(errPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    char chunk[4096];
    DWORD n = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, chunk, sizeof chunk, &n, nullptr) && n > 0)
        run.err.append(chunk, n);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return run;
}

}  // namespace

// Output nobody can read any more is a failure, told on stderr.
TEST_F(BeamctlProgram, AClosedPipeIsAFailure)
{
    const CapturedRun run = RunIntoClosedPipe("--help");
    EXPECT_EQ(run.exitCode, 1u) << run.err;
    EXPECT_EQ(run.err.rfind("beamctl: the output could not be written", 0), 0u) << run.err;
}

TEST_F(BeamctlProgram, ToggleAndStatus)
{
    int octet = 0;
    auto sim = Simulator(octet);
    const CapturedRun toggle = Beamctl("--projector " + Address(octet) + " mute toggle");
    EXPECT_EQ(toggle.exitCode, 0u) << toggle.err;
    EXPECT_EQ(ProjectorSimulator::Escape(Commands(*sim)), "MUTE?\\rMUTE ON\\r");
    EXPECT_TRUE(sim->Mute());

    // Text mode: a Windows script reads CR LF line ends.
    const CapturedRun status = Beamctl("--projector " + Address(octet) + " status");
    EXPECT_EQ(status.exitCode, 0u) << status.err;
    EXPECT_EQ(status.out, "power=01\r\nmute=ON\r\nfreeze=OFF\r\ncc=00\r\n");
    EXPECT_EQ(status.err, "");

    const CapturedRun json = Beamctl("--json --projector " + Address(octet) + " status");
    EXPECT_EQ(json.exitCode, 0u) << json.err;
    EXPECT_EQ(json.out, "{\"power\": \"01\", \"mute\": \"ON\", \"freeze\": \"OFF\", \"cc\": \"00\"}\r\n");
}

TEST_F(BeamctlProgram, ProjectorFromTheSettingsKey)
{
    // No address anywhere: a usage error, nothing sent.
    const CapturedRun none = Beamctl("status");
    EXPECT_EQ(none.exitCode, 2u) << none.err;

    int octet = 0;
    auto sim = Simulator(octet, "0123456789abcdef");
    SaveProjector(octet, "0123456789abcdef");
    const CapturedRun status = Beamctl("status");
    EXPECT_EQ(status.exitCode, 0u) << status.err;
    EXPECT_EQ(status.out.substr(0, 10), "power=01\r\n");
    const auto received = sim->Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].substr(18, 16), "0123456789abcdef");

    // A password given on the command line wins over the saved one.
    const CapturedRun wrong = Beamctl("--password nope status");
    EXPECT_EQ(wrong.exitCode, 4u) << wrong.err;

    // Another projector named on the command line never gets the saved password.
    int otherOctet = 0;
    auto other = Simulator(otherOctet);
    const CapturedRun elsewhere = Beamctl("--projector " + Address(otherOctet) + " volume up");
    EXPECT_EQ(elsewhere.exitCode, 0u) << elsewhere.err;
    ASSERT_EQ(other->Received().size(), 2u);
    EXPECT_EQ(other->Received()[1].substr(18, 16), std::string(16, '\0'));
}

TEST_F(BeamctlProgram, CaptionChannelsFromTheIniBesideTheProgram)
{
    int octet = 0;
    auto sim = Simulator(octet);
    ScratchFolder folder;
    ASSERT_TRUE(CopyFileA((ExecutableFolder() + "beamctl.exe").c_str(), (folder.path() + "beamctl.exe").c_str(), FALSE));
    folder.Write("Beamdesk.ini", "[VALUE]\r\nOFF=00\r\nSpanish=21\r\n");
    const CapturedRun named = Beamctl("--projector " + Address(octet) + " cc SPANISH", folder.path());
    EXPECT_EQ(named.exitCode, 0u) << named.err;
    EXPECT_EQ(ProjectorSimulator::Escape(Commands(*sim)), "CCAP 21\\r");
    // CC1 is not in that file: it goes out as a value.
    const CapturedRun raw = Beamctl("--projector " + Address(octet) + " cc CC1", folder.path());
    EXPECT_EQ(raw.exitCode, 0u) << raw.err;
    EXPECT_EQ(ProjectorSimulator::Escape(Commands(*sim)), "CCAP CC1\\r");
}

// The console set to PJLink: beamctl speaks it to the saved address with the
// saved PJLink password (its digest in front of the first line), the
// environment may say otherwise, and the source names take the input codes of
// the Beamdesk.ini beside the program.
TEST_F(BeamctlProgram, PjlinkAsTheConsoleIsSetUp)
{
    int octet = 0;
    auto sim = Simulator(octet, "pjlink7", ProjectorSimulator::Protocol::Pjlink);
    SaveProjector(octet, "native7", "pjlink7");
    const auto lastLines = [&] {
        const auto received = sim->Received();
        return received.empty() || received.back().size() < 32 ? std::string() : received.back().substr(32);
    };

    const CapturedRun status = Beamctl("status");
    EXPECT_EQ(status.exitCode, 0u) << status.err;
    EXPECT_EQ(status.out, "power=0\r\nmute=30\r\ninput=11\r\nfreeze=0\r\n");
    EXPECT_EQ(ProjectorSimulator::Escape(lastLines()), "%1CLSS ?\\r%1POWR ?\\r%1AVMT ?\\r%1INPT ?\\r%2FREZ ?\\r");

    const CapturedRun info = Beamctl("--json info");
    EXPECT_EQ(info.exitCode, 0u) << info.err;
    EXPECT_NE(info.out.find("\"lamp_hours\": [1200], "), std::string::npos) << info.out;

    SetEnvironmentVariableA("BEAMDESK_PROTOCOL", "native");
    const int connections = sim->ConnectionCount();
    const CapturedRun native = Beamctl("status");
    EXPECT_EQ(native.exitCode, 3u) << native.err;  // nothing listens on port 3629 there
    EXPECT_EQ(sim->ConnectionCount(), connections);
    SetEnvironmentVariableA("BEAMDESK_PROTOCOL", nullptr);

    ScratchFolder folder;
    ASSERT_TRUE(CopyFileA((ExecutableFolder() + "beamctl.exe").c_str(), (folder.path() + "beamctl.exe").c_str(), FALSE));
    folder.Write("Beamdesk.ini", "[PJLINK]\r\nComputer1=31\r\n");
    const CapturedRun source = Beamctl("source computer1", folder.path());
    EXPECT_EQ(source.exitCode, 0u) << source.err;
    EXPECT_EQ(ProjectorSimulator::Escape(lastLines()), "%1CLSS ?\\r%1INPT 31\\r");
    EXPECT_EQ(sim->Source(), "31");
}

// A file of projectors as Notepad writes it (a byte order mark, CR LF), the
// protocols mixed; every line of output after its address, with the CR LF of
// text mode. The saved password goes to no listed projector.
TEST_F(BeamctlProgram, ManyProjectorsFromAFile)
{
    int nativeOctet = 0, pjlinkOctet = 0, goneOctet = 0;
    auto native = Simulator(nativeOctet);
    auto pjlink = Simulator(pjlinkOctet, "", ProjectorSimulator::Protocol::Pjlink);
    auto gone = Simulator(goneOctet);
    gone->SetRefuseConnections(true);
    SaveProjector(nativeOctet, "saved1");
    ScratchFolder folder;
    const std::string list = folder.Write(
        "rooms.txt", "\xEF\xBB\xBF# rooms\r\n" + Address(nativeOctet) + "\r\n" + Address(pjlinkOctet) +
                         " pjlink\r\n\r\n" + Address(goneOctet) + "  # the cellar\r\n");

    const CapturedRun run = Beamctl("--projector @\"" + list + "\" status");
    EXPECT_EQ(run.exitCode, 6u) << run.err;
    const std::string n = Address(nativeOctet) + ": ", p = Address(pjlinkOctet) + ": ";
    EXPECT_EQ(run.out, n + "power=01\r\n" + n + "mute=OFF\r\n" + n + "freeze=OFF\r\n" + n + "cc=00\r\n" + p +
                           "power=0\r\n" + p + "mute=30\r\n" + p + "input=11\r\n" + p + "freeze=0\r\n");
    EXPECT_EQ(run.err, "beamctl: " + Address(goneOctet) + ": no projector at " + Address(goneOctet) +
                           ": the connection was refused\r\n");
    const auto received = native->Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].substr(18, 16), std::string(16, '\0')) << "no saved password for a listed projector";

    const CapturedRun metrics = Beamctl("--projector @\"" + list + "\" --prometheus status");
    EXPECT_EQ(metrics.exitCode, 6u) << metrics.err;
    EXPECT_NE(metrics.out.find("projector_up{address=\"" + Address(goneOctet) + "\",protocol=\"native\"} 0\r\n"),
              std::string::npos)
        << metrics.out;
    EXPECT_NE(metrics.out.find("projector_power_state{address=\"" + Address(pjlinkOctet) + "\",protocol=\"pjlink\"} 0\r\n"),
              std::string::npos)
        << metrics.out;

    // A bad line: nothing is sent.
    const std::string bad = folder.Write("bad.txt", Address(pjlinkOctet) + "\r\n" + "127.0.66\r\n");
    const int connections = pjlink->ConnectionCount();
    const CapturedRun refused = Beamctl("--projector @\"" + bad + "\" status");
    EXPECT_EQ(refused.exitCode, 2u);
    EXPECT_NE(refused.err.find("bad.txt:2: '127.0.66' is not an IPv4 address"), std::string::npos) << refused.err;
    EXPECT_EQ(pjlink->ConnectionCount(), connections);
}
