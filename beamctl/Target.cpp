#include "Target.h"

#include "AppSettings.h"
#include "ProgramIni.h"

namespace {

constexpr const char* kAddressHint = "Give the projector's address, e.g. --projector 192.168.1.20.";
constexpr const char* kSettingsOrigin = "Beamdesk's settings";

}  // namespace

std::variant<Target, UsageError> ResolveTarget(const Options& options, const EnvironmentLookup& environment,
                                               const SavedProjectorLookup& saved)
{
    std::optional<std::string> addressText = options.projector;
    std::string addressOrigin = "--projector";
    if (!addressText) {
        addressText = environment(kProjectorVariable);
        addressOrigin = kProjectorVariable;
    }
    std::optional<std::string> password = options.password;
    std::string passwordOrigin = "--password";
    if (!password) {
        password = environment(kPasswordVariable);
        passwordOrigin = kPasswordVariable;
    }
    // The console's "no projector" is no address at all here.
    std::optional<SavedProjector> settings;
    if (!addressText) settings = saved();
    if (settings && settings->address != "0.0.0.0") {
        addressText = settings->address;
        addressOrigin = kSettingsOrigin;
        if (!password) {
            password = settings->password;
            passwordOrigin = kSettingsOrigin;
        }
    }

    if (!addressText)
        return UsageError{std::string("no projector address: no --projector, no ") + kProjectorVariable +
                              ", and no address in Beamdesk's settings",
                          kAddressHint};
    const auto address = ParseIpv4Address(*addressText);
    if (!address)
        return UsageError{addressOrigin + ": '" + *addressText + "' is not an IPv4 address (four numbers 0-255)",
                          kAddressHint};
    if (address->IsUnset()) return UsageError{addressOrigin + ": 0.0.0.0 names no projector", kAddressHint};
    if (password && password->size() > kPasswordLength)
        return UsageError{passwordOrigin + ": the password has " + std::to_string(password->size()) +
                              " characters; a projector takes at most " + std::to_string(kPasswordLength),
                          "Give the monitor password as it is set on the projector."};

    return Target{*address, password.value_or(""),
                  std::chrono::milliseconds(options.timeoutMs.value_or(kDefaultCommandTimeoutMs))};
}
