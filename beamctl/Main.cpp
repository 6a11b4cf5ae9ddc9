// beamctl's entry point: the real environment, settings and sockets.
#include <cstdlib>
#include <iostream>

#include "Beamctl.h"
#include "ConsoleSettings.h"

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
    };
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int status = RunBeamctl(args, host, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
