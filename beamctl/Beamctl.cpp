#include "Beamctl.h"

#include <optional>
#include <variant>

#include "ExitStatus.h"
#include "Options.h"
#include "Output.h"
#include "ProjectorClient.h"
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

// The items' values from their reply lines; an item answered ERR, or with no
// line of its own, has none.
int RunStatus(ProjectorClient& client, const Request& request, bool json, std::string& out, std::string& err)
{
    std::vector<Field> fields;
    std::optional<ClientResult> firstProblem;
    std::vector<std::string> replies;
    for (std::size_t i = 0; i < request.commands.size(); ++i) {
        const StatusItem& item = StatusItems()[i];
        ClientResult result = client.Run(request.commands[i], replies);
        if (result.status != ExitStatus::Done && result.status != ExitStatus::ProjectorError)
            return Fail(err, result.status, result.problem);  // the session is gone: nothing is printed
        std::optional<std::string> value;
        for (const std::string& line : replies)
            if (line.compare(0, item.replyStart.size(), item.replyStart) == 0) {
                value = line.substr(item.replyStart.size());
                break;
            }
        if (result.status == ExitStatus::Done && !value)
            result = {ExitStatus::ProjectorError, "the projector's reply to " + Shown(item.query) + " gave no value"};
        if (result.status != ExitStatus::Done) {
            value.reset();
            if (!firstProblem) firstProblem = result;
        }
        fields.push_back({std::string(item.name), value});
    }
    out += json ? FieldsJson(fields) : FieldsText(fields);
    if (firstProblem) return Fail(err, firstProblem->status, firstProblem->problem);
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

    // Everything is checked before the first connection.
    const auto request = ParseRequest(options.words, host.captionChannels);
    if (const auto* error = std::get_if<UsageError>(&request)) return UsageFailure(err, *error);
    const auto target = ResolveTarget(options, host.environment, host.savedProjector);
    if (const auto* error = std::get_if<UsageError>(&target)) return UsageFailure(err, *error);
    const Request& what = std::get<Request>(request);

    const std::unique_ptr<Transport> transport = host.makeTransport();
    if (!transport) return Fail(err, ExitStatus::NoAnswer, "the system's sockets cannot be used");
    ProjectorClient client(*transport, std::get<Target>(target));
    if (what.kind == RequestKind::Probe) return RunProbe(client, options.json, out, err);

    if (const ClientResult opened = client.Open(); opened.status != ExitStatus::Done)
        return Fail(err, opened.status, opened.problem);
    int status = ExitCode(ExitStatus::Done);
    if (what.kind == RequestKind::Status) {
        status = RunStatus(client, what, options.json, out, err);
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
