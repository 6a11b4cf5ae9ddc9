#include "Beamctl.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <optional>
#include <thread>
#include <variant>

#include "Discover.h"
#include "ExitStatus.h"
#include "Options.h"
#include "Output.h"
#include "ProjectorClient.h"
#include "Prometheus.h"
#include "Protocols.h"
#include "Request.h"
#include "Usage.h"

namespace {

// The most projectors talked to at once.
constexpr std::size_t kMostAtOnce = 64;

// "beamctl: no command given (Run 'beamctl --help' for the commands and options)".
int UsageFailure(std::string& err, const UsageError& error)
{
    return FailureLine(err, ExitStatus::Usage, error.message, error.hint);
}

// How one projector's part of the run ended, and what it has to show.
struct Outcome {
    ExitStatus status = ExitStatus::Done;
    std::string problem;                // one line; empty when done
    bool shows = false;                 // status, info, probe: the fields are shown (also on a failure)
    std::vector<RenderedField> fields;  // ... what they learnt
    std::vector<std::string> replies;   // send: the reply lines of the confirmed command

    void Failed(const ClientResult& result)
    {
        status = result.status;
        problem = result.problem;
    }
};

// The items' values from their reply lines; an item answered with an error,
// or with no line of its own, has none. Status fails on the first item
// without a value (all are shown), unless the projector may lack it; info
// only when not one of its items has a value.
void RunReport(ProjectorClient& client, const Request& request, Outcome& outcome)
{
    std::optional<ClientResult> statusProblem, infoProblem;
    bool anyInfoValue = false;
    std::vector<std::string> replies;
    for (std::size_t i = 0; i < request.commands.size(); ++i) {
        const ReportItem& item = request.items[i];
        ClientResult result = client.Run(request.commands[i], replies);
        if (result.status != ExitStatus::Done && result.status != ExitStatus::ProjectorError) {
            outcome.fields.clear();  // the session is gone: nothing is shown
            return outcome.Failed(result);
        }
        std::optional<Rendered> value = item.value(replies);
        if (result.status == ExitStatus::Done && !value)
            result = {ExitStatus::ProjectorError, "the projector's reply to " + Shown(item.query) + " gave no value"};
        if (result.status != ExitStatus::Done) {
            value.reset();
            auto& problem = item.fromInfo ? infoProblem : statusProblem;
            if (!problem && (item.fromInfo || !item.mayLack)) problem = result;
        }
        if (item.fromInfo) anyInfoValue = anyInfoValue || value.has_value();
        outcome.fields.push_back({std::string(item.name), value});
    }
    outcome.shows = true;
    if (statusProblem)
        outcome.Failed(*statusProblem);
    else if (infoProblem && !anyInfoValue)
        outcome.Failed(*infoProblem);
}

void RunProbe(ProjectorClient& client, Outcome& outcome)
{
    ProbeAnswer answer;
    const ClientResult result = client.Probe(answer);
    // "refused": a projector answered, and would open no session.
    outcome.fields.push_back({"reachable", TextValue(answer.reachable ? "yes" : answer.refused ? "refused" : "no")});
    if (answer.reachable) outcome.fields.push_back({"password", TextValue(answer.passwordRequired ? "required" : "none")});
    outcome.shows = true;
    if (result.status != ExitStatus::Done) outcome.Failed(result);
}

// The reply lines a failed command got, for its failure's line: " (partial
// reply: 'MUTE=OFF')"; nothing when none came.
std::string PartialReply(const std::vector<std::string>& replies)
{
    if (replies.empty()) return "";
    std::string told = " (partial reply:";
    for (const std::string& line : replies) {
        told += ' ';
        told += Shown(line);
    }
    return told + ")";
}

// One projector's whole session: its own session object and connection.
Outcome RunOne(const Target& target, const Request& request, SessionSettings settings, const Host& host)
{
    Outcome outcome;
    settings.protocol = target.protocol;
    settings.address = target.address.Text();
    settings.password = target.password;
    settings.commandTimeout = target.commandTimeout;
    const std::unique_ptr<ProjectorSession> session = MakeSession(settings);
    const std::unique_ptr<Transport> transport = host.makeTransport();
    if (!transport) {
        outcome.Failed({ExitStatus::NoAnswer, "the system's sockets cannot be used"});
        return outcome;
    }
    ProjectorClient client(*transport, target, *session);
    if (request.kind == RequestKind::Probe) {
        RunProbe(client, outcome);
        return outcome;
    }
    if (const ClientResult opened = client.Open(); opened.status != ExitStatus::Done) {
        outcome.Failed(opened);
        return outcome;
    }
    if (request.kind == RequestKind::Status || request.kind == RequestKind::Info) {
        RunReport(client, request, outcome);
    } else {
        // Reply lines are output only once the projector confirmed the
        // command; those of a failed one are told on its failure's line.
        std::vector<std::string> replies;
        for (const Command& command : request.commands) {
            ClientResult result = client.Run(command, replies);
            if (result.status != ExitStatus::Done) {
                result.problem += PartialReply(replies);
                outcome.Failed(result);
                break;
            }
            if (request.kind == RequestKind::Replies) outcome.replies = replies;
        }
    }
    client.Close();
    return outcome;
}

// Runs `run` for 0 .. count-1, at most `most` at a time; one alone on this thread.
void ForEachAtOnce(std::size_t count, std::size_t most, const std::function<void(std::size_t)>& run)
{
    if (count == 1) {
        run(0);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < std::min(count, most); ++i)
        workers.emplace_back([&] {
            for (std::size_t j; (j = next++) < count;) run(j);
        });
    for (std::thread& worker : workers) worker.join();
}

enum class Form { Lines, Json, Metrics };

// What one projector's part puts on standard output, as a run for it alone
// prints it.
std::string Printed(const Outcome& outcome, RequestKind kind, Form form)
{
    const bool json = form == Form::Json;
    if (kind == RequestKind::Replies && outcome.status == ExitStatus::Done)
        return json ? RepliesJson(outcome.replies) : RepliesText(outcome.replies);
    if (!outcome.shows) return "";
    return json ? RenderedJson(outcome.fields) : RenderedText(outcome.fields);
}

// Many projectors: each output line after its projector's address, and one
// JSON object keyed by address (its values, or its error and exit status).
std::string ShownForEach(const std::vector<Target>& targets, const std::vector<Outcome>& outcomes, RequestKind kind,
                         Form form)
{
    std::string out;
    if (form == Form::Json) {
        out = "{";
        for (std::size_t i = 0; i < targets.size(); ++i) {
            const Outcome& outcome = outcomes[i];
            std::string value;
            if (outcome.status == ExitStatus::Done) {
                value = Printed(outcome, kind, form);
                if (!value.empty()) value.pop_back();  // its line end
                if (value.empty()) value = "{}";
            } else {
                value = "{\"error\": " + JsonString(outcome.problem) +
                        ", \"exit\": " + std::to_string(ExitCode(outcome.status)) + "}";
            }
            out += (i > 0 ? ", " : "") + JsonString(targets[i].address.Text()) + ": " + value;
        }
        return out + "}\n";
    }
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const std::string lines = Printed(outcomes[i], kind, form);
        const std::string prefix = targets[i].address.Text() + ": ";
        for (std::size_t start = 0; start < lines.size();) {
            const std::size_t end = std::min(lines.find('\n', start), lines.size() - 1);
            out += prefix + lines.substr(start, end - start + 1);
            start = end + 1;
        }
    }
    return out;
}

std::string Metrics(const std::vector<Target>& targets, const std::vector<Outcome>& outcomes)
{
    std::vector<MetricsSource> sources;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const Outcome& outcome = outcomes[i];
        const bool up = outcome.shows;  // the session lasted to the end of the report
        sources.push_back({targets[i].address.Text(), targets[i].protocol, up, outcome.fields});
    }
    return PrometheusText(sources);
}

// The PJLink input codes of the console's source buttons.
PjlinkInputs InputsFrom(const Host& host)
{
    if (!host.pjlinkInputs) return {};
    std::vector<std::pair<std::string, std::string>> entries;
    for (const ValuePair& pair : host.pjlinkInputs()) entries.emplace_back(pair.key, pair.value);
    return PjlinkInputsFrom(entries);
}

}  // namespace

int RunBeamctl(const std::vector<std::string>& args, const Host& host, std::string& out, std::string& err)
{
    const ParsedOptions parsed = ParseOptions(args);
    if (parsed.error) return UsageFailure(err, *parsed.error);
    const Options& options = parsed.options;
    if (options.help) {
        out += HelpText();
        return ExitCode(ExitStatus::Done);
    }
    if (options.version) {
        out += VersionText();
        return ExitCode(ExitStatus::Done);
    }
    // A search has no projector of its own: nothing else applies to it.
    if (!options.words.empty() && IsDiscoverCommand(options.words.front()))
        return RunDiscover({options.words.begin() + 1, options.words.end()}, options.json, host, out, err);

    // The saved settings are read once, when first wanted.
    std::optional<std::optional<SavedProjector>> savedOnce;
    const SavedProjectorLookup saved = [&] {
        if (!savedOnce) savedOnce = host.savedProjector();
        return *savedOnce;
    };

    // Everything is checked before the first connection: the protocol first,
    // since the command's words are the protocol's, then the command, then
    // the projectors, then the command again for a protocol a file names.
    const auto protocol = ResolveProtocol(options, host.environment, saved);
    if (const auto* error = std::get_if<UsageError>(&protocol)) return UsageFailure(err, *error);
    SessionSettings settings;
    std::map<ProtocolId, std::variant<Request, UsageError>> requests;
    const auto requestFor = [&](ProtocolId id) -> const std::variant<Request, UsageError>& {
        auto found = requests.find(id);
        if (found != requests.end()) return found->second;
        SessionSettings buttons = settings;
        buttons.protocol = id;
        const std::unique_ptr<ProjectorSession> session = MakeSession(buttons);
        return requests.emplace(id, ParseRequest(options.words, id, *session, host.captionChannels)).first->second;
    };
    const ProtocolId runProtocol = std::get<ProtocolId>(protocol);
    bool inputsRead = false;
    const auto readInputs = [&](ProtocolId id) {
        if (id != ProtocolId::Pjlink || inputsRead) return;
        settings.pjlinkInputs = InputsFrom(host);
        inputsRead = true;
    };
    readInputs(runProtocol);
    const auto& runRequest = requestFor(runProtocol);
    const auto resolved = ResolveTargets(options, host.environment, saved);
    if (const auto* error = std::get_if<UsageError>(&runRequest)) return UsageFailure(err, *error);
    if (const auto* error = std::get_if<UsageError>(&resolved)) return UsageFailure(err, *error);
    const std::vector<Target>& targets = std::get<std::vector<Target>>(resolved);
    std::vector<const Request*> theirs;  // each projector's, in its protocol's words
    for (const Target& target : targets) {
        readInputs(target.protocol);
        const auto& request = requestFor(target.protocol);
        if (const auto* error = std::get_if<UsageError>(&request))
            return UsageFailure(err, {target.origin + ": " + target.address.Text() + " (" +
                                          std::string(ProtocolName(target.protocol)) + "): " + error->message,
                                      error->hint});
        theirs.push_back(&std::get<Request>(request));
    }
    const RequestKind kind = theirs.front()->kind;
    if (options.prometheus && kind != RequestKind::Status && kind != RequestKind::Info)
        return UsageFailure(err, {"--prometheus: only status and info give metrics",
                                  "Example: beamctl --prometheus info"});

    std::vector<Outcome> outcomes(targets.size());
    ForEachAtOnce(targets.size(), kMostAtOnce, [&](std::size_t i) {
        outcomes[i] = RunOne(targets[i], *theirs[i], settings, host);
    });

    const Form form = options.prometheus ? Form::Metrics : options.json ? Form::Json : Form::Lines;
    if (targets.size() == 1) {
        const Outcome& outcome = outcomes.front();
        out += form == Form::Metrics ? Metrics(targets, outcomes) : Printed(outcome, kind, form);
        if (outcome.status != ExitStatus::Done) return FailureLine(err, outcome.status, outcome.problem);
        return ExitCode(ExitStatus::Done);
    }
    out += form == Form::Metrics ? Metrics(targets, outcomes) : ShownForEach(targets, outcomes, kind, form);
    int status = ExitCode(ExitStatus::Done);
    for (std::size_t i = 0; i < targets.size(); ++i)
        if (outcomes[i].status != ExitStatus::Done)
            status = FailureLine(err, ExitStatus::SomeFailed, targets[i].address.Text() + ": " + outcomes[i].problem);
    return status;
}
