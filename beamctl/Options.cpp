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

namespace {

// A word that would be taken as an option where it stands.
bool LooksLikeOption(const std::string& word)
{
    return word.size() >= 2 && word[0] == '-';
}

}  // namespace

// Each option once: a second one is more likely a slip (two scripts' options
// put together) than a wish to override the first.
ParsedOptions ParseOptions(const std::vector<std::string>& args)
{
    ParsedOptions parsed;
    Options& o = parsed.options;
    const auto fail = [&](std::string message, std::string hint = kHelpHint) {
        parsed.error = UsageError{std::move(message), std::move(hint)};
        return parsed;
    };
    std::vector<std::string> given;  // the options so far, by their long names
    const auto twice = [&](const std::string& name) {
        for (const std::string& earlier : given)
            if (earlier == name) return true;
        given.push_back(name);
        return false;
    };

    bool onlyWords = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyWords || !LooksLikeOption(arg)) {
            o.words.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyWords = true;
            continue;
        }

        // "--name VALUE" or "--name=VALUE"; "-h" is "--help".
        std::string name = arg == "-h" ? "--help" : arg;
        std::optional<std::string> value;
        if (const auto equals = arg.find('='); equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        const bool flag = name == "--help" || name == "--version" || name == "--json" || name == "--prometheus";
        if (!flag && name != "--projector" && name != "--password" && name != "--protocol" && name != "--timeout")
            return fail("unknown option '" + arg + "'");
        if (twice(name)) return fail("option " + name + " is given twice", "Give each option once.");
        if (flag) {
            if (value) return fail("option " + name + " takes no value");
            if (name == "--help") o.help = true;
            if (name == "--version") o.version = true;
            if (name == "--json") o.json = true;
            if (name == "--prometheus") o.prometheus = true;
            if (o.json && o.prometheus) return fail("--json and --prometheus are two forms of output: give one");
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size()) return fail("option " + name + " needs a value");
            // "--password --json status": the value is missing far more often
            // than it starts with a dash.
            if (LooksLikeOption(args[i + 1]))
                return fail("option " + name + " needs a value, and '" + args[i + 1] + "' looks like an option",
                            "Write " + name + "=" + args[i + 1] + " if that is the value.");
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
