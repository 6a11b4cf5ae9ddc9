// beamctl run in-process against a projector simulator: the shared fixture of
// the beamctl tests. Each test gets a simulator on its own loopback address
// (127.0.66.x) on the projector port, so no two tests ever meet: port-3629
// simulators from 127.0.66.1 up, PJLink ones from 127.0.66.170 up.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Beamctl.h"
#include "ProjectorSimulator.h"

struct RunOutcome {
    int status = -1;
    std::string out;
    std::string err;
};

class BeamctlRun : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (m_sim) m_sim->Stop();
    }

    // A simulator on a fresh address; its state changes settle fast.
    ProjectorSimulator& Simulator(const std::string& password = "")
    {
        static int lastOctet = 0;
        m_address = "127.0.66." + std::to_string(++lastOctet);
        ProjectorSimulator::Options options;
        options.address = m_address;
        options.password = password;
        options.warmUpMs = 100;
        options.coolDownMs = 100;
        m_sim = std::make_unique<ProjectorSimulator>(options);
        EXPECT_TRUE(m_sim->Start()) << m_address;
        return *m_sim;
    }

    // A PJLink simulator (class 2 unless `adjust` says otherwise) on a fresh
    // address of its own range.
    ProjectorSimulator& PjlinkSimulator(const std::function<void(ProjectorSimulator::Options&)>& adjust = {})
    {
        static int lastOctet = 169;
        ++lastOctet;
        EXPECT_LT(lastOctet, 250) << "the PJLink addresses ran into the benchmark's";
        m_address = "127.0.66." + std::to_string(lastOctet);
        ProjectorSimulator::Options options;
        options.protocol = ProjectorSimulator::Protocol::Pjlink;
        options.address = m_address;
        options.warmUpMs = 100;
        options.coolDownMs = 100;
        if (adjust) adjust(options);
        if (m_sim) m_sim->Stop();
        m_sim = std::make_unique<ProjectorSimulator>(options);
        EXPECT_TRUE(m_sim->Start()) << m_address;
        return *m_sim;
    }

    // beamctl with `args` as they stand; "{sim}" stands for the simulator's address.
    RunOutcome RunAsGiven(std::vector<std::string> args) const
    {
        for (std::string& arg : args)
            if (arg == "{sim}") arg = m_address;
        const Host host{
            [this](const char* name) -> std::optional<std::string> {
                const auto found = m_environment.find(name);
                if (found == m_environment.end()) return std::nullopt;
                return found->second;
            },
            [this] { return m_saved; },
            [this] { return m_channels; },
            m_makeTransport,
            [this] { return m_pjlinkInputs; },
        };
        RunOutcome outcome;
        outcome.status = RunBeamctl(args, host, outcome.out, outcome.err);
        return outcome;
    }

    // beamctl aimed at the simulator.
    RunOutcome Run(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--projector", m_address});
        return RunAsGiven(std::move(args));
    }

    // The text the projector got after the open request of the latest session.
    std::string Commands() const
    {
        const auto received = m_sim->Received();
        if (received.empty() || received.back().size() < kOpenRequestBytes) return "";
        return received.back().substr(kOpenRequestBytes);
    }

    static constexpr std::size_t kOpenRequestBytes = 34;
    std::unique_ptr<ProjectorSimulator> m_sim;
    std::string m_address;
    std::map<std::string, std::string> m_environment;
    std::optional<SavedProjector> m_saved;
    ValueTable m_channels = BuiltInValueTable();
    ValueTable m_pjlinkInputs;  // Beamdesk.ini's [PJLINK] entries
    std::function<std::unique_ptr<Transport>()> m_makeTransport = MakeSocketTransport;
};

// Lines of a text, for messages.
inline std::size_t LineCount(const std::string& text)
{
    std::size_t lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}
