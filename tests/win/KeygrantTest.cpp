// Keygrant, run as the installation runs it: a separate process whose whole
// answer is its exit status, checked against Wine's registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "TestFiles.h"

namespace {

constexpr DWORD kFailed = static_cast<DWORD>(-1);
constexpr const char* kParent = "Software\\BeamdeskKeygrantTest";

DWORD RunKeygrant(const std::string& arguments)
{
    std::string commandLine = std::string("\"").append(ExecutableFolder()).append("Keygrant.exe\"");
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "cannot start " << commandLine;
        return 0xDEAD;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xDEAD;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::vector<BYTE> KeySecurity(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS) return {};
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> descriptor(size);
    if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size) != ERROR_SUCCESS)
        descriptor.clear();
    RegCloseKey(key);
    return descriptor;
}

class KeygrantTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteRegTree(HKEY_LOCAL_MACHINE, kParent); }
    void TearDown() override { DeleteRegTree(HKEY_LOCAL_MACHINE, kParent); }
};

}  // namespace

TEST_F(KeygrantTest, WrongArgumentCountsFail)
{
    const std::string cases[] = {"", "Software\\BeamdeskKeygrantTest", "Software\\BeamdeskKeygrantTest Product Extra"};
    for (const std::string& arguments : cases) {
        EXPECT_EQ(RunKeygrant(arguments), kFailed) << "[" << arguments << "]";
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kParent)) << "[" << arguments << "]";
    }
}

TEST_F(KeygrantTest, CreatesParentAndSubkeyWithOneEveryoneEntry)
{
    ASSERT_EQ(RunKeygrant("Software\\BeamdeskKeygrantTest Product"), 0u);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kParent));

    std::vector<BYTE> descriptor = KeySecurity(std::string(kParent) + "\\Product");
    ASSERT_FALSE(descriptor.empty());
    BOOL present = FALSE, defaulted = TRUE;
    PACL acl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(acl, nullptr);
    ASSERT_EQ(acl->AceCount, 1);

    void* ace = nullptr;
    ASSERT_TRUE(GetAce(acl, 0, &ace));
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(allowed->Header.AceFlags, 0);
    EXPECT_EQ(allowed->Mask, 0xF003Fu);

    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    EXPECT_TRUE(EqualSid(reinterpret_cast<PSID>(&allowed->SidStart), everyone));
    FreeSid(everyone);
}

TEST_F(KeygrantTest, ExistingSubkeyKeepsItsAccessList)
{
    const std::string product = std::string(kParent) + "\\Product";
    WriteRegDword(HKEY_LOCAL_MACHINE, product.c_str(), "Marker", 7);
    const std::vector<BYTE> before = KeySecurity(product);
    ASSERT_FALSE(before.empty());

    EXPECT_EQ(RunKeygrant("Software\\BeamdeskKeygrantTest Product"), 0u);
    EXPECT_EQ(KeySecurity(product), before);
    EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, product.c_str(), "Marker").exists);
}

TEST_F(KeygrantTest, JoinedPathMustFitTheBuffer)
{
    // "Software\BeamdeskKeygrantTest" + "\" + subkey: 259 characters fit, 260 do not.
    const std::size_t room = 259 - std::string(kParent).size() - 1;
    const std::string fits(room, 's');
    const std::string tooLong(room + 1, 's');

    EXPECT_EQ(RunKeygrant(std::string(kParent) + " " + tooLong), kFailed);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, (std::string(kParent) + "\\" + tooLong).c_str()));

    EXPECT_EQ(RunKeygrant(std::string(kParent) + " " + fits), 0u);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, (std::string(kParent) + "\\" + fits).c_str()));
}
