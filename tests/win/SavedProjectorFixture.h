// The fixture of the Windows tests that run beamctl.exe: the console's saved
// settings and the BEAMDESK_* variables cleared before each test (programs
// started by the test inherit this process's environment), simulators of
// either protocol on 127.0.66.<octet>, and the console's settings pointed at
// one of them with the console's own writer, password scrambling included.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "ProgramHarness.h"
#include "ProjectorSimulator.h"
#include "SettingsStore.h"

class SavedProjectorFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearProgramRegistry();
        SetEnvironmentVariableA("BEAMDESK_PROJECTOR", nullptr);
        SetEnvironmentVariableA("BEAMDESK_PASSWORD", nullptr);
        SetEnvironmentVariableA("BEAMDESK_PROTOCOL", nullptr);
    }
    void TearDown() override { ClearProgramRegistry(); }

    static std::string Address(int octet) { return "127.0.66." + std::to_string(octet); }

    static std::unique_ptr<ProjectorSimulator> Simulator(
        int octet, const std::string& password = "",
        ProjectorSimulator::Protocol protocol = ProjectorSimulator::Protocol::Native)
    {
        ProjectorSimulator::Options options;
        options.protocol = protocol;
        options.address = Address(octet);
        options.password = password;
        auto sim = std::make_unique<ProjectorSimulator>(options);
        EXPECT_TRUE(sim->Start()) << options.address;
        return sim;
    }

    // With `pjlinkPassword`, the console is set to PJLink.
    static void SaveProjector(int octet, const std::string& password,
                              const std::optional<std::string>& pjlinkPassword = std::nullopt)
    {
        AppSettings settings{};
        ResetSettings(settings);
        const std::uint8_t ip[4] = {127, 0, 66, static_cast<std::uint8_t>(octet)};
        std::memcpy(settings.ipAddress, ip, sizeof ip);
        SetPasswordText(settings, password);
        if (pjlinkPassword) {
            settings.protocol = kProtocolPjlink;
            SetPjlinkPasswordText(settings, *pjlinkPassword);
        }
        ASSERT_EQ(SaveSettings(settings), 1);
    }
};
