#include "Target.h"

#include "AppSettings.h"
#include "PjlinkWire.h"
#include "ProgramIni.h"
#include "ProjectorList.h"

namespace {

constexpr const char* kSettingsOrigin = "Beamdesk's settings";

std::optional<UsageError> PasswordProblem(ProtocolId protocol, const std::string& password, const std::string& origin)
{
    if (protocol == ProtocolId::Pjlink) {
        if (password.size() > kPjlinkPasswordMax)
            return UsageError{origin + ": the PJLink password has " + std::to_string(password.size()) +
                                  " characters; a PJLink projector takes at most " + std::to_string(kPjlinkPasswordMax),
                              "Give the PJLink password as it is set on the projector."};
        if (!IsValidPjlinkPassword(password))
            return UsageError{origin + ": a PJLink password may hold only ASCII letters and digits",
                              "Give the PJLink password as it is set on the projector."};
        return std::nullopt;
    }
    if (password.size() > kPasswordLength)
        return UsageError{origin + ": the password has " + std::to_string(password.size()) +
                              " characters; a projector takes at most " + std::to_string(kPasswordLength),
                          "Give the monitor password as it is set on the projector."};
    return std::nullopt;
}

// An empty variable is as good as none: "BEAMDESK_PASSWORD= beamctl ..." and
// a variable cleared in a script mean "not set".
std::optional<std::string> Variable(const EnvironmentLookup& environment, const char* name)
{
    std::optional<std::string> value = environment(name);
    if (value && value->empty()) return std::nullopt;
    return value;
}

}  // namespace

// The console's choice counts whichever projector is named: it is the
// protocol this site's projectors speak. Its password does not.
std::variant<ProtocolId, UsageError> ResolveProtocol(const Options& options, const EnvironmentLookup& environment,
                                                     const SavedProjectorLookup& saved)
{
    std::optional<std::string> name = options.protocol;
    std::string origin = "--protocol";
    if (!name) {
        name = Variable(environment, kProtocolVariable);
        origin = kProtocolVariable;
    }
    if (!name) {
        const std::optional<SavedProjector> settings = saved();
        return settings ? settings->protocol : ProtocolId::Native;
    }
    if (const auto protocol = ProtocolByName(*name)) return *protocol;
    return UsageError{origin + ": '" + *name + "' is not a protocol (native or pjlink)",
                      "Example: --protocol pjlink talks PJLink on port 4352."};
}

std::variant<std::vector<Target>, UsageError> ResolveTargets(const Options& options,
                                                            const EnvironmentLookup& environment,
                                                            const SavedProjectorLookup& saved)
{
    const auto protocolOrError = ResolveProtocol(options, environment, saved);
    if (const auto* error = std::get_if<UsageError>(&protocolOrError)) return *error;
    const ProtocolId runProtocol = std::get<ProtocolId>(protocolOrError);

    std::optional<std::string> addressText = options.projector;
    std::string addressOrigin = "--projector";
    if (!addressText) {
        addressText = Variable(environment, kProjectorVariable);
        addressOrigin = kProjectorVariable;
    }
    std::optional<std::string> password = options.password;
    std::string passwordOrigin = "--password";
    if (!password) {
        password = Variable(environment, kPasswordVariable);
        passwordOrigin = kPasswordVariable;
    }
    // The console's "no projector" is no address at all here. Its password
    // goes with its own address only, taken from the settings with it.
    std::optional<SavedProjector> settings;
    if (!addressText) settings = saved();
    bool fromSettings = false;
    if (settings && settings->address != "0.0.0.0") {
        addressText = settings->address;
        addressOrigin = kSettingsOrigin;
        fromSettings = true;
    }
    if (!addressText)
        return UsageError{std::string("no projector address: no --projector, no ") + kProjectorVariable +
                              ", and no address in Beamdesk's settings",
                          kAddressHint};

    // (The saved address is dotted text: one address, never a list.)
    const auto listed = ParseProjectorList(*addressText, addressOrigin);
    if (const auto* error = std::get_if<UsageError>(&listed)) return *error;
    const auto& projectors = std::get<std::vector<ListedProjector>>(listed);

    std::vector<Target> targets;
    for (const ListedProjector& projector : projectors) {
        const ProtocolId protocol = projector.protocol.value_or(runProtocol);
        std::optional<std::string> its = password;
        std::string itsOrigin = passwordOrigin;
        if (fromSettings && !its) {
            its = protocol == ProtocolId::Pjlink ? settings->pjlinkPassword : settings->password;
            itsOrigin = kSettingsOrigin;
        }
        if (its)
            if (auto problem = PasswordProblem(protocol, *its, itsOrigin)) {
                // In a list: which projector's protocol it does not suit.
                if (projectors.size() > 1)
                    problem->message = projector.origin + ": " + projector.address.Text() + " (" +
                                       std::string(ProtocolName(protocol)) + "): " + problem->message;
                return *problem;
            }
        targets.push_back({projector.address, its.value_or(""),
                           std::chrono::milliseconds(options.timeoutMs.value_or(kDefaultCommandTimeoutMs)), protocol,
                           projector.origin});
    }
    return targets;
}
