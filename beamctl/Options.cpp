#include "Options.h"

std::optional<int> ParseCount(std::string_view text, int max)
{
    if (text.empty() || text.size() > 10) return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > max) return std::nullopt;
    return static_cast<int>(value);
}

ParsedOptions ParseOptions(const std::vector<std::string>& args)
{
    ParsedOptions parsed;
    Options& o = parsed.options;
    const auto fail = [&](std::string message, std::string hint = kHelpHint) {
        parsed.error = UsageError{std::move(message), std::move(hint)};
        return parsed;
    };

    bool onlyWords = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyWords || arg.size() < 2 || arg[0] != '-') {
            o.words.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyWords = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            o.help = true;
            continue;
        }
        if (arg == "--version") {
            o.version = true;
            continue;
        }
        if (arg == "--json") {
            o.json = true;
            continue;
        }

        // Options with a value: "--name VALUE" or "--name=VALUE".
        std::string name = arg;
        std::optional<std::string> value;
        if (const auto equals = arg.find('='); equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        if (name != "--projector" && name != "--password" && name != "--protocol" && name != "--timeout")
            return fail("unknown option '" + arg + "'");
        if (!value) {
            if (i + 1 >= args.size()) return fail("option " + name + " needs a value");
            value = args[++i];
        }
        if (name == "--projector") {
            o.projector = *value;
        } else if (name == "--password") {
            o.password = *value;
        } else if (name == "--protocol") {
            o.protocol = *value;
        } else {
            o.timeoutMs = ParseCount(*value, kMaxTimeoutMs);
            if (!o.timeoutMs)
                return fail("--timeout '" + *value + "' is not a number of milliseconds from 1 to " +
                                std::to_string(kMaxTimeoutMs),
                            "Example: --timeout 5000 waits up to 5 s for each reply.");
        }
    }
    return parsed;
}
