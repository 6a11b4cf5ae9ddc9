// The beamctl program itself, started as a script starts it: its entry point,
// what reaches its standard output and error, and its exit status.
#include <sys/wait.h>

#include <cstdio>
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

}  // namespace

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
    EXPECT_EQ(LineCount(usage.err), 2u) << usage.err;
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
