// The setup program as an administrator meets it under Wine: silent and
// interactive installs into Program Files, the shortcuts, the uninstall entry,
// the settings key prepared by Keygrant, the refusals, and the uninstaller.
// Every test starts and ends without an installation.
#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CapturedRun.h"
#include "MessageCatalogue.h"
#include "ProgramHarness.h"
#include "SettingsStore.h"
#include "StartupRegistration.h"
#include "TestFiles.h"

namespace {

constexpr const char* kVersion = BEAMDESK_SETUP_VERSION;
constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Beamdesk";
constexpr const char* kVendorKey = "Software\\Varnholt";
constexpr const char* kSetupCaption = "Beamdesk Setup";
constexpr const char* kUninstallCaption = "Beamdesk Uninstall";
constexpr auto kRunLimit = 120s;

// The setup program's exit codes (see the top of installer/Beamdesk.nsi).
constexpr DWORD kDone = 0;
constexpr DWORD kAnsweredNo = 1;
constexpr DWORD kBeamdeskRunning = 4;
constexpr DWORD kNewerInstalled = 5;
constexpr DWORD kKeygrantFailed = 7;

constexpr const char* kTextOlderInstalled = "The previous version of Beamdesk is installed.\nDo you want to continue?";
constexpr const char* kTextSameInstalled = "The same version of Beamdesk is installed.\nDo you want to continue?";
constexpr const char* kTextNewerInstalled =
    "The currently installed version of Beamdesk is newer than the version you are trying to install.\n"
    "The current version of this application must be uninstalled before installing another version.";
constexpr const char* kTextRunning = "Beamdesk is running.\nExecute after closing this application.";
constexpr const char* kTextConfirmRemove =
    "Do you want to completely remove the selected application and all of its components?";

// ---------------------------------------------------------------------------
// Places

std::string KnownFolder(int csidl)
{
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::string(path) + "\\";
}

std::string InstallFolder() { return KnownFolder(CSIDL_PROGRAM_FILES) + "Beamdesk\\"; }
std::string InstalledProgram() { return InstallFolder() + "Beamdesk.exe"; }
std::string InstalledUninstaller() { return InstallFolder() + "Uninstall.exe"; }
std::string StartMenuShortcut() { return KnownFolder(CSIDL_COMMON_PROGRAMS) + "Beamdesk.lnk"; }
std::string DesktopShortcut() { return KnownFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "Beamdesk.lnk"; }

// Translations the installer was built with ("German|Japanese"), each
// installed as languages\<name>\Language.ini.
std::vector<std::string> InstalledTranslations()
{
    std::vector<std::string> files;
    std::string names = BEAMDESK_SETUP_LANGUAGES;
    for (std::size_t start = 0; start < names.size();) {
        std::size_t end = names.find('|', start);
        if (end == std::string::npos) end = names.size();
        if (end > start) files.push_back(InstallFolder() + "languages\\" + names.substr(start, end - start) + "\\Language.ini");
        start = end + 1;
    }
    return files;
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> ReadBytes(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes(GetFileSize(h, nullptr), '\0');
    DWORD read = 0;
    ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(h);
    bytes.resize(read);
    return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

FILETIME LastWrite(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(folder + name + "\\");
            else {
                SetFileAttributesA((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA((folder + name).c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// The target a shell link points at, or "" when it cannot be read.
std::string ShortcutTarget(const std::string& path)
{
    std::string target;
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            const std::wstring wide(path.begin(), path.end());
            char buffer[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH)))
                target = buffer;
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return target;
}

std::string IniString(const std::string& file, const char* section, const char* key)
{
    char value[256] = {};
    GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, file.c_str());
    return value;
}

std::string RegString(HKEY root, const char* key, const char* name)
{
    const RegValue v = ReadRegValue(root, key, name);
    if (!v.exists || v.type != REG_SZ) return "<none>";
    return std::string(v.data.c_str());
}

std::optional<DWORD> RegDword(HKEY root, const char* key, const char* name)
{
    const RegValue v = ReadRegValue(root, key, name);
    if (!v.exists || v.type != REG_DWORD || v.data.size() != 4) return std::nullopt;
    return *reinterpret_cast<const DWORD*>(v.data.data());
}

// True when the access list of HKLM\path holds exactly one entry: Everyone,
// allowed KEY_ALL_ACCESS, not inherited.
::testing::AssertionResult EveryoneHasFullAccessOnly(const char* path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL, &key) != ERROR_SUCCESS)
        return ::testing::AssertionFailure() << "cannot open " << path;
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> descriptor(size);
    const LONG status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return ::testing::AssertionFailure() << "no security descriptor";

    BOOL present = FALSE, defaulted = TRUE;
    PACL acl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted) || !present || acl == nullptr)
        return ::testing::AssertionFailure() << "no access list";
    if (acl->AceCount != 1) return ::testing::AssertionFailure() << acl->AceCount << " entries";
    void* ace = nullptr;
    GetAce(acl, 0, &ace);
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    const bool isEveryone = EqualSid(reinterpret_cast<PSID>(&allowed->SidStart), everyone);
    FreeSid(everyone);
    if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || allowed->Header.AceFlags != 0 || !isEveryone ||
        allowed->Mask != 0xF003F)
        return ::testing::AssertionFailure() << "entry type " << int(allowed->Header.AceType) << " flags "
                                             << int(allowed->Header.AceFlags) << " mask " << std::hex
                                             << allowed->Mask << (isEveryone ? " Everyone" : " another account");
    return ::testing::AssertionSuccess();
}

bool BeamdeskRunning()
{
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Global\\BMDSK_Mutex");
    if (mutex == nullptr) return false;
    CloseHandle(mutex);
    return true;
}

// ---------------------------------------------------------------------------
// Setup and uninstaller processes

// Under Wine, saving a shell link also starts winemenubuilder, which writes
// menu entries and icons into the desktop files of the account running the
// tests. It is switched off while these tests run; the loader reads the
// switch from the prefix's registry, not from a Windows environment block.
class MenuBuilderOff {
public:
    MenuBuilderOff() : m_before(ReadRegValue(HKEY_CURRENT_USER, kKey, kName))
    {
        WriteRegValue(HKEY_CURRENT_USER, kKey, kName, REG_SZ, std::string(1, '\0'));
    }
    ~MenuBuilderOff()
    {
        if (m_before.exists) {
            WriteRegValue(HKEY_CURRENT_USER, kKey, kName, m_before.type, m_before.data);
        } else {
            HKEY key;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                RegDeleteValueA(key, kName);
                RegCloseKey(key);
            }
        }
    }
    MenuBuilderOff(const MenuBuilderOff&) = delete;
    MenuBuilderOff& operator=(const MenuBuilderOff&) = delete;

private:
    static constexpr const char* kKey = "Software\\Wine\\DllOverrides";
    static constexpr const char* kName = "winemenubuilder.exe";
    RegValue m_before;
};

BOOL CALLBACK CollectBoxes(HWND hwnd, LPARAM param)
{
    auto* found = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == found->first && IsWindowVisible(hwnd) && std::string(cls) == "#32770" &&
        GetDlgItem(hwnd, 0xFFFF) != nullptr)
        found->second.push_back(hwnd);
    return TRUE;
}

class SetupProcess {
public:
    explicit SetupProcess(std::string commandLine)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &m_process))
            ADD_FAILURE() << "cannot start " << commandLine << " (error " << GetLastError() << ")";
    }
    ~SetupProcess()
    {
        if (m_process.hProcess == nullptr) return;
        if (WaitForSingleObject(m_process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(m_process.hProcess, 0xDEAD);
            WaitForSingleObject(m_process.hProcess, 10000);
        }
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    SetupProcess(const SetupProcess&) = delete;
    SetupProcess& operator=(const SetupProcess&) = delete;

    // The exit code, or STILL_ACTIVE on time-out.
    DWORD Wait()
    {
        if (m_process.hProcess == nullptr) return 0xDEAD;
        WaitForSingleObject(m_process.hProcess, static_cast<DWORD>(std::chrono::milliseconds(kRunLimit).count()));
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(m_process.hProcess, &code);
        return code;
    }

    // Waits for exactly one message box of the process; empty on time-out.
    Prompt WaitForPrompt()
    {
        Prompt prompt;
        WaitFor(
            [&] {
                std::pair<DWORD, std::vector<HWND>> found{m_process.dwProcessId, {}};
                EnumWindows(&CollectBoxes, reinterpret_cast<LPARAM>(&found));
                if (found.second.size() != 1) return false;
                HWND box = found.second.front();
                prompt = {box, ControlText(box, 0xFFFF), WindowText(box), GetWindow(box, GW_OWNER)};
                return true;
            },
            kRunLimit);
        return prompt;
    }

private:
    PROCESS_INFORMATION m_process{};
};

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string SetupCommand(const std::string& arguments)
{
    return Quoted(ExecutableFolder() + BEAMDESK_SETUP_NAME) + (arguments.empty() ? "" : " " + arguments);
}

// The uninstaller, run the way it runs itself: from a copy outside the
// installation folder, told the folder with _?= (last, unquoted), so that it
// can remove its own file and the process ends only when the work is done.
class UninstallerCopy {
public:
    UninstallerCopy() { CopyFileA(InstalledUninstaller().c_str(), (m_folder.path() + "Uninstall.exe").c_str(), FALSE); }
    std::string Command(const std::string& arguments) const
    {
        std::string folder = InstallFolder();
        folder.pop_back();
        return Quoted(m_folder.path() + "Uninstall.exe") + (arguments.empty() ? "" : " " + arguments) +
               " _?=" + folder;
    }

private:
    ScratchFolder m_folder;
};

DWORD RunSilentSetup() { return SetupProcess(SetupCommand("/S")).Wait(); }

DWORD RunSilentUninstaller()
{
    UninstallerCopy copy;
    return SetupProcess(copy.Command("/S")).Wait();
}

void CloseProgram(RunningProgram& program)
{
    if (program.Console() != nullptr) PostMessageA(program.Console(), WM_CLOSE, 0, 0);
    EXPECT_NE(program.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
}

// ---------------------------------------------------------------------------

// Removes the vendor key when nothing is left in it (a volatile one left by a
// test would make every later settings key fail).
void RemoveEmptyVendorKey()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVendorKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    if (subkeys == 0 && values == 0) RegDeleteKeyA(HKEY_LOCAL_MACHINE, kVendorKey);
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Another suite's Beamdesk still closing would make setup refuse.
        ASSERT_TRUE(WaitFor([] { return !BeamdeskRunning(); }, kRunLimit)) << "Beamdesk keeps running";
        RemoveInstallation();
        ASSERT_FALSE(FolderExists(InstallFolder()));
    }
    void TearDown() override { RemoveInstallation(); }

    MenuBuilderOff m_menuBuilderOff;

    static void RemoveInstallation()
    {
        if (FileExists(InstalledUninstaller())) RunSilentUninstaller();
        RemoveTree(InstallFolder());
        DeleteFileA(StartMenuShortcut().c_str());
        DeleteFileA(DesktopShortcut().c_str());
        DeleteRegTree(HKEY_LOCAL_MACHINE, kUninstallKey);
        ClearProgramRegistry();
        RemoveEmptyVendorKey();
        SetReportedWindowsVersion("");
    }

    // Makes the uninstall entry claim an installed version, without files.
    static void PretendInstalled(const std::string& version)
    {
        WriteRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", REG_SZ, version + std::string(1, '\0'));
    }
};

}  // namespace

TEST_F(InstallerTest, SilentInstallPutsEverythingInPlace)
{
    ASSERT_EQ(RunSilentSetup(), kDone);

    // The program, byte for byte, and the default program INI.
    EXPECT_EQ(ReadBytes(InstalledProgram()), ReadBytes(ExecutableFolder() + "Beamdesk.exe"));
    // The command-line client beside it, and it runs from there.
    EXPECT_EQ(ReadBytes(InstallFolder() + "beamctl.exe"), ReadBytes(ExecutableFolder() + "beamctl.exe"));
    const CapturedRun beamctl = RunCaptured(InstallFolder() + "beamctl.exe", "--version");
    EXPECT_EQ(beamctl.exitCode, 0u) << beamctl.err;
    EXPECT_NE(beamctl.out.find(kVersion), std::string::npos) << beamctl.out;
    const std::string ini = InstallFolder() + "Beamdesk.ini";
    ASSERT_TRUE(FileExists(ini));
    struct IniEntry {
        const char* section;
        const char* key;
        const char* value;
    };
    const IniEntry entries[] = {
        {"VALUE", "OFF", "00"}, {"VALUE", "CC1", "11"}, {"VALUE", "CC2", "12"}, {"TIMEOUT", "CMDTimeout", "10000"}};
    for (const IniEntry& e : entries) EXPECT_EQ(IniString(ini, e.section, e.key), e.value) << e.section << "/" << e.key;
    EXPECT_FALSE(FileExists(InstallFolder() + "Language.ini")) << "the language beside the program is the user's";
    for (const std::string& translation : InstalledTranslations()) EXPECT_TRUE(FileExists(translation)) << translation;
    EXPECT_TRUE(FileExists(InstalledUninstaller()));

    // Both shortcuts start the installed program.
    for (const std::string& shortcut : {StartMenuShortcut(), DesktopShortcut()}) {
        ASSERT_TRUE(FileExists(shortcut)) << shortcut;
        EXPECT_EQ(ShortcutTarget(shortcut), InstalledProgram()) << shortcut;
    }

    // The entry in the installed-programs list.
    std::string folder = InstallFolder();
    folder.pop_back();
    struct StringValue {
        const char* name;
        std::string expected;
    };
    const StringValue strings[] = {
        {"DisplayName", "Beamdesk"},
        {"DisplayVersion", kVersion},
        {"Publisher", "Varnholt"},
        {"DisplayIcon", InstalledProgram() + ",0"},
        {"InstallLocation", folder},
        {"UninstallString", Quoted(InstalledUninstaller())},
        {"QuietUninstallString", Quoted(InstalledUninstaller()) + " /S"},
    };
    for (const StringValue& s : strings) EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kUninstallKey, s.name), s.expected) << s.name;
    EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify"), 1u);
    EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoRepair"), 1u);
    const std::optional<DWORD> sizeKb = RegDword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize");
    ASSERT_TRUE(sizeKb.has_value());
    EXPECT_GE(*sizeKb, ReadBytes(InstalledProgram()).value_or("").size() / 1024);

    // The settings key, writable by every user; nothing else in it yet.
    ASSERT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kSettingsKeyPath));
    EXPECT_TRUE(EveryoneHasFullAccessOnly(kSettingsKeyPath));
}

TEST_F(InstallerTest, InstalledProgramStartsAndCloses)
{
    ASSERT_EQ(RunSilentSetup(), kDone);
    RunningProgram program(InstalledProgram());
    ASSERT_NE(program.WaitForConsole(), nullptr);
    EXPECT_TRUE(program.Prompts().empty());
    CloseProgram(program);
    // It saved its settings into the key the installation prepared.
    EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "Mode").exists);
    EXPECT_TRUE(EveryoneHasFullAccessOnly(kSettingsKeyPath));
}

TEST_F(InstallerTest, ReinstallKeepsTheUsersIniFilesAndSettings)
{
    ASSERT_EQ(RunSilentSetup(), kDone);
    const std::string userIni = "[VALUE]\r\nOFF=00\r\nCC3=13\r\n[TIMEOUT]\r\nCMDTimeout=2500\r\n";
    const std::string userLanguage = "[MESSAGE]\r\n35=Beamer\r\n";
    WriteBytes(InstallFolder() + "Beamdesk.ini", userIni);
    WriteBytes(InstallFolder() + "Language.ini", userLanguage);
    WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "Mode", 0);
    // The program itself is replaced: make the installed copy stale.
    WriteBytes(InstalledProgram(), "stale");

    ASSERT_EQ(RunSilentSetup(), kDone);
    EXPECT_EQ(ReadBytes(InstallFolder() + "Beamdesk.ini"), userIni);
    EXPECT_EQ(ReadBytes(InstallFolder() + "Language.ini"), userLanguage);
    EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "Mode"), 0u);
    EXPECT_TRUE(EveryoneHasFullAccessOnly(kSettingsKeyPath));
    EXPECT_EQ(ReadBytes(InstalledProgram()), ReadBytes(ExecutableFolder() + "Beamdesk.exe"));
}

// Silent mode answers Yes to "continue?" and stops on a newer installation.
// Versions compare number by number, not as text.
TEST_F(InstallerTest, InstalledVersionDecidesInSilentMode)
{
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(kVersion, "%u.%u.%u", &major, &minor, &patch), 3);
    auto join = [](unsigned a, unsigned b, unsigned c) {
        return std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c);
    };
    struct Case {
        std::string installed;
        DWORD exitCode;
    };
    std::vector<Case> cases = {
        {kVersion, kDone},
        {join(major, minor, patch + 1), kNewerInstalled},
        {join(major, minor + 1, 0), kNewerInstalled},
        {join(major + 1, 0, 0), kNewerInstalled},
        {join(major, minor, patch) + ".1", kNewerInstalled},
        {join(major, minor, patch + 10), kNewerInstalled},
    };
    if (patch > 0) cases.push_back({join(major, minor, patch - 1), kDone});
    if (minor > 0) cases.push_back({join(major, minor - 1, patch + 99), kDone});
    if (major > 0) cases.push_back({join(major - 1, minor + 99, patch + 99), kDone});

    for (const Case& c : cases) {
        RemoveInstallation();
        PretendInstalled(c.installed);
        EXPECT_EQ(RunSilentSetup(), c.exitCode) << c.installed;
        const bool installed = c.exitCode == kDone;
        EXPECT_EQ(FileExists(InstalledProgram()), installed) << c.installed;
        EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), installed ? kVersion : c.installed)
            << c.installed;
        EXPECT_EQ(RegKeyExists(HKEY_LOCAL_MACHINE, kSettingsKeyPath), installed) << c.installed;
    }
}

// The texts and captions of the interactive refusals and questions, and that
// stopping there leaves nothing behind.
TEST_F(InstallerTest, InteractiveQuestionsAndRefusals)
{
    struct Case {
        const char* what;
        std::string installed;  // "" = no uninstall entry
        bool beamdeskRunning;
        const char* text;
        int answer;
        DWORD exitCode;
    };
    const Case cases[] = {
        {"older installed, No", "0.0.0", false, kTextOlderInstalled, IDNO, kAnsweredNo},
        {"same installed, No", kVersion, false, kTextSameInstalled, IDNO, kAnsweredNo},
        {"newer installed", "999.0.0", false, kTextNewerInstalled, IDOK, kNewerInstalled},
        {"Beamdesk running", "", true, kTextRunning, IDOK, kBeamdeskRunning},
    };
    for (const Case& c : cases) {
        RemoveInstallation();
        if (!c.installed.empty()) PretendInstalled(c.installed);
        std::unique_ptr<ProgramFolder> folder;
        std::unique_ptr<RunningProgram> program;
        if (c.beamdeskRunning) {
            folder = std::make_unique<ProgramFolder>();
            program = std::make_unique<RunningProgram>(folder->Executable());
            ASSERT_NE(program->WaitForConsole(), nullptr) << c.what;
        }

        SetupProcess setup(SetupCommand(""));
        const Prompt prompt = setup.WaitForPrompt();
        EXPECT_EQ(prompt.text, c.text) << c.what;
        EXPECT_EQ(prompt.caption, kSetupCaption) << c.what;
        if (prompt.hwnd != nullptr) PostMessageA(prompt.hwnd, WM_COMMAND, c.answer, 0);
        EXPECT_EQ(setup.Wait(), c.exitCode) << c.what;

        EXPECT_FALSE(FolderExists(InstallFolder())) << c.what;
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kSettingsKeyPath)) << c.what;
        EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"),
                  c.installed.empty() ? "<none>" : c.installed)
            << c.what;
        if (program) CloseProgram(*program);
        ClearProgramRegistry();
    }
}

TEST_F(InstallerTest, UninstallerAsksFirst)
{
    ASSERT_EQ(RunSilentSetup(), kDone);
    UninstallerCopy copy;
    SetupProcess uninstaller(copy.Command(""));
    const Prompt prompt = uninstaller.WaitForPrompt();
    EXPECT_EQ(prompt.text, kTextConfirmRemove);
    EXPECT_EQ(prompt.caption, kUninstallCaption);
    if (prompt.hwnd != nullptr) PostMessageA(prompt.hwnd, WM_COMMAND, IDNO, 0);
    EXPECT_EQ(uninstaller.Wait(), kAnsweredNo);
    EXPECT_TRUE(FileExists(InstalledProgram()));
    EXPECT_TRUE(FileExists(StartMenuShortcut()));
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), kVersion);
}

// Neither setup nor the uninstaller touches anything while the installed
// program runs.
TEST_F(InstallerTest, SilentSetupAndUninstallerRefuseWhileBeamdeskRuns)
{
    ASSERT_EQ(RunSilentSetup(), kDone);
    // Marks that a new run would undo: a removed shortcut, a changed entry.
    ASSERT_TRUE(DeleteFileA(StartMenuShortcut().c_str()));
    WriteRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", REG_SZ, std::string("marker", 7));
    const FILETIME programTime = LastWrite(InstalledProgram());
    const std::optional<std::string> ini = ReadBytes(InstallFolder() + "Beamdesk.ini");

    RunningProgram program(InstalledProgram());
    ASSERT_NE(program.WaitForConsole(), nullptr);

    EXPECT_EQ(RunSilentSetup(), kBeamdeskRunning);
    EXPECT_EQ(RunSilentUninstaller(), kBeamdeskRunning);

    EXPECT_TRUE(SameTime(LastWrite(InstalledProgram()), programTime));
    EXPECT_EQ(ReadBytes(InstallFolder() + "Beamdesk.ini"), ini);
    EXPECT_TRUE(FileExists(InstalledUninstaller()));
    EXPECT_TRUE(FileExists(DesktopShortcut()));
    EXPECT_FALSE(FileExists(StartMenuShortcut()));
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "marker");
    CloseProgram(program);
}

// The uninstaller removes the program, its INI files, the translations, the
// shortcuts and the entry; the folder only when the user left nothing else in
// it. The settings key and the Run value stay for a later installation.
TEST_F(InstallerTest, SilentUninstallRemovesTheProgramAndKeepsTheSettings)
{
    struct Case {
        const char* what;
        const char* userFile;  // another file the user put into the folder, or null
    };
    const Case cases[] = {{"nothing added", nullptr}, {"a file of the user's", "notes.txt"}};
    for (const Case& c : cases) {
        RemoveInstallation();
        ASSERT_EQ(RunSilentSetup(), kDone) << c.what;
        WriteBytes(InstallFolder() + "Language.ini", "[MESSAGE]\r\n35=Beamer\r\n");
        if (c.userFile != nullptr) WriteBytes(InstallFolder() + c.userFile, "mine");
        WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "Mode", 0);
        WriteRegValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, REG_SZ, Quoted(InstalledProgram()) + '\0');

        ASSERT_EQ(RunSilentUninstaller(), kDone) << c.what;

        for (const char* name : {"Beamdesk.exe", "beamctl.exe", "Beamdesk.ini", "Language.ini", "Uninstall.exe"})
            EXPECT_FALSE(FileExists(InstallFolder() + name)) << c.what << ": " << name;
        for (const std::string& translation : InstalledTranslations())
            EXPECT_FALSE(FileExists(translation)) << c.what << ": " << translation;
        EXPECT_FALSE(FolderExists(InstallFolder() + "languages")) << c.what;
        if (c.userFile != nullptr) {
            EXPECT_EQ(ReadBytes(InstallFolder() + c.userFile), "mine") << c.what;
        } else {
            EXPECT_FALSE(FolderExists(InstallFolder())) << c.what;
        }
        EXPECT_FALSE(FileExists(StartMenuShortcut())) << c.what;
        EXPECT_FALSE(FileExists(DesktopShortcut())) << c.what;
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << c.what;

        EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "Mode"), 0u) << c.what;
        EXPECT_TRUE(EveryoneHasFullAccessOnly(kSettingsKeyPath)) << c.what;
        EXPECT_TRUE(ReadRegValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName).exists) << c.what;
    }
}

// A settings key that cannot be prepared is reported by the exit code; the
// rest of the installation is done. A volatile vendor key makes Keygrant fail:
// a key kept on disk cannot be created under it.
TEST_F(InstallerTest, KeygrantFailureIsReportedInSilentMode)
{
    DeleteRegTree(HKEY_LOCAL_MACHINE, kVendorKey);
    HKEY vendor;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kVendorKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &vendor, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(vendor);

    EXPECT_EQ(RunSilentSetup(), kKeygrantFailed);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kSettingsKeyPath));
    EXPECT_TRUE(FileExists(InstalledProgram()));
    EXPECT_TRUE(FileExists(DesktopShortcut()));
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), kVersion);

    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kVendorKey);
}

namespace {

// The four numbers of a program's version resource, "a.b.c.d".
std::string FileVersionOf(const std::string& path)
{
    DWORD ignored = 0;
    std::string block(GetFileVersionInfoSizeA(path.c_str(), &ignored), '\0');
    VS_FIXEDFILEINFO* info = nullptr;
    UINT size = 0;
    if (block.empty() || !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &size))
        return "";
    char text[64];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", info->dwProductVersionMS >> 16,
                  info->dwProductVersionMS & 0xFFFF, info->dwProductVersionLS >> 16, info->dwProductVersionLS & 0xFFFF);
    return text;
}

// The version in the program's own manifest (its assemblyIdentity).
std::string ManifestVersionOf(const std::string& path)
{
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return "";
    std::string manifest;
    if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); found != nullptr)
        manifest.assign(static_cast<const char*>(LockResource(LoadResource(module, found))), SizeofResource(module, found));
    FreeLibrary(module);
    const std::size_t identity = manifest.find("<assemblyIdentity");
    const std::size_t start = manifest.find("version=\"", identity);
    if (identity == std::string::npos || start == std::string::npos) return "";
    return manifest.substr(start + 9, manifest.find('"', start + 9) - start - 9);
}

}  // namespace

// One version reaches the setup program, the program's version resource and
// manifest, and the title its catalogue shows.
TEST(SetupVersion, OneVersionEverywhere)
{
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(kVersion, "%u.%u.%u", &major, &minor, &patch), 3);
    const std::string full = std::string(kVersion) + ".0";
    const std::string program = ExecutableFolder() + "Beamdesk.exe";
    EXPECT_EQ(FileVersionOf(ExecutableFolder() + BEAMDESK_SETUP_NAME), full);
    EXPECT_EQ(FileVersionOf(program), full);
    EXPECT_EQ(ManifestVersionOf(program), full);
    char title[64];
    std::snprintf(title, sizeof title, "Beamdesk V%u.%02u", major, minor);
    MessageCatalogue catalogue;
    catalogue.LoadMessageDefaults();
    for (unsigned id : {35u, 73u, 75u}) EXPECT_EQ(catalogue.GetMessageText(id), title) << id;
}
