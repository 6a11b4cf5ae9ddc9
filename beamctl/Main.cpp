// beamctl's entry point: the real environment, settings and sockets.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Beamctl.h"
#include "ConsoleSettings.h"
#include "DiscoveryNetwork.h"
#include "ExitStatus.h"

namespace {

// Every byte out and flushed; false with errno set when the stream took not
// all of them (a full disk, a pipe nobody reads any more).
bool WriteAll(std::FILE* stream, const std::string& bytes)
{
    errno = 0;
    const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), stream);
    const bool flushed = std::fflush(stream) == 0;
    return written == bytes.size() && flushed && !std::ferror(stream);
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef SIGPIPE
    // A reader that went away is a failure to tell, not an end without a word.
    std::signal(SIGPIPE, SIG_IGN);
#endif
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
    int status = RunBeamctl(args, host, out, err);
    // No iostreams: they would triple the size of the static Windows program.
    if (!WriteAll(stdout, out)) {
        const int error = errno;
        err += std::string("beamctl: the output could not be written") +
               (error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string()) + "\n";
        // What the projector did stands; a status that tells of a failure
        // there tells more than this one.
        if (status == ExitCode(ExitStatus::Done)) status = ExitCode(ExitStatus::OutputLost);
    }
    WriteAll(stderr, err);
    return status;
}
