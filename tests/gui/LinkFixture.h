// The real program against the projector simulator: a simulator on an
// address of its own for every test, the settings pointing at it, the program
// started and pressed as a user would, and what reached the projector.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "AppSettings.h"
#include "ProgramHarness.h"
#include "ProjectorSimulator.h"
#include "SettingsStore.h"

const std::string kNoAnswer = "Projector is not responding. ";
const std::string kWrongPassword = "The password does not match. ";
const std::string kConnected = "Beamdesk V1.00 [Connected]";
const std::string kDisconnected = "Beamdesk V1.00 [Disconnect]";

// Every test gets its own loopback address, so a simulator of an earlier test
// that lingers cannot answer.
inline std::string NextAddress(int& last)
{
    static std::atomic<int> counter{0};
    last = ++counter;
    return "127.0.88." + std::to_string(last);
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override { ClearProgramRegistry(); }
    void TearDown() override
    {
        if (m_program && !m_program->HasExited()) {
            for (const Prompt& p : m_program->Prompts()) PostMessageA(p.hwnd, WM_COMMAND, IDOK, 0);
            if (m_program->Console() != nullptr) PostMessageA(m_program->Console(), WM_CLOSE, 0, 0);
            m_program->WaitForExit();
        }
        m_program.reset();
        if (m_sim) m_sim->Stop();
        ClearProgramRegistry();
    }

    // A simulator on a fresh address, and the settings pointing at it.
    ProjectorSimulator& Simulator(const std::string& projectorPassword = "", const std::string& ourPassword = "")
    {
        ProjectorSimulator::Options options;
        options.address = NextAddress(m_octet);
        options.password = projectorPassword;
        options.warmUpMs = 200;
        options.coolDownMs = 200;
        m_sim = std::make_unique<ProjectorSimulator>(options);
        EXPECT_TRUE(m_sim->Start());
        AppSettings settings{};
        ResetSettings(settings);
        const std::uint8_t ip[4] = {127, 0, 88, static_cast<std::uint8_t>(m_octet)};
        std::memcpy(settings.ipAddress, ip, 4);
        SetPasswordText(settings, ourPassword);
        SaveSettings(settings);
        return *m_sim;
    }

    RunningProgram& Start()
    {
        m_program = std::make_unique<RunningProgram>(m_folder.Executable());
        return *m_program;
    }

    // Starts and waits for a connected console.
    HWND StartConnected()
    {
        HWND console = Start().WaitForConsole();
        EXPECT_NE(console, nullptr);
        EXPECT_TRUE(WaitFor([&] { return WindowText(console) == kConnected; })) << WindowText(console);
        return console;
    }

    void Press(int id) { PostMessageA(m_program->Console(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    // All text the projector received on its command connection (the last
    // one); a protocol without a handshake says what stands for it.
    virtual std::string Commands() const
    {
        const auto received = m_sim->Received();
        if (received.empty() || received.back().size() < kOpenRequestBytes) return "";
        return received.back().substr(kOpenRequestBytes);
    }
    bool WaitForCommands(const std::string& expected)
    {
        return WaitFor([&] { return Commands() == expected; });
    }

    // Presses `id` until something new reaches the projector. A press that
    // comes while the console still waits for the previous command's prompt
    // is dropped, as it should be; so while nothing has arrived for a few
    // seconds, the press is repeated. Call it once the commands before have
    // arrived. False when nothing arrived after ten presses.
    bool PressUntilSent(int id)
    {
        return RepeatUntilSent([&] { Press(id); });
    }
    // The same for any act that sends (a presenter key).
    bool RepeatUntilSent(const std::function<void()>& act)
    {
        const std::size_t before = Commands().size();
        for (int press = 0; press < 10; ++press) {
            act();
            if (WaitFor([&] { return Commands().size() > before; }, 3s)) return true;
        }
        return false;
    }

    static constexpr std::size_t kOpenRequestBytes = 34;
    ProgramFolder m_folder;
    std::unique_ptr<ProjectorSimulator> m_sim;
    std::unique_ptr<RunningProgram> m_program;
    int m_octet = 0;
};

