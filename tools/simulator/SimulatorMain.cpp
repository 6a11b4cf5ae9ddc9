// projector-sim: a stand-in projector on a loopback address, or one on each
// address of a loopback range, for trying the console or a PJLink controller
// without hardware. Prints every state change the controller causes.

#include "ProjectorSimulator.h"
#include "SimulatorRange.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: projector-sim [options]\n"
    "  --protocol P       native (default) or pjlink (PJLink Class 1 and 2)\n"
    "  --address A        IPv4 address inside 127.0.0.0/8 (default 127.0.0.1), or a range\n"
    "                     A-B of at most 1024 such addresses (127.0.0.20-127.0.0.69): a\n"
    "                     projector on each, alike but for the address; output lines\n"
    "                     then start with the projector's address\n"
    "  --port P           TCP port (default 3629 native, 4352 pjlink; 0 picks a free one)\n"
    "  --password PW      password the projector expects: native at most 16 characters,\n"
    "                     pjlink 1 to 32 letters and digits (none: pjlink security off)\n"
    "  --refusal HH       native: status sent for a wrong password, hex (default 43)\n"
    "  --warm-up MS       how long power stays warming up (native 02, pjlink 3) after\n"
    "                     switching on (default 3000)\n"
    "  --cool-down MS     how long power stays cooling down (native 04, pjlink 2) after\n"
    "                     switching off (default 3000)\n"
    "  --class 1|2        pjlink: the class it answers to (default 2)\n"
    "  --idle-limit MS    pjlink: close a connection when no command has come for MS\n"
    "                     since the greeting or the last reply; 0 never (default 30000)\n"
    "  --name TEXT        pjlink: the projector name NAME answers\n"
    "  class 2 answers the search datagram %2SRCH (UDP 4352, from this machine only)\n"
    "  with %2ACKN=02:00:<the address in hex>, sent to port 4352 of the sender\n"
    "  --log FILE|-       write every received chunk, escaped, to FILE or stdout\n"
    "  --fault NAME[=V]   misbehave; may be repeated:\n"
    "    either protocol:\n"
    "      silent-commands       read commands, answer nothing\n"
    "      split-reply[=N]       send replies in two parts, the first N bytes (default 4)\n"
    "      trickle-replies[=MS]  send text replies (pjlink: and the greeting) one byte at\n"
    "                            a time, MS apart (default 3)\n"
    "      garbage[=N]           N bytes without CR before each text reply (default 3000)\n"
    "      close-on-command      drop the connection on the next text command\n"
    "      close-after-reply     carry out the next text command, send its reply (native:\n"
    "                            its reply lines without the prompt), then drop the connection\n"
    "      close-on-accept       drop every connection as soon as it is accepted\n"
    "      talk-first[=TEXT]     send TEXT and CR on every new connection (default HELLO);\n"
    "                            pjlink: instead of the greeting\n"
    "      refuse-connections    do not listen: connects are refused\n"
    "      hang-connects         connects neither complete nor fail\n"
    "    native only:\n"
    "      silent-handshake      never answer handshake requests\n"
    "      wrong-magic           handshake replies carry a wrong magic\n"
    "      probe-status=HH       probe replies carry status HH (hex)\n"
    "      open-status=HH        open replies carry status HH (hex)\n"
    "      close-after-probe     drop the connection after the probe reply\n"
    "      close-after-open      drop the connection after the open reply\n"
    "    pjlink only:\n"
    "      no-greeting           never greet new connections, answer nothing\n"
    "      power-err3            answer every POWR command ERR3\n"
    "      lower-case            give command bodies in lower case in replies (%1powr=0)\n"
    "      idle-limit=MS         as --idle-limit\n"
    "Runs until interrupted (Ctrl+C).\n";

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

std::mutex g_output;

void PrintLine(FILE* to, const std::string& line)
{
    std::lock_guard lock(g_output);
    std::fprintf(to, "%s\n", line.c_str());
    std::fflush(to);
}

[[noreturn]] void Fail(const std::string& message, int code = 2)
{
    std::fprintf(stderr, "projector-sim: %s\n", message.c_str());
    std::exit(code);
}

std::optional<long> ParseNumber(const std::string& text, int base, long low, long high)
{
    if (text.empty()) return std::nullopt;
    const char* begin = text.c_str();
    if (base == 16 && (text.starts_with("0x") || text.starts_with("0X"))) begin += 2;
    char* end = nullptr;
    const long value = std::strtol(begin, &end, base);
    if (end == begin || *end != '\0' || value < low || value > high) return std::nullopt;
    return value;
}

long Number(const std::string& what, const std::string& text, int base, long low, long high)
{
    const auto value = ParseNumber(text, base, low, high);
    if (!value) Fail("bad value for " + what + ": '" + text + "'");
    return *value;
}

std::uint8_t Status(const std::string& what, const std::string& text)
{
    return static_cast<std::uint8_t>(Number(what, text, 16, 0, 255));
}

bool IsNativeOnlyFault(const std::string& name)
{
    for (const char* n : {"silent-handshake", "wrong-magic", "probe-status", "open-status", "close-after-probe",
                          "close-after-open"})
        if (name == n) return true;
    return false;
}

bool IsPjlinkOnlyFault(const std::string& name)
{
    for (const char* n : {"no-greeting", "power-err3", "lower-case", "idle-limit"})
        if (name == n) return true;
    return false;
}

void ApplyFault(ProjectorSimulator& sim, bool pjlink, const std::string& fault)
{
    const auto eq = fault.find('=');
    const std::string name = fault.substr(0, eq);
    const std::optional<std::string> value =
        eq == std::string::npos ? std::nullopt : std::optional(fault.substr(eq + 1));
    if (pjlink && IsNativeOnlyFault(name)) Fail("fault " + name + " is for --protocol native only");
    if (!pjlink && IsPjlinkOnlyFault(name)) Fail("fault " + name + " is for --protocol pjlink only");
    const auto noValue = [&] {
        if (value) Fail("fault " + name + " takes no value");
    };
    const auto needValue = [&] {
        if (!value) Fail("fault " + name + " needs a value: " + name + "=HH");
        return *value;
    };
    using Close = ProjectorSimulator::CloseMoment;
    if (name == "silent-handshake") {
        noValue();
        sim.SetSilentHandshake(true);
    } else if (name == "wrong-magic") {
        noValue();
        sim.SetWrongMagic(true);
    } else if (name == "probe-status") {
        sim.SetProbeStatus(Status(name, needValue()));
    } else if (name == "open-status") {
        sim.SetOpenStatus(Status(name, needValue()));
    } else if (name == "silent-commands") {
        noValue();
        sim.SetSilentCommands(true);
    } else if (name == "split-reply") {
        sim.SetSplitReplies(static_cast<std::size_t>(value ? Number(name, *value, 10, 1, 1 << 20) : 4));
    } else if (name == "trickle-replies") {
        sim.SetTrickleReplies(true, std::chrono::milliseconds(value ? Number(name, *value, 10, 0, 1000) : 3));
    } else if (name == "talk-first") {
        sim.SetGreeting(value ? *value + "\r" : "HELLO\r");
    } else if (name == "garbage") {
        sim.SetGarbageBeforeReplies(ProjectorSimulator::SampleGarbage(
            static_cast<std::size_t>(value ? Number(name, *value, 10, 1, 1 << 20) : 3000)));
    } else if (name == "close-after-probe") {
        noValue();
        sim.SetCloseAt(Close::AfterProbeReply);
    } else if (name == "close-after-open") {
        noValue();
        sim.SetCloseAt(Close::AfterOpenReply);
    } else if (name == "close-on-command") {
        noValue();
        sim.SetCloseAt(Close::OnCommand);
    } else if (name == "close-after-reply") {
        noValue();
        sim.SetCloseAt(Close::AfterReplyValue);
    } else if (name == "close-on-accept") {
        noValue();
        sim.SetCloseAt(Close::OnAccept);
    } else if (name == "refuse-connections") {
        noValue();
        sim.SetRefuseConnections(true);
    } else if (name == "hang-connects") {
        noValue();
        sim.SetHangConnects(true);
    } else if (name == "no-greeting") {
        noValue();
        sim.SetNoGreeting(true);
    } else if (name == "power-err3") {
        noValue();
        sim.SetPowerErr3(true);
    } else if (name == "lower-case") {
        noValue();
        sim.SetLowerCaseReplies(true);
    } else if (name == "idle-limit") {
        sim.SetIdleLimit(std::chrono::milliseconds(Number(name, needValue(), 10, 0, 86400000)));
    } else {
        Fail("unknown fault '" + name + "' (see --help)");
    }
}

}  // namespace

int main(int argc, char** argv)
{
    ProjectorSimulator::Options options;
    std::string logTarget;
    std::vector<std::string> faults;
    std::vector<std::string> pjlinkOnly;  // options given that only PJLink uses

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (i + 1 >= argc) Fail("unknown option or missing value: " + arg + "\n" + kUsage);
        const std::string value = argv[++i];
        if (arg == "--protocol") {
            if (value == "native")
                options.protocol = ProjectorSimulator::Protocol::Native;
            else if (value == "pjlink")
                options.protocol = ProjectorSimulator::Protocol::Pjlink;
            else
                Fail("bad value for --protocol: '" + value + "' (native or pjlink)");
        } else if (arg == "--address") {
            options.address = value;
        } else if (arg == "--port") {
            options.port = static_cast<std::uint16_t>(Number(arg, value, 10, 0, 65535));
        } else if (arg == "--password") {
            options.password = value;  // checked once the protocol is known
        } else if (arg == "--refusal") {
            options.refusalStatus = Status(arg, value);
        } else if (arg == "--warm-up") {
            options.warmUpMs = static_cast<int>(Number(arg, value, 10, 0, 3600000));
        } else if (arg == "--cool-down") {
            options.coolDownMs = static_cast<int>(Number(arg, value, 10, 0, 3600000));
        } else if (arg == "--class") {
            options.pjlinkClass = static_cast<int>(Number(arg, value, 10, 1, 2));
            pjlinkOnly.push_back(arg);
        } else if (arg == "--idle-limit") {
            options.idleLimitMs = static_cast<int>(Number(arg, value, 10, 0, 86400000));
            pjlinkOnly.push_back(arg);
        } else if (arg == "--name") {
            if (value.size() > 64) Fail("the name has at most 64 bytes");
            options.name = value;
            pjlinkOnly.push_back(arg);
        } else if (arg == "--log") {
            logTarget = value;
        } else if (arg == "--fault") {
            faults.push_back(value);
        } else {
            Fail("unknown option: " + arg + "\n" + kUsage);
        }
    }

    const bool pjlink = options.protocol == ProjectorSimulator::Protocol::Pjlink;
    if (!pjlink && !pjlinkOnly.empty()) Fail(pjlinkOnly.front() + " is for --protocol pjlink only");
    if (pjlink) {
        if (!options.password.empty() && !ProjectorSimulator::IsPjlinkPassword(options.password))
            Fail("a PJLink password has 1 to 32 ASCII letters and digits, nothing else");
    } else if (options.password.size() > 16) {
        Fail("the password has at most 16 characters");
    }
    const std::vector<std::string> addresses = SimulatorRange::Addresses(options.address);
    if (addresses.empty())
        Fail("address " + options.address +
             " refused: only IPv4 addresses inside 127.0.0.0/8 (this machine) are allowed, one or a range A-B of at "
             "most 1024");
    const bool range = addresses.size() > 1 || options.address.find('-') != std::string::npos;

    FILE* log = nullptr;
    if (logTarget == "-") {
        log = stdout;
    } else if (!logTarget.empty()) {
        log = std::fopen(logTarget.c_str(), "w");
        if (!log) Fail("cannot write the log file " + logTarget + ": " + std::strerror(errno), 1);
    }
    // A range's lines name the projector they come from.
    const auto optionsFor = [&](const std::string& address) {
        ProjectorSimulator::Options own = options;
        const std::string prefix = range ? address + " " : "";
        if (log)
            own.onReceived = [log, prefix](int connection, const std::string& bytes) {
                PrintLine(log, prefix + "[" + std::to_string(connection) + "] " + ProjectorSimulator::Escape(bytes));
            };
        own.onStateChange = [prefix](const std::string& line) { PrintLine(stdout, prefix + line); };
        return own;
    };
    SimulatorRange sims(addresses, optionsFor);
    // Faults that need the loop (refuse, hang) are carried out once it runs.
    for (std::size_t i = 0; i < sims.Size(); ++i)
        for (const auto& fault : faults) ApplyFault(sims[i], pjlink, fault);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    if (!sims.Start())
        Fail("cannot listen on " + options.address + ":" +
                 std::to_string(options.port.value_or(ProjectorSimulator::DefaultPort(options.protocol))) +
             " (address in use?)", 1);
    PrintLine(stdout, "listening on " + options.address + ":" + std::to_string(sims[0].Port()) +
                          (pjlink ? " (PJLink)" : "") + (sims.Search() ? ", answering searches" : ""));

    while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sims.Stop();
    if (log && log != stdout) std::fclose(log);
    return 0;
}
