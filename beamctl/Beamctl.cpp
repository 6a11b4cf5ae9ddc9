#include "Beamctl.h"

#include <optional>
#include <variant>

#include "Discover.h"
#include "ExitStatus.h"
#include "Options.h"
#include "Output.h"
#include "ProjectorClient.h"
#include "Protocols.h"
#include "Request.h"
#include "Usage.h"

namespace {

int Fail(std::string& err, ExitStatus status, const std::string& problem)
{
    err += "beamctl: " + problem + "\n";
    return ExitCode(status);
}

int UsageFailure(std::string& err, const UsageError& error)
{
    err += "beamctl: " + error.message + "\n" + error.hint + "\n";
    return ExitCode(ExitStatus::Usage);
}

// The items' values from their reply lines; an item answered with an error,
// or with no line of its own, has none. Status fails on the first item
// without a value (once all are printed), unless the projector may lack it;
// info only when not one item has a value.
int RunReport(ProjectorClient& client, const Request& request, bool json, std::string& out, std::string& err)
{
    const bool everyItem = request.kind == RequestKind::Status;
    std::vector<RenderedField> fields;
    std::optional<ClientResult> firstProblem;
    bool anyValue = false;
    std::vector<std::string> replies;
    for (std::size_t i = 0; i < request.commands.size(); ++i) {
        const ReportItem& item = request.items[i];
        ClientResult result = client.Run(request.commands[i], replies);
        if (result.status != ExitStatus::Done && result.status != ExitStatus::ProjectorError)
            return Fail(err, result.status, result.problem);  // the session is gone: nothing is printed
        std::optional<Rendered> value = item.value(replies);
        if (result.status == ExitStatus::Done && !value)
            result = {ExitStatus::ProjectorError, "the projector's reply to " + Shown(item.query) + " gave no value"};
        if (result.status != ExitStatus::Done) {
            value.reset();
            if (!firstProblem && !(everyItem && item.mayLack)) firstProblem = result;
        }
        anyValue = anyValue || value.has_value();
        fields.push_back({std::string(item.name), value});
    }
    out += json ? RenderedJson(fields) : RenderedText(fields);
    if (firstProblem && (everyItem || !anyValue)) return Fail(err, firstProblem->status, firstProblem->problem);
    return ExitCode(ExitStatus::Done);
}

int RunProbe(ProjectorClient& client, bool json, std::string& out, std::string& err)
{
    ProbeAnswer answer;
    const ClientResult result = client.Probe(answer);
    std::vector<Field> fields{{"reachable", answer.reachable ? "yes" : "no"}};
    if (answer.reachable) fields.push_back({"password", answer.passwordRequired ? "required" : "none"});
    out += json ? FieldsJson(fields) : FieldsText(fields);
    if (result.status != ExitStatus::Done) return Fail(err, result.status, result.problem);
    return ExitCode(ExitStatus::Done);
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
    // since the command's words are the protocol's.
    const auto protocol = ResolveProtocol(options, host.environment, saved);
    if (const auto* error = std::get_if<UsageError>(&protocol)) return UsageFailure(err, *error);
    SessionSettings settings;
    settings.protocol = std::get<ProtocolId>(protocol);
    if (settings.protocol == ProtocolId::Pjlink) settings.pjlinkInputs = InputsFrom(host);
    const std::unique_ptr<ProjectorSession> session = MakeSession(settings);
    const auto request = ParseRequest(options.words, settings.protocol, *session, host.captionChannels);
    if (const auto* error = std::get_if<UsageError>(&request)) return UsageFailure(err, *error);
    const auto resolved = ResolveTarget(options, host.environment, saved);
    if (const auto* error = std::get_if<UsageError>(&resolved)) return UsageFailure(err, *error);
    const Request& what = std::get<Request>(request);
    const Target& target = std::get<Target>(resolved);
    settings.address = target.address.Text();
    settings.password = target.password;
    settings.commandTimeout = target.commandTimeout;
    session->Reconfigure(settings);

    const std::unique_ptr<Transport> transport = host.makeTransport();
    if (!transport) return Fail(err, ExitStatus::NoAnswer, "the system's sockets cannot be used");
    ProjectorClient client(*transport, target, *session);
    if (what.kind == RequestKind::Probe) return RunProbe(client, options.json, out, err);

    if (const ClientResult opened = client.Open(); opened.status != ExitStatus::Done)
        return Fail(err, opened.status, opened.problem);
    int status = ExitCode(ExitStatus::Done);
    if (what.kind == RequestKind::Status || what.kind == RequestKind::Info) {
        status = RunReport(client, what, options.json, out, err);
    } else {
        std::vector<std::string> replies;
        for (const Command& command : what.commands) {
            const ClientResult result = client.Run(command, replies);
            if (what.kind == RequestKind::Replies)
                out += options.json ? RepliesJson(replies) : RepliesText(replies);
            if (result.status != ExitStatus::Done) {
                status = Fail(err, result.status, result.problem);
                break;
            }
        }
    }
    client.Close();
    return status;
}
