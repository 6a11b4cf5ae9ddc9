// The console and beamctl.exe open the same session and send the same bytes
// for the same press: each talks to its own simulator, both in the same state
// at the start, and every connection's bytes (probe, open request, command,
// follow-up) and every change of state must come out alike.
#include <gtest/gtest.h>

#include <functional>

#include "CapturedRun.h"
#include "SavedProjectorFixture.h"
#include "resource.h"

namespace {

const std::string kConnected = "Beamdesk V1.00 [Connected]";

// Every connection's bytes, escaped, one line each.
std::string Sessions(const ProjectorSimulator& sim)
{
    std::string text;
    for (const std::string& connection : sim.Received()) text += ProjectorSimulator::Escape(connection) + "\n";
    return text;
}

class ConsoleAndBeamctl : public SavedProjectorFixture {
protected:
    ProgramFolder m_folder;
};

}  // namespace

TEST_F(ConsoleAndBeamctl, SamePressSameSession)
{
    struct Case {
        const char* press;
        int control;
        const char* beamctl;
        const char* password;
        std::function<void(ProjectorSimulator&)> state;
    } const cases[] = {
        {"A/V Mute while muted", IDC_AVMUTE, "mute toggle", "", [](ProjectorSimulator& s) { s.SetMute(true); }},
        {"A/V Mute while not muted", IDC_AVMUTE, "mute toggle", "sesame", [](ProjectorSimulator&) {}},
        {"Freeze while frozen", IDC_FREEZE, "freeze toggle", "", [](ProjectorSimulator& s) { s.SetFreeze(true); }},
        {"Computer1", IDC_COMPUTER1, "source computer1", "", [](ProjectorSimulator&) {}},
        {"Video in the Advanced layout", IDC_VIDEO, "source video", "", [](ProjectorSimulator&) {}},
        {"Volume +", IDC_VOLUME_UP, "volume up", "0123456789abcdef", [](ProjectorSimulator&) {}},
    };
    int octet = 150;
    for (const Case& c : cases) {
        auto byBeamctl = Simulator(++octet, c.password);
        auto byConsole = Simulator(++octet, c.password);
        c.state(*byBeamctl);
        c.state(*byConsole);

        const std::string args =
            "--projector " + Address(octet - 1) + " --password \"" + c.password + "\" " + c.beamctl;
        const CapturedRun run = RunCaptured(ExecutableFolder() + "beamctl.exe", args);
        EXPECT_EQ(run.exitCode, 0u) << c.press << ": " << run.err;
        const std::string expected = Sessions(*byBeamctl);

        SaveProjector(octet, c.password);
        RunningProgram program(m_folder.Executable());
        HWND console = program.WaitForConsole();
        ASSERT_NE(console, nullptr) << c.press;
        EXPECT_TRUE(WaitFor([&] { return WindowText(console) == kConnected; })) << c.press;
        PostMessageA(console, WM_COMMAND, MAKEWPARAM(c.control, BN_CLICKED), 0);
        EXPECT_TRUE(WaitFor([&] { return Sessions(*byConsole) == expected; })) << c.press;
        program.Barrier();  // anything more the press sent has arrived by now
        EXPECT_EQ(Sessions(*byConsole), expected) << c.press;
        EXPECT_EQ(byConsole->StateChanges(), byBeamctl->StateChanges()) << c.press;

        PostMessageA(console, WM_CLOSE, 0, 0);
        EXPECT_NE(program.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE)) << c.press;
    }
}
