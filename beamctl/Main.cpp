// beamctl's entry point: the real environment, settings and sockets.
#include <cstdio>
#include <cstdlib>

#include "Beamctl.h"
#include "ConsoleSettings.h"
#include "DiscoveryNetwork.h"

int main(int argc, char** argv)
{
    const Host host{
        [](const char* name) -> std::optional<std::string> {
            const char* value = std::getenv(name);
            if (value == nullptr) return std::nullopt;
            return std::string(value);
        },
        ReadSavedProjector,
        ReadCaptionChannels,
        MakeSocketTransport,
        ReadPjlinkInputs,
        ListInterfaces,
        MakeSweepNetwork,
    };
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string out, err;
    const int status = RunBeamctl(args, host, out, err);
    // No iostreams: they would triple the size of the static Windows program.
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    std::fflush(stdout);
    return status;
}
