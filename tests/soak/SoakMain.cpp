// soak [--minutes N] [--seed N] [--protocol native|pjlink]: the real
// program under Wine against a projector that misbehaves at random (see
// SoakRun.h). Exit status 0 when the program behaved throughout, 1 after a
// violation, 2 for bad arguments.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "SoakRun.h"

namespace {

constexpr const char* kUsage =
    "usage: soak [--minutes N] [--seed N] [--protocol native|pjlink]\n"
    "  --minutes N      how long to run (default 1; fractions allowed)\n"
    "  --seed N         the seed of every random choice (default: a new one, printed);\n"
    "                   the same seed makes the same choices, not the same timing\n"
    "  --protocol NAME  the protocol the projector and the settings choose (default native)\n";

bool ParseNumber(const char* text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && out > 0;
}

bool ParseSeed(const char* text, std::uint64_t& out)
{
    char* end = nullptr;
    out = std::strtoull(text, &end, 10);
    return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv)
{
    SoakOptions options;
    options.seed = std::random_device{}() ^
                   static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--minutes" && hasValue && ParseNumber(argv[i + 1], options.minutes)) {
            ++i;
        } else if (arg == "--seed" && hasValue && ParseSeed(argv[i + 1], options.seed)) {
            ++i;
        } else if (arg == "--protocol" && hasValue && (std::string(argv[i + 1]) == "native" ||
                                                      std::string(argv[i + 1]) == "pjlink")) {
            options.pjlink = std::string(argv[++i]) == "pjlink";
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "soak: unexpected argument \"%s\"\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    SoakRun run(options);
    return run.Run();
}
