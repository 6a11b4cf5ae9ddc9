#include "SoakRun.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "AppSettings.h"
#include "Buttons.h"
#include "SettingsStore.h"

namespace {

using namespace std::chrono_literals;

const std::string kNoAnswer = "Projector is not responding. ";
const std::string kWrongPassword = "The password does not match. ";
const std::string kPowerOff = "Power off?";
const std::string kProjectorFailure = "The projector reports a failure. ";  // PJLink only
const std::string kConnected = "Beamdesk V1.00 [Connected]";
const std::string kDisconnected = "Beamdesk V1.00 [Disconnect]";

constexpr auto kAnswerLimit = 5s;     // the console must handle a sent message within this
constexpr auto kReopenLimit = 90s;    // from a cleared fault to a command on a session
constexpr auto kCloseLimit = 30s;     // an answered prompt or menu goes, the program ends
constexpr auto kTitleLimit = 10s;     // from a command on a new connection to "[Connected]"
constexpr auto kOwnKeepAlive = 300s;  // the console's own keep-alive period
constexpr int kRecentSteps = 16;

// The caption channels and a short command time-out, so an unanswered command
// ends its session soon.
const std::string kProgramIni =
    "[VALUE]\r\nOFF=00\r\nCC1=11\r\nCC2=12\r\n[TIMEOUT]\r\nCMDTimeout=1500\r\n";

struct SoakFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Seconds(std::chrono::steady_clock::duration d)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", std::chrono::duration<double>(d).count());
    return text;
}

// The password of the run, the same for projector and settings: none or
// one of the protocol's.
std::string RunPassword(bool pjlink, std::mt19937_64& random)
{
    const bool none = std::uniform_int_distribution<int>(0, 1)(random) == 0;
    if (none) return "";
    return pjlink ? RandomPjlinkPassword(random) : "soak";
}

}  // namespace

SoakRun::SoakRun(SoakOptions options)
    : m_options(options),
      m_random(options.seed),
      m_password(RunPassword(options.pjlink, m_random)),
      // The console keeps a projector's class while it runs: one for the run.
      m_class(options.pjlink && std::uniform_int_distribution<int>(0, 99)(m_random) < 25 ? 1 : 2),
      m_checker(m_password),
      m_pjlinkChecker(m_password, m_class)
{
}

SoakRun::~SoakRun()
{
    m_user.reset();
    m_program.reset();  // ends the program if it still runs
    if (m_sim) m_sim->Stop();
    ClearProgramRegistry();
}

int SoakRun::Run()
{
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double, std::ratio<60>>(m_options.minutes));
    try {
        SetUp();
        std::printf("soak: seed %llu, %g minute(s), %s, projector %s%s, password %s\n",
                    static_cast<unsigned long long>(m_options.seed), m_options.minutes,
                    m_options.pjlink ? "PJLink" : "native protocol", m_address.c_str(),
                    m_options.pjlink ? (" of class " + std::to_string(m_class)).c_str() : "",
                    m_password.empty() ? "none" : ("\"" + m_password + "\"").c_str());
        std::fflush(stdout);
        while (Clock::now() < deadline) Episode();
        Finish();
    } catch (const SoakFailure& failure) {
        std::printf("%s", failure.what());
        std::printf("summary so far:\n");
        m_summary.Print(stdout);
        std::fflush(stdout);
        return 1;
    }
    std::printf("soak passed: seed %llu, %s, %s\n", static_cast<unsigned long long>(m_options.seed),
                m_options.pjlink ? "PJLink" : "native protocol", Seconds(Clock::now() - start).c_str());
    m_summary.Print(stdout);
    std::fflush(stdout);
    return 0;
}

// A simulator on a free 127.0.55.x address, the settings key pointing at it
// with the protocol chosen and the CC button shown in both layouts (PJLink
// hides it whatever the flags say), and the program started.
void SoakRun::SetUp()
{
    ClearProgramRegistry();
    m_summary.pjlink = m_options.pjlink;
    for (int octet = 1; octet <= 50 && !m_sim; ++octet) {
        ProjectorSimulator::Options options;
        options.address = "127.0.55." + std::to_string(octet);
        options.password = m_password;
        if (m_options.pjlink) {
            options.protocol = ProjectorSimulator::Protocol::Pjlink;
            options.pjlinkClass = m_class;
        }
        options.warmUpMs = 300;
        options.coolDownMs = 300;
        options.onReceived = [this](int, const std::string&) { ++m_chunks; };
        auto sim = std::make_unique<ProjectorSimulator>(options);
        if (!sim->Start()) continue;
        m_sim = std::move(sim);
        m_address = options.address;
    }
    if (!m_sim) Fail("no 127.0.55.x address was free for the projector simulator");

    AppSettings settings{};
    ResetSettings(settings);
    const std::uint8_t ip[4] = {127, 0, 55, static_cast<std::uint8_t>(std::stoi(m_address.substr(9)))};
    std::memcpy(settings.ipAddress, ip, sizeof ip);
    if (m_options.pjlink) {
        settings.protocol = kProtocolPjlink;
        SetPjlinkPasswordText(settings, m_password);
    } else {
        SetPasswordText(settings, m_password);
    }
    settings.showAdvanceCC = 1;
    settings.showSimpleCC = 1;
    SaveSettings(settings);
    m_folder.WriteFile("Beamdesk.ini", kProgramIni);

    Note("start the program");
    m_programStart = Clock::now();
    m_program = std::make_unique<RunningProgram>(m_folder.Executable());
    m_user = std::make_unique<ConsoleUser>(*m_program);
    // A start-up handshake that fails (a slow machine) shows its prompt before the console.
    for (int attempt = 0; attempt < 3 && m_program->WaitForConsole() == nullptr; ++attempt) {
        const auto prompts = m_program->Prompts();
        CheckPrompts(prompts);
        for (const Prompt& p : prompts) AnswerPrompt(p);
    }
    if (m_program->Console() == nullptr) Fail("the console did not appear");
    // The console is on screen before its start-up connection runs: what that
    // connection opened is known once the title says so (or a prompt tells
    // why not).
    WaitFor([&] { return WindowText(m_program->Console()) == kConnected || !m_program->Prompts().empty(); },
            kTitleLimit);
    if (!m_options.pjlink) m_checker.OpenedAtStartUp(static_cast<std::size_t>(m_sim->ConnectionCount()));
    CheckAll();
}

void SoakRun::Episode()
{
    const Fault fault = m_options.pjlink ? PickPjlinkFault(m_random, m_password) : PickFault(m_random);
    ++m_summary.episodes;
    ++m_summary.faults[fault.kind];
    m_fault = "episode " + std::to_string(m_summary.episodes) + ", " + fault.detail;
    RandomizeProjector();
    const auto connections = static_cast<std::size_t>(m_sim->ConnectionCount());
    // The session open now is one that may see its replies out of step.
    if (fault.repliesOutOfStep) m_checker.BeginOutOfStep(connections > 0 ? connections - 1 : 0);
    fault.inject(*m_sim);
    // As if the projector restarted into the fault; a fault of the session
    // itself meets the open one or a new one.
    if (fault.atHandshake || Chance(30)) {
        Note("the projector drops every connection");
        m_sim->CloseAllConnections();
    }

    const int steps = Between(4, 14);
    for (int i = 0; i < steps; ++i) UserStep(fault);
    const auto cleared = Clock::now();
    Reopen(fault);
    const auto reopen = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - cleared);
    if (reopen > m_summary.longestReopen) {
        m_summary.longestReopen = reopen;
        m_summary.longestReopenFault = m_fault;
    }
    std::printf("%s: %d steps, link back in %s\n", m_fault.c_str(), steps, Seconds(reopen).c_str());
    std::fflush(stdout);
}

void SoakRun::UserStep(const Fault& fault)
{
    ++m_summary.steps;
    if (!AnswerPromptOrMenu()) {
        const int roll = Between(0, 99);
        if (fault.dropsAtRandom && Chance(20)) {
            Note("the projector drops every connection");
            ++m_summary.drops;
            m_sim->CloseAllConnections();
        } else if (roll < 55 || (m_options.pjlink && roll < 67)) {
            PressButton(false);
        } else if (roll < 67) {
            Note("press CC");
            ++m_summary.presses;
            Pressed(kCaptionQuery);
            m_user->PressCaptionButton();
        } else if (roll < 80) {
            Note("keep-alive tick");
            ++m_summary.ticks;
            Ticked();
            m_user->TickKeepAlive();
        } else if (roll < 83) {
            m_advanced = !m_advanced;
            Note(m_advanced ? "switch to the Advanced layout" : "switch to the Simple layout");
            ++m_summary.layoutSwitches;
            m_user->ChooseLayout(m_advanced);
        } else {
            Note("wait");
        }
    }
    Think(std::chrono::milliseconds(Between(0, 700)));
    CheckAll();
}

// The fault is cleared; the user presses plain buttons (answering whatever
// comes up) until one of those presses reaches the projector on a session.
void SoakRun::Reopen(const Fault& fault)
{
    m_sim->ClearFaults();
    const std::size_t firstPress = EventCount();
    const auto start = Clock::now();
    auto lastPress = start - 1h;
    for (;;) {
        CheckAll();
        if (m_verdict.eventsExplained > firstPress) break;
        if (Clock::now() - start > kReopenLimit)
            Fail("the link did not reopen within " + Seconds(kReopenLimit) + " of the fault being cleared");
        if (!AnswerPromptOrMenu() && Clock::now() - lastPress >= 1s) {
            PressButton(true);
            lastPress = Clock::now();
        }
        Think(300ms);
    }
    if (fault.repliesOutOfStep) m_checker.EndOutOfStep(static_cast<std::size_t>(m_sim->ConnectionCount()) - 1);
    // The press went out on a connection that opened: the console says so.
    if (m_options.pjlink && !WaitFor([&] { return WindowText(m_program->Console()) == kConnected; }, kTitleLimit))
        Fail("the title reads \"" + WindowText(m_program->Console()) + "\" " + Seconds(kTitleLimit) +
             " after a press reached the projector");
}

// Time is up: the program must end when asked to.
void SoakRun::Finish()
{
    m_fault = "the end";
    m_sim->ClearFaults();
    const auto start = Clock::now();
    while (AnswerPromptOrMenu())
        if (Clock::now() - start > kCloseLimit) Fail("prompts kept coming for " + Seconds(kCloseLimit));
    Note("close the console");
    PostMessageA(m_program->Console(), WM_CLOSE, 0, 0);
    const bool ended = WaitFor([&] {
        if (m_program->HasExited()) return true;
        if (HWND menu = m_user->OpenMenu()) m_user->CloseMenu(menu);
        for (const Prompt& p : m_program->Prompts()) m_user->Answer(p, p.text == kPowerOff ? IDNO : IDOK);
        return false;
    }, kCloseLimit);
    if (!ended) Fail("the program did not end within " + Seconds(kCloseLimit) + " of WM_CLOSE");
    JudgeLog();
}

bool SoakRun::AnswerPromptOrMenu()
{
    const auto prompts = m_program->Prompts();
    if (!prompts.empty()) {
        CheckPrompts(prompts);
        AnswerPrompt(prompts.front());
        return true;
    }
    if (HWND menu = m_user->OpenMenu()) {
        if (m_options.pjlink) Fail("a drop-down menu opened under PJLink");
        UseMenu(menu);
        return true;
    }
    return false;
}

void SoakRun::AnswerPrompt(const Prompt& prompt)
{
    ++m_summary.prompts[prompt.text];
    int button = IDOK;
    if (prompt.text == kPowerOff) {
        const bool yes = Chance(50);
        Note(yes ? "answer \"Power off?\" with Yes" : "answer \"Power off?\" with No");
        ++(yes ? m_summary.yes : m_summary.no);
        if (yes) ConfirmedPowerOff();
        button = yes ? IDYES : IDNO;
    } else {
        Note("OK to \"" + prompt.text + "\"");
    }
    m_user->Answer(prompt, button);
    if (!WaitFor([&] { return !IsWindow(prompt.hwnd) || !IsWindowVisible(prompt.hwnd); }, kCloseLimit))
        Fail("the prompt \"" + prompt.text + "\" stayed up " + Seconds(kCloseLimit) + " after it was answered");
}

// Mostly a channel is chosen, sometimes the drop-down is left with Escape.
void SoakRun::UseMenu(HWND menu)
{
    if (Chance(75)) {
        const int entry = Between(0, static_cast<int>(std::size(kCaptionEntries)) - 1);
        Note(std::string("choose ") + kCaptionEntries[entry][0] + " from the CC drop-down");
        ++m_summary.captionChoices;
        Pressed(std::string("CCAP ") + kCaptionEntries[entry][1] + "\r");
        m_user->ChooseMenuEntry(menu, entry);
    } else {
        Note("Escape from the CC drop-down");
        ++m_summary.menusEscaped;
        m_user->CloseMenu(menu);
    }
    // The choice's command is posted before the menu goes: later presses come after it.
    if (!WaitFor([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, kCloseLimit))
        Fail("the CC drop-down stayed open " + Seconds(kCloseLimit) + " after a choice or Escape");
}

// A button the current layout shows; plainOnly leaves out the toggles (and,
// for a class-1 projector, the class-2 commands the console never sends it).
void SoakRun::PressButton(bool plainOnly)
{
    std::vector<const SoakButton*> shown;
    auto consider = [&](const SoakButton& b) {
        const char* command = m_advanced ? b.advanced : b.simple;
        if (command == nullptr) return;
        if (plainOnly && command[std::strlen(command) - 2] == '?') return;
        if (plainOnly && m_options.pjlink && m_class == 1 && command[1] == '2') return;
        shown.push_back(&b);
    };
    if (m_options.pjlink)
        std::for_each(std::begin(kPjlinkButtons), std::end(kPjlinkButtons), consider);
    else
        std::for_each(std::begin(kSoakButtons), std::end(kSoakButtons), consider);
    const SoakButton& button = *shown[static_cast<std::size_t>(Between(0, static_cast<int>(shown.size()) - 1))];
    Note(std::string("press ") + button.name);
    ++m_summary.presses;
    Pressed(m_advanced ? button.advanced : button.simple);
    m_user->Press(button.id);
}

// What the user did, told to the judge of the run's protocol.
void SoakRun::Pressed(const std::string& command)
{
    if (m_options.pjlink)
        m_pjlinkChecker.Pressed(command);
    else
        m_checker.Pressed(command);
}

void SoakRun::Ticked()
{
    if (m_options.pjlink)
        m_pjlinkChecker.Ticked();
    else
        m_checker.Ticked();
}

void SoakRun::ConfirmedPowerOff()
{
    if (m_options.pjlink)
        m_pjlinkChecker.ConfirmedPowerOff();
    else
        m_checker.ConfirmedPowerOff();
}

std::size_t SoakRun::EventCount() const
{
    return m_options.pjlink ? m_pjlinkChecker.EventCount() : m_checker.EventCount();
}

// The projector's state at an episode's start, so that every toggle meets
// each of its states.
void SoakRun::RandomizeProjector()
{
    if (m_options.pjlink) {
        // Set directly, cooling down and warming up last until the next
        // episode; "on" comes most, so "Power off?" comes often.
        static const char* const kPjlinkPower[] = {"0", "0", "1", "1", "1", "1", "2", "3"};
        static const char* const kAvMute[] = {"30", "11", "21", "31"};
        m_sim->SetPower(kPjlinkPower[Between(0, 7)]);
        m_sim->SetAvMute(kAvMute[Between(0, 3)]);
        m_sim->SetFreeze(Chance(50));
        return;
    }
    static const char* const kPower[] = {"01", "02", "03", "04", "05"};
    static const char* const kCaption[] = {"00", "11", "12", "7F"};
    m_sim->SetPower(kPower[Between(0, 4)]);
    m_sim->SetMute(Chance(50));
    m_sim->SetFreeze(Chance(50));
    m_sim->SetCaption(kCaption[Between(0, 3)]);
}

// The user's pause before the next act; it ends early when the projector
// receives something, so acts also fall just after a command left.
void SoakRun::Think(std::chrono::milliseconds atMost)
{
    const std::uint64_t before = m_chunks;
    WaitFor([&] { return m_chunks != before; }, atMost);
}

void SoakRun::Note(std::string step)
{
    m_recentSteps.push_back(m_fault + ": " + std::move(step));
    if (m_recentSteps.size() > kRecentSteps) m_recentSteps.pop_front();
}

void SoakRun::CheckAll()
{
    ++m_summary.checks;
    if (m_program->HasExited()) Fail("the program ended (exit code " + std::to_string(m_program->WaitForExit(0ms)) + ")");
    const auto answered = m_user->Answers(kAnswerLimit);
    if (!answered) Fail("the console did not answer a sent message within " + Seconds(kAnswerLimit));
    m_summary.longestAnswer = std::max(m_summary.longestAnswer, *answered);
    CheckPrompts(m_program->Prompts());
    if (m_options.pjlink) CheckPjlinkConsole();
    JudgeLog();
}

void SoakRun::JudgeLog()
{
    const auto received = m_sim->Received();
    m_summary.connections = received.size();
    m_summary.bytes = 0;
    for (const std::string& c : received) m_summary.bytes += c.size();
    if (m_options.pjlink) {
        // Read after the log: never shorter than it.
        const auto verdict = m_pjlinkChecker.Check(received, m_sim->GreetingRandoms());
        m_verdict = {verdict.badConnection, verdict.reason, verdict.eventsExplained};
        m_summary.pressesArrived = verdict.pressesArrived;
        m_summary.followUps = verdict.followUps;
        m_summary.powerOffs = verdict.powerOffs;
        m_summary.classQuestions = verdict.classQuestions;
        m_summary.digests = verdict.digests;
    } else {
        const auto verdict = m_checker.Check(received, OwnTimerTicks());
        m_verdict = {verdict.badConnection, verdict.reason, verdict.eventsExplained};
        m_summary.pressesArrived = verdict.pressesArrived;
        m_summary.keepAlives = verdict.keepAlives;
    }
    if (m_verdict.badConnection) Fail(m_verdict.reason, m_verdict.badConnection);
}

// The CC button stays hidden in either layout, and the title is one of the
// console's two.
void SoakRun::CheckPjlinkConsole()
{
    HWND console = m_program->Console();
    if (IsWindowVisible(GetDlgItem(console, IDC_CC))) Fail("the CC button is shown under PJLink");
    const std::string title = WindowText(console);
    if (title != kConnected && title != kDisconnected) Fail("an unexpected title: \"" + title + "\"");
}

// Only the console's prompts (the failure report is PJLink's), and never one
// stacked on its own kind.
void SoakRun::CheckPrompts(const std::vector<Prompt>& prompts)
{
    for (std::size_t i = 0; i < prompts.size(); ++i) {
        const std::string& text = prompts[i].text;
        if (text != kNoAnswer && text != kWrongPassword && text != kPowerOff &&
            !(m_options.pjlink && text == kProjectorFailure))
            Fail("an unexpected prompt: \"" + text + "\"");
        for (std::size_t j = 0; j < i; ++j)
            if (prompts[j].text == text) Fail("two \"" + text + "\" prompts at once");
    }
}

void SoakRun::Fail(const std::string& what, std::optional<std::size_t> connection)
{
    std::string report = "\nSOAK FAILED after " + std::to_string(m_summary.steps) + " user steps (" + m_fault +
                         "): " + what + "\n";
    report += "  seed " + std::to_string(m_options.seed) + "; replay with: soak " +
              (m_options.pjlink ? "--protocol pjlink " : "") + "--seed " + std::to_string(m_options.seed) + "\n";
    if (connection && m_sim) {
        const auto received = m_sim->Received();
        if (*connection < received.size()) {
            std::string bytes = ProjectorSimulator::Escape(received[*connection]);
            constexpr std::size_t kShown = 4000;
            if (bytes.size() > kShown) bytes = "..." + bytes.substr(bytes.size() - kShown);
            report += "  connection " + std::to_string(*connection + 1) + " of " + std::to_string(received.size()) +
                      " received: " + bytes + "\n";
            if (m_options.pjlink) {
                const auto randoms = m_sim->GreetingRandoms();
                const std::string random = *connection < randoms.size() ? randoms[*connection] : "";
                report += "  its greeting asked for " +
                          (random.empty() ? std::string("no password") : "a digest of \"" + random + "\"") + "\n";
            }
        }
    }
    report += "  the last steps:\n";
    for (const std::string& step : m_recentSteps) report += "    " + step + "\n";
    throw SoakFailure(report);
}

int SoakRun::Between(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(m_random);
}

// Keep-alives the console's own five-minute timer may have sent so far.
std::size_t SoakRun::OwnTimerTicks() const
{
    return static_cast<std::size_t>((Clock::now() - m_programStart) / kOwnKeepAlive);
}
