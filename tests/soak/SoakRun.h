// One soak run: the real program against the projector simulator, in
// episodes until the time is up, in one protocol. Each episode injects one
// fault drawn at random (or none), lets the user act at random (presses of
// every button, the CC drop-down, keep-alive ticks, layout switches, answers
// to prompts), then clears the fault and presses until a command reaches the
// projector on a session again. After every step: the console answers within
// 5 s, only known prompts are up and none twice, and every byte the projector
// received was asked for (ByteLogChecker, PjlinkLogChecker).
//
// Under PJLink the projector has a password or none and is of class 2 or
// (sometimes) 1 for the whole run; the CC button must stay hidden, the title
// must read "[Connected]" or "[Disconnect]" after every step and
// "[Connected]" once the link is back after a fault.
//
// Waits are on conditions with generous limits; the random think time of the
// user ends early when the projector receives something. The seed fixes every
// choice the soak makes, not the timing.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "ByteLogChecker.h"
#include "ConsoleUser.h"
#include "Faults.h"
#include "PjlinkLogChecker.h"
#include "ProgramHarness.h"
#include "ProjectorSimulator.h"
#include "SoakSummary.h"

struct SoakOptions {
    double minutes = 1;
    std::uint64_t seed = 0;
    bool pjlink = false;  // the PJLink protocol instead of the native one
};

class SoakRun {
public:
    explicit SoakRun(SoakOptions options);
    ~SoakRun();
    SoakRun(const SoakRun&) = delete;
    SoakRun& operator=(const SoakRun&) = delete;

    // 0 when the program behaved for the whole run; 1 after the first
    // violation, which is printed with the seed and the bytes concerned.
    int Run();

private:
    using Clock = std::chrono::steady_clock;

    void SetUp();
    void Episode();
    void UserStep(const Fault& fault);
    void Reopen(const Fault& fault);
    void Finish();

    // The user's acts; each notes what it does for the report.
    bool AnswerPromptOrMenu();
    void AnswerPrompt(const Prompt& prompt);
    void UseMenu(HWND menu);
    void PressButton(bool plainOnly);
    void Pressed(const std::string& command);
    void Ticked();
    void ConfirmedPowerOff();
    std::size_t EventCount() const;
    void RandomizeProjector();
    void Think(std::chrono::milliseconds atMost);
    void Note(std::string step);

    // The checks after every step; a violation ends the run.
    void CheckAll();
    void CheckPrompts(const std::vector<Prompt>& prompts);
    void CheckPjlinkConsole();
    // Judges the projector's byte log with the protocol's checker.
    void JudgeLog();
    [[noreturn]] void Fail(const std::string& what, std::optional<std::size_t> connection = std::nullopt);

    int Between(int low, int high);
    bool Chance(int percent) { return Between(0, 99) < percent; }
    std::size_t OwnTimerTicks() const;

    SoakOptions m_options;
    std::mt19937_64 m_random;
    std::string m_password;
    int m_class;  // PJLink: the projector's class
    std::atomic<std::uint64_t> m_chunks{0};  // chunks the projector received, for the think time
    std::unique_ptr<ProjectorSimulator> m_sim;
    std::string m_address;
    ProgramFolder m_folder;
    Clock::time_point m_programStart;
    std::unique_ptr<RunningProgram> m_program;
    std::unique_ptr<ConsoleUser> m_user;
    ByteLogChecker m_checker;
    PjlinkLogChecker m_pjlinkChecker;
    struct LogVerdict {
        std::optional<std::size_t> badConnection;
        std::string reason;
        std::size_t eventsExplained = 0;
    } m_verdict;
    bool m_advanced = true;
    std::string m_fault = "start-up";
    std::deque<std::string> m_recentSteps;
    SoakSummary m_summary;
};
