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

std::variant<std::vector<Target>, UsageError> ResolveAll(const Sources& s)
{
    return ResolveTargets(
        s.options,
        [&](const char* name) -> std::optional<std::string> {
            const auto found = s.environment.find(name);
            if (found == s.environment.end()) return std::nullopt;
            return found->second;
        },
        [&] { return s.saved; });
}

// The one projector the sources name.
std::variant<Target, UsageError> Resolve(const Sources& s)
{
    auto resolved = ResolveAll(s);
    if (auto* error = std::get_if<UsageError>(&resolved)) return *error;
    const auto& targets = std::get<std::vector<Target>>(resolved);
    EXPECT_EQ(targets.size(), 1u);
    return targets.front();
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
        {"empty variables count as unset",
         {WithProjector(std::nullopt), {{"BEAMDESK_PROJECTOR", ""}, {"BEAMDESK_PASSWORD", ""}}, saved}, "10.0.0.9",
         "saved"},
        {"an empty --password is none", {WithProjector(std::nullopt, ""), {{"BEAMDESK_PASSWORD", "env"}}, saved},
         "10.0.0.9", ""},
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

// The protocol from --protocol, else BEAMDESK_PROTOCOL, else the console's
// choice (whichever projector is named), else native; the password is the
// chosen protocol's, and a saved one still goes only with the saved address.
TEST(BeamctlTarget, ProtocolAndItsPassword)
{
    const SavedProjector pjlinkSaved{"10.0.0.9", "native", ProtocolId::Pjlink, "pjlink"};
    const SavedProjector nativeSaved{"10.0.0.9", "native", ProtocolId::Native, "pjlink"};
    const auto withProtocol = [](std::optional<std::string> projector, std::optional<std::string> protocol) {
        Options options = WithProjector(std::move(projector));
        options.protocol = std::move(protocol);
        return options;
    };
    struct Case {
        const char* why;
        Sources sources;
        ProtocolId protocol;
        const char* password;
    } const cases[] = {
        {"nothing says: native", {WithProjector("10.0.0.1"), {}, std::nullopt}, ProtocolId::Native, ""},
        {"the console's choice", {WithProjector(std::nullopt), {}, pjlinkSaved}, ProtocolId::Pjlink, "pjlink"},
        {"the console's choice for another address, without its password",
         {WithProjector("10.0.0.1"), {}, pjlinkSaved}, ProtocolId::Pjlink, ""},
        {"the environment over the console", {WithProjector(std::nullopt), {{"BEAMDESK_PROTOCOL", "native"}}, pjlinkSaved},
         ProtocolId::Native, "native"},
        {"the option over the environment, any case",
         {withProtocol(std::nullopt, "PJLINK"), {{"BEAMDESK_PROTOCOL", "native"}}, nativeSaved}, ProtocolId::Pjlink,
         "pjlink"},
        {"an empty BEAMDESK_PROTOCOL counts as unset",
         {WithProjector(std::nullopt), {{"BEAMDESK_PROTOCOL", ""}}, pjlinkSaved}, ProtocolId::Pjlink, "pjlink"},
        {"32 letters and digits for PJLink",
         {WithProjector("10.0.0.1", std::string(32, '7')), {{"BEAMDESK_PROTOCOL", "pjlink"}}, std::nullopt},
         ProtocolId::Pjlink, "77777777777777777777777777777777"},
    };
    for (const Case& c : cases) {
        const auto resolved = Resolve(c.sources);
        const Target* target = std::get_if<Target>(&resolved);
        ASSERT_NE(target, nullptr) << c.why << ": " << std::get<UsageError>(resolved).message;
        EXPECT_EQ(target->protocol, c.protocol) << c.why;
        EXPECT_EQ(target->password, c.password) << c.why;
    }
}

TEST(BeamctlTarget, EachProtocolsPasswordRules)
{
    struct Case {
        const char* protocol;
        std::string password;
        const char* says;  // nothing: taken
    } const cases[] = {
        {"native", std::string(16, 'x'), nullptr},
        {"native", std::string(17, 'x'), "17 characters; a projector takes at most 16"},
        {"native", "with space", nullptr},
        {"pjlink", std::string(32, 'x'), nullptr},
        {"pjlink", std::string(33, 'x'), "33 characters; a PJLink projector takes at most 32"},
        {"pjlink", "with space", "only ASCII letters and digits"},
        {"pjlink", "caf\xC3\xA9", "only ASCII letters and digits"},
        {"pjlink", "", nullptr},  // none
    };
    for (const Case& c : cases) {
        Options options = WithProjector("10.0.0.1", c.password);
        options.protocol = c.protocol;
        const auto resolved = Resolve({options, {}, std::nullopt});
        const UsageError* error = std::get_if<UsageError>(&resolved);
        if (c.says == nullptr) {
            EXPECT_EQ(error, nullptr) << c.protocol << " " << c.password << ": " << error->message;
        } else {
            ASSERT_NE(error, nullptr) << c.protocol << " " << c.password;
            EXPECT_NE(error->message.find(c.says), std::string::npos) << error->message;
            EXPECT_EQ(error->message.find(c.password), std::string::npos) << "the password is never shown";
        }
    }
}
