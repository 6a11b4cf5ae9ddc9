// Where beamctl takes the projector's address and password from: options,
// then environment, then the console's saved settings, whose password goes
// only with its own address.
#include <gtest/gtest.h>

#include <map>

#include "Target.h"

namespace {

struct Sources {
    Options options;
    std::map<std::string, std::string> environment;
    std::optional<SavedProjector> saved;
};

std::variant<Target, UsageError> Resolve(const Sources& s)
{
    return ResolveTarget(
        s.options,
        [&](const char* name) -> std::optional<std::string> {
            const auto found = s.environment.find(name);
            if (found == s.environment.end()) return std::nullopt;
            return found->second;
        },
        [&] { return s.saved; });
}

Options WithProjector(std::optional<std::string> projector, std::optional<std::string> password = std::nullopt)
{
    Options options;
    options.projector = std::move(projector);
    options.password = std::move(password);
    return options;
}

}  // namespace

TEST(BeamctlTarget, OptionsThenEnvironmentThenSavedSettings)
{
    const SavedProjector saved{"10.0.0.9", "saved"};
    struct Case {
        const char* why;
        Sources sources;
        const char* address;
        const char* password;
    } const cases[] = {
        {"options win", {WithProjector("10.0.0.1", "opt"), {{"BEAMDESK_PROJECTOR", "10.0.0.2"}, {"BEAMDESK_PASSWORD", "env"}}, saved},
         "10.0.0.1", "opt"},
        {"environment next", {WithProjector(std::nullopt), {{"BEAMDESK_PROJECTOR", "10.0.0.2"}, {"BEAMDESK_PASSWORD", "env"}}, saved},
         "10.0.0.2", "env"},
        {"saved address with its password", {WithProjector(std::nullopt), {}, saved}, "10.0.0.9", "saved"},
        {"saved address, password given", {WithProjector(std::nullopt, ""), {}, saved}, "10.0.0.9", ""},
        {"saved address, password from the environment", {WithProjector(std::nullopt), {{"BEAMDESK_PASSWORD", "env"}}, saved},
         "10.0.0.9", "env"},
        {"another address never gets the saved password", {WithProjector("10.0.0.1"), {}, saved}, "10.0.0.1", ""},
        {"nor does one from the environment", {WithProjector(std::nullopt), {{"BEAMDESK_PROJECTOR", "10.0.0.2"}}, saved},
         "10.0.0.2", ""},
        {"leading zeros are decimal", {WithProjector("010.000.000.009"), {}, std::nullopt}, "10.0.0.9", ""},
    };
    for (const Case& c : cases) {
        const auto resolved = Resolve(c.sources);
        const Target* target = std::get_if<Target>(&resolved);
        ASSERT_NE(target, nullptr) << c.why << ": " << std::get<UsageError>(resolved).message;
        EXPECT_EQ(target->address.Text(), c.address) << c.why;
        EXPECT_EQ(target->password, c.password) << c.why;
    }
}

// The console's "no projector" is no address: a usage error, never a connect
// to 0.0.0.0 (which reaches this very machine).
TEST(BeamctlTarget, SavedSettingsWithoutAnAddressAreNoAddress)
{
    const auto resolved = Resolve({WithProjector(std::nullopt), {}, SavedProjector{"0.0.0.0", "saved"}});
    ASSERT_TRUE(std::holds_alternative<UsageError>(resolved));
    EXPECT_NE(std::get<UsageError>(resolved).message.find("no projector address"), std::string::npos);
}
