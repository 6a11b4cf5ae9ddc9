// The beamctl program itself, started as a script starts it: its entry point,
// what reaches its standard output and error, and its exit status.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "BeamctlRun.h"
#include "Version.h"

namespace {

// Runs the program with `arguments` (already quoted for the shell).
RunOutcome RunProgram(const std::string& arguments)
{
    const std::string errFile = testing::TempDir() + "beamctl-stderr.txt";
    const std::string command = std::string("'") + BEAMCTL_PROGRAM + "' " + arguments + " 2>'" + errFile + "'";
    RunOutcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return outcome;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.out.append(buffer, n);
    const int wait = pclose(pipe);
    outcome.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    std::ifstream err(errFile);
    std::stringstream text;
    text << err.rdbuf();
    outcome.err = text.str();
    return outcome;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs the program with its standard output a pipe whose reading end is
// already closed; what it wrote on standard error, and its exit status.
RunOutcome RunIntoClosedPipe(const std::vector<std::string>& args)
{
    const std::string errFile = testing::TempDir() + "beamctl-closed-pipe-stderr.txt";
    RunOutcome outcome;
    int ends[2];
    if (pipe(ends) != 0) return outcome;
    close(ends[0]);
    std::vector<char*> argv{const_cast<char*>(BEAMCTL_PROGRAM)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(ends[1], 1);
        const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, 2);
        execv(BEAMCTL_PROGRAM, argv.data());
        _exit(127);
    }
    close(ends[1]);
    int wait = 0;
    waitpid(child, &wait, 0);
    outcome.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    outcome.err = ReadFile(errFile);
    return outcome;
}

}  // namespace

// Output that cannot be written is a failure: exit 1 when the projector's part
// was done, the projector's own failure otherwise, and a line on stderr.
TEST_F(BeamctlRun, OutputThatCannotBeWrittenFails)
{
    const RunOutcome full = RunProgram("--help >/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "beamctl: the output could not be written (" + std::string(std::strerror(ENOSPC)) + ")\n");

    // Whether the parent ignores SIGPIPE or not.
    const RunOutcome closed = RunIntoClosedPipe({"--version"});
    EXPECT_EQ(closed.status, 1);
    EXPECT_EQ(closed.err, "beamctl: the output could not be written (" + std::string(std::strerror(EPIPE)) + ")\n");

    auto& sim = Simulator();
    const RunOutcome status = RunProgram("--projector " + m_address + " status >/dev/full");
    EXPECT_EQ(status.status, 1);
    EXPECT_EQ(LineCount(status.err), 1u) << status.err;
    EXPECT_EQ(sim.ConnectionCount(), 2) << "the projector was asked";

    sim.SetProbeStatus(0x45);
    const RunOutcome refused = RunProgram("--projector " + m_address + " probe >/dev/full");
    EXPECT_EQ(refused.status, 3);
    EXPECT_EQ(LineCount(refused.err), 2u) << "the probe's failure, then the output's: " << refused.err;

    sim.ClearFaults();
    const RunOutcome nothingToWrite = RunProgram("--projector " + m_address + " --timeout 5000 mute on >/dev/full");
    EXPECT_EQ(nothingToWrite.status, 0) << nothingToWrite.err;
}

TEST_F(BeamctlRun, TheProgramAnswersOnItsStreamsAndExitStatus)
{
    const RunOutcome help = RunProgram("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: beamctl ", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("Exit status:"), std::string::npos);

    const RunOutcome version = RunProgram("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find(BEAMDESK_VERSION_STRING), std::string::npos) << version.out;

    auto& sim = Simulator();
    sim.SetFreeze(true);
    const RunOutcome status = RunProgram("--projector " + m_address + " status");
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_EQ(status.out, "power=01\nmute=OFF\nfreeze=ON\ncc=00\n");

    const RunOutcome usage = RunProgram("--projector " + m_address + " dance");
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.out, "");
    EXPECT_EQ(usage.err, "beamctl: unknown command 'dance' (Commands: status, info, power, mute, freeze, source, "
                         "volume, cc, probe, send, discover)\n");
    EXPECT_EQ(sim.ConnectionCount(), 2);
}

// discover from the program itself: the system's sockets and interfaces, a
// loopback range only.
TEST_F(BeamctlRun, TheProgramDiscoversOnALoopbackRange)
{
    ProjectorSimulator::Options options;
    options.protocol = ProjectorSimulator::Protocol::Pjlink;
    options.address = "127.0.90.100";
    options.name = "Hall";
    ProjectorSimulator sim(options);
    ASSERT_TRUE(sim.Start());

    const RunOutcome found = RunProgram("discover 127.0.90.96/28");
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out.rfind("127.0.90.100 pjlink password=none class=2 ", 0), 0u) << found.out;
    EXPECT_TRUE(found.out.ends_with(" name=Hall\n")) << found.out;
    EXPECT_EQ(LineCount(found.out), 1u);

    const RunOutcome none = RunProgram("--json discover 127.0.90.112/28");
    EXPECT_EQ(none.status, 3);
    EXPECT_EQ(none.out, "[]\n");
    EXPECT_EQ(LineCount(none.err), 1u) << none.err;
}
