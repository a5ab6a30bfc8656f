// The co-installer DLL, loaded and called the way device installation does.
// It writes to HKLM and to the system drive of the throwaway prefix; every test
// starts and ends with those places cleared.
#include "support/TestSupport.h"

#include <windows.h>
#include <aclapi.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

using CoDeviceInstallProc = DWORD(CALLBACK*)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA,
                                             PCOINSTALLER_CONTEXT_DATA);

const char kWmiKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\SkyrailService\\Norvik_WMI::SkrSettings_impl\\Default";
const char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\SkyrailService\\SkrServiceSettings";
const char kServiceRoot[] = "SYSTEM\\CurrentControlSet\\Services\\SkyrailService";
const char kMutexName[] = "Global\\SKR-{A3C95E12-7B40-4D8E-B6F1-2E9D04C7A583}";

const wchar_t kSkyrailFolder[] = L"C:\\Norvik";
const wchar_t kPackage[] = L"C:\\Norvik\\Skyrail\\setup.msi";
const wchar_t kDefaultLog[] = L"C:\\Norvik\\Logs\\NorvikSKRCoin.log";

const char kRemoveLine[] = "msiexec.exe /x {6B1D2F40-3C85-4E7A-9D21-5A0C7E3F9B64} /qn NO_DRIVERS=TRUE";
const char kInstallLine[] =
    "msiexec.exe /i C:\\Norvik\\Skyrail\\setup.msi /qn NO_DRIVERS=TRUE /l*v skr_log.txt";

using Lines = std::vector<std::string>;

// Every line must end in CRLF; no text may follow the last one.
Lines SplitLines(const std::string& text)
{
    Lines lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return lines;
}

// ">>> M/DD/YYYY HH:MM:SS:mmm" for today.
void ExpectHeader(const std::string& line)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string date = ">>> " + std::to_string(now.wMonth) + "/" + (now.wDay < 10 ? "0" : "") +
                       std::to_string(now.wDay) + "/" + std::to_string(now.wYear) + " ";
    ASSERT_EQ(line.substr(0, date.size()), date) << line;
    std::string time = line.substr(date.size());
    ASSERT_EQ(time.size(), 12u) << line;
    for (size_t i = 0; i < time.size(); ++i) {
        if (i == 2 || i == 5 || i == 8)
            EXPECT_EQ(time[i], ':') << line;
        else
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(time[i]))) << line;
    }
}

// The log after its header line, which is checked.
Lines Body(const std::wstring& logFile)
{
    EXPECT_TRUE(FileExists(logFile)) << Narrow(logFile);
    Lines lines = SplitLines(ReadBytes(logFile));
    if (lines.empty()) {
        ADD_FAILURE() << "empty log";
        return lines;
    }
    ExpectHeader(lines[0]);
    return Lines(lines.begin() + 1, lines.end());
}

// What one successful post-processing pass logs after its header.
Lines SuccessfulPass(const std::string& installLine, const Lines& registryLines = {}, int removeExit = 0,
                     int installExit = 0)
{
    Lines lines{"SKR Coinstaller (15.3.39.1) I"};
    lines.insert(lines.end(), registryLines.begin(), registryLines.end());
    Lines rest{std::string("  Remove previous installer: ") + kRemoveLine,
               "  Uninstaller launched successfully",
               "  Uninstaller exit code: " + std::to_string(removeExit),
               "  Launching installer: " + installLine,
               "  Installer launched successfully",
               "  Installer exit code: " + std::to_string(installExit),
               "*Exiting*"};
    lines.insert(lines.end(), rest.begin(), rest.end());
    return lines;
}

HKEY CreateKey(const char* path, REGSAM view = 0)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                              nullptr);
    EXPECT_EQ(rc, ERROR_SUCCESS) << path;
    return key;
}

void SetValue(const char* path, const char* name, DWORD type, const void* data, DWORD size, REGSAM view = 0)
{
    HKEY key = CreateKey(path, view);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS)
        << name;
    RegCloseKey(key);
}

void SetDword(const char* path, const char* name, DWORD value)
{
    SetValue(path, name, REG_DWORD, &value, sizeof(value));
}

// "LogPath" lives in the 32-bit registry view.
void SetLogPath(DWORD type, const void* data, DWORD size)
{
    SetValue("Software\\Norvik", "LogPath", type, data, size, KEY_WOW64_32KEY);
}

void SetLogPath(const std::string& folder)
{
    SetLogPath(REG_SZ, folder.c_str(), static_cast<DWORD>(folder.size() + 1));
}

bool LogPathPresent()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Norvik", 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegQueryValueExA(key, "LogPath", nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

void DeleteTree(HKEY parent, const char* subkey, REGSAM view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, subkey, 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS)
        return;
    RegDeleteTreeA(key, nullptr);
    RegCloseKey(key);
    RegDeleteKeyExA(parent, subkey, view, 0);
}

// Everything the co-installer or a test may have left in the prefix.
void ClearPrefix()
{
    DeleteTree(HKEY_LOCAL_MACHINE,
               "SYSTEM\\CurrentControlSet\\Services\\SkyrailService\\Norvik_WMI::SkrSettings_impl\\Default",
               0);
    DeleteTree(HKEY_LOCAL_MACHINE,
               "SYSTEM\\CurrentControlSet\\Services\\SkyrailService\\Norvik_WMI::SkrSettings_impl", 0);
    DeleteTree(HKEY_LOCAL_MACHINE, kServiceKey, 0);
    DeleteTree(HKEY_LOCAL_MACHINE, kServiceRoot, 0);
    DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Norvik", KEY_WOW64_32KEY);
    DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Norvik", KEY_WOW64_64KEY);
    RemoveTree(kSkyrailFolder);
}

class CoInstallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char windows[MAX_PATH];
        ASSERT_GT(GetSystemWindowsDirectoryA(windows, MAX_PATH), 2u);
        ASSERT_EQ(toupper(windows[0]), 'C') << "the expected texts assume system drive C:";

        ClearPrefix();
        ASSERT_FALSE(DirExists(kSkyrailFolder));
        SetEnvironmentVariableW(L"MSIEXEC_STANDIN_JOURNAL", (m_temp / L"journal.txt").c_str());
        SetEnvironmentVariableW(L"MSIEXEC_STANDIN_EXIT", nullptr);
        SetEnvironmentVariableW(L"MSIEXEC_STANDIN_EXIT_I", nullptr);
        SetEnvironmentVariableW(L"MSIEXEC_STANDIN_EXIT_X", nullptr);
        SetEnvironmentVariableW(L"SKRCOINX_TEST_MSIEXEC", (TestProgramFolder() + L"msiexec.exe").c_str());
        Load();
        m_devices = SetupDiCreateDeviceInfoList(nullptr, nullptr);
        ASSERT_NE(m_devices, INVALID_HANDLE_VALUE);
        m_device.cbSize = sizeof(m_device);
    }

    void TearDown() override
    {
        Unload();
        if (m_devices != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(m_devices);
        SetEnvironmentVariableW(L"MSIEXEC_STANDIN_JOURNAL", nullptr);
        SetEnvironmentVariableW(L"MSIEXEC_STANDIN_EXIT_I", nullptr);
        SetEnvironmentVariableW(L"MSIEXEC_STANDIN_EXIT_X", nullptr);
        SetEnvironmentVariableW(L"SKRCOINX_TEST_MSIEXEC", nullptr);
        ClearPrefix();
    }

    // A fresh load of the DLL, as a new device-installation host would make. The tests' build
    // of it, which starts the msiexec.exe that SKRCOINX_TEST_MSIEXEC names.
    void Load()
    {
        m_dll = LoadLibraryW((TestProgramFolder() + L"hooked\\skrcoinx.dll").c_str());
        ASSERT_NE(m_dll, nullptr);
        m_entry = reinterpret_cast<CoDeviceInstallProc>(
            reinterpret_cast<void*>(GetProcAddress(m_dll, "CoDeviceInstall")));
        ASSERT_NE(m_entry, nullptr);
    }

    void Unload()
    {
        if (m_dll) {
            FreeLibrary(m_dll);
            ASSERT_EQ(GetModuleHandleW(L"skrcoinx.dll"), nullptr) << "the DLL is still loaded";
        }
        m_dll = nullptr;
        m_entry = nullptr;
    }

    DWORD Call(DI_FUNCTION function, bool postProcessing)
    {
        COINSTALLER_CONTEXT_DATA context = {};
        context.PostProcessing = postProcessing;
        context.InstallResult = NO_ERROR;
        return m_entry(function, m_devices, &m_device, &context);
    }

    // Both passes of a device install; returns the post-processing result.
    DWORD InstallDevice()
    {
        EXPECT_EQ(Call(DIF_INSTALLDEVICE, false), static_cast<DWORD>(ERROR_DI_POSTPROCESSING_REQUIRED));
        return Call(DIF_INSTALLDEVICE, true);
    }

    void PutPackage()
    {
        ASSERT_TRUE(MakeDirs(L"C:\\Norvik\\Skyrail"));
        ASSERT_TRUE(WriteBytes(kPackage, "package"));
    }

    Lines Journal() const
    {
        std::wstring file = m_temp / L"journal.txt";
        return FileExists(file) ? SplitLines(ReadBytes(file)) : Lines();
    }

    TempDir m_temp;
    HMODULE m_dll = nullptr;
    CoDeviceInstallProc m_entry = nullptr;
    HDEVINFO m_devices = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA m_device = {};
};

TEST_F(CoInstallerTest, ExportsTheEntryAsOrdinalOne)
{
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(m_dll, MAKEINTRESOURCEA(1))),
              reinterpret_cast<void*>(m_entry));
}

TEST_F(CoInstallerTest, PreProcessingAsksForPostProcessingAndWritesNothing)
{
    PutPackage();
    SetLogPath(Narrow(m_temp / L"logs"));
    EXPECT_EQ(Call(DIF_INSTALLDEVICE, false), 0xE0000226u);
    EXPECT_FALSE(DirExists(L"C:\\Norvik\\Logs"));
    EXPECT_FALSE(DirExists(m_temp / L"logs"));
    EXPECT_TRUE(LogPathPresent()) << "the log was set up";
    EXPECT_TRUE(Journal().empty());
}

TEST_F(CoInstallerTest, PostProcessingLogsTheInstallAndRunsBothPackages)
{
    PutPackage();
    EXPECT_EQ(InstallDevice(), 0u);
    EXPECT_EQ(Body(kDefaultLog), SuccessfulPass(kInstallLine));
    EXPECT_EQ(Journal(), (Lines{kRemoveLine, kInstallLine}));

    // The mutex lives only for the run.
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kMutexName);
    EXPECT_EQ(mutex, nullptr);
    if (mutex)
        CloseHandle(mutex);

    // The header comes once per load; a second pass appends its lines.
    EXPECT_EQ(InstallDevice(), 0u);
    Lines twice = SuccessfulPass(kInstallLine);
    Lines second = SuccessfulPass(kInstallLine);
    twice.insert(twice.end(), second.begin(), second.end());
    EXPECT_EQ(Body(kDefaultLog), twice);
    EXPECT_EQ(Journal().size(), 4u);
}

TEST_F(CoInstallerTest, RemovalLogsTheUninstallHeaderOnly)
{
    PutPackage();
    EXPECT_EQ(Call(DIF_REMOVE, false), 0u);
    EXPECT_EQ(Body(kDefaultLog), (Lines{"SKR Coinstaller (15.3.39.1) U"}));
    EXPECT_TRUE(Journal().empty());
    EXPECT_TRUE(FileExists(kPackage));
}

TEST_F(CoInstallerTest, OtherFunctionsReturnZeroAndLogNothing)
{
    PutPackage();
    SetLogPath(Narrow(m_temp / L"logs"));
    const std::vector<DI_FUNCTION> functions{DIF_SELECTDEVICE,
                                             DIF_INSTALLDEVICEFILES,
                                             DIF_PROPERTYCHANGE,
                                             DIF_DESTROYPRIVATEDATA,
                                             DIF_REGISTER_COINSTALLERS,
                                             DIF_NEWDEVICEWIZARD_FINISHINSTALL,
                                             DIF_UNREMOVE,
                                             0x7777};
    for (DI_FUNCTION function : functions) {
        EXPECT_EQ(Call(function, false), 0u) << function;
        EXPECT_EQ(Call(function, true), 0u) << function;
    }
    EXPECT_FALSE(DirExists(L"C:\\Norvik\\Logs"));
    EXPECT_FALSE(DirExists(m_temp / L"logs"));
    EXPECT_TRUE(LogPathPresent());
    EXPECT_TRUE(Journal().empty());
}

TEST_F(CoInstallerTest, MissingPackageIsLoggedAndNothingRuns)
{
    EXPECT_EQ(InstallDevice(), 0u);
    EXPECT_EQ(Body(kDefaultLog),
              (Lines{"SKR Coinstaller (15.3.39.1) I",
                     "  Package file not detected at: C:\\Norvik\\Skyrail\\setup.msi", "*Exiting*"}));
    EXPECT_TRUE(Journal().empty());
}

TEST_F(CoInstallerTest, ExitCodesAreLoggedSignedAndRemovalNeverStopsTheInstall)
{
    PutPackage();
    SetEnvironmentVariableW(L"MSIEXEC_STANDIN_EXIT_X", L"1605");
    SetEnvironmentVariableW(L"MSIEXEC_STANDIN_EXIT_I", L"0xC0000005");
    EXPECT_EQ(InstallDevice(), 0u);
    EXPECT_EQ(Body(kDefaultLog), SuccessfulPass(kInstallLine, {}, 1605, -1073741819));
    EXPECT_EQ(Journal(), (Lines{kRemoveLine, kInstallLine}));
}

TEST_F(CoInstallerTest, ForeignObjectHoldingTheMutexNameStopsTheRun)
{
    PutPackage();
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, kMutexName);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(InstallDevice(), 0u);
    CloseHandle(event);
    EXPECT_EQ(Body(kDefaultLog),
              (Lines{"SKR Coinstaller (15.3.39.1) I", "Detected active SKR (co)installer; exiting"}));
    EXPECT_TRUE(Journal().empty());
}

TEST_F(CoInstallerTest, ExistingMutexDoesNotStopTheRun)
{
    PutPackage();
    HANDLE mutex = CreateMutexA(nullptr, TRUE, kMutexName);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(InstallDevice(), 0u);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    EXPECT_EQ(Body(kDefaultLog), SuccessfulPass(kInstallLine));
    EXPECT_EQ(Journal().size(), 2u);
}

// ---- Command lines from the registry settings ----

struct Setting {
    const char* key;
    const char* name;
    DWORD type;
    unsigned long long value;
    DWORD size;
};

Setting Dword(const char* key, const char* name, int value)
{
    return {key, name, REG_DWORD, static_cast<DWORD>(value), 4};
}

struct CommandLineCase {
    const char* label;
    std::vector<Setting> settings;
    std::string tail;
    Lines registryLines;
};

void PrintTo(const CommandLineCase& c, std::ostream* os) { *os << c.label; }

const char kConversion[] = "   Problem when handling registry query conversion";

class CommandLineTest : public CoInstallerTest, public ::testing::WithParamInterface<CommandLineCase> {};

TEST_P(CommandLineTest, PropertiesFollowTheSettings)
{
    PutPackage();
    for (const Setting& s : GetParam().settings)
        SetValue(s.key, s.name, s.type, &s.value, s.size);
    EXPECT_EQ(InstallDevice(), 0u);
    std::string install = kInstallLine + GetParam().tail;
    EXPECT_EQ(Body(kDefaultLog), SuccessfulPass(install, GetParam().registryLines));
    EXPECT_EQ(Journal(), (Lines{kRemoveLine, install}));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, CommandLineTest,
    ::testing::Values(
        CommandLineCase{"none", {}, "", {}},
        CommandLineCase{"keys present, values absent",
                        {Dword(kWmiKey, "Unrelated", 1), Dword(kServiceKey, "Unrelated", 1)},
                        "",
                        {}},
        CommandLineCase{"certified only",
                        {Dword(kWmiKey, "CertifiedOnly", 1)},
                        " ONLY_CERTIFIED=#1 COPY_FW_SETTINGS=TRUE",
                        {}},
        CommandLineCase{"first depth only",
                        {Dword(kWmiKey, "OverrideFirstDepth", 0)},
                        " OVERRIDE_FIRST_DEPTH=#0 COPY_FW_SETTINGS=TRUE",
                        {}},
        CommandLineCase{"approval level only",
                        {Dword(kServiceKey, "ApprovalLevel", 2)},
                        " COPY_NON_ADMIN=TRUE NON_ADMIN=#2",
                        {}},
        CommandLineCase{"protocol version only",
                        {Dword(kServiceKey, "NetProtoVer2", 1)},
                        " COPY_NETPV2=TRUE NETPV2=#1",
                        {}},
        CommandLineCase{"all four",
                        {Dword(kServiceKey, "NetProtoVer2", 0), Dword(kServiceKey, "ApprovalLevel", 3),
                         Dword(kWmiKey, "OverrideFirstDepth", 5), Dword(kWmiKey, "CertifiedOnly", 1)},
                        " ONLY_CERTIFIED=#1 OVERRIDE_FIRST_DEPTH=#5 COPY_FW_SETTINGS=TRUE"
                        " COPY_NON_ADMIN=TRUE NON_ADMIN=#3 COPY_NETPV2=TRUE NETPV2=#0",
                        {}},
        CommandLineCase{"widest values that fit",
                        {Dword(kWmiKey, "CertifiedOnly", 999), Dword(kWmiKey, "OverrideFirstDepth", -99),
                         Dword(kServiceKey, "ApprovalLevel", -1), Dword(kServiceKey, "NetProtoVer2", 100)},
                        " ONLY_CERTIFIED=#999 OVERRIDE_FIRST_DEPTH=#-99 COPY_FW_SETTINGS=TRUE"
                        " COPY_NON_ADMIN=TRUE NON_ADMIN=#-1 COPY_NETPV2=TRUE NETPV2=#100",
                        {}},
        CommandLineCase{"values that do not fit",
                        {Dword(kWmiKey, "CertifiedOnly", 1000), Dword(kServiceKey, "ApprovalLevel", -100),
                         Dword(kServiceKey, "NetProtoVer2", 7)},
                        " COPY_NETPV2=TRUE NETPV2=#7",
                        {kConversion, kConversion}},
        CommandLineCase{"first depth too wide keeps the certified fallback",
                        {Dword(kWmiKey, "CertifiedOnly", 0), Dword(kWmiKey, "OverrideFirstDepth", 4096)},
                        " ONLY_CERTIFIED=#0 COPY_FW_SETTINGS=TRUE",
                        {kConversion}},
        CommandLineCase{
            "value longer than a number",
            {Setting{kWmiKey, "CertifiedOnly", REG_QWORD, 1, 8}, Dword(kWmiKey, "OverrideFirstDepth", 2)},
            " OVERRIDE_FIRST_DEPTH=#2 COPY_FW_SETTINGS=TRUE",
            {"   Problem when handling registry query: CertifiedOnly 234"}}),
    [](const ::testing::TestParamInfo<CommandLineCase>& info) {
        return "Case" + std::to_string(info.index);
    });

// Denies everyone access to a key through a DACL without entries, keeping a handle
// that puts the original DACL back whatever the test does.
class DenyKeyAccess {
public:
    explicit DenyKeyAccess(const char* path)
    {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL | WRITE_DAC, &m_key) != ERROR_SUCCESS)
            return;
        DWORD size = 0;
        RegGetKeySecurity(m_key, DACL_SECURITY_INFORMATION, nullptr, &size);
        m_original.resize(size);
        if (size == 0 ||
            RegGetKeySecurity(m_key, DACL_SECURITY_INFORMATION, m_original.data(), &size) != ERROR_SUCCESS)
            return;
        ACL empty;
        SECURITY_DESCRIPTOR denyAll;
        m_denied = InitializeAcl(&empty, sizeof(empty), ACL_REVISION) &&
                   InitializeSecurityDescriptor(&denyAll, SECURITY_DESCRIPTOR_REVISION) &&
                   SetSecurityDescriptorDacl(&denyAll, TRUE, &empty, FALSE) &&
                   RegSetKeySecurity(m_key, DACL_SECURITY_INFORMATION, &denyAll) == ERROR_SUCCESS;
    }
    ~DenyKeyAccess()
    {
        if (m_denied) {
            EXPECT_EQ(RegSetKeySecurity(m_key, DACL_SECURITY_INFORMATION, m_original.data()), ERROR_SUCCESS);
        }
        if (m_key)
            RegCloseKey(m_key);
    }
    bool Denied() const { return m_denied; }

private:
    HKEY m_key = nullptr;
    std::vector<BYTE> m_original;
    bool m_denied = false;
};

TEST_F(CoInstallerTest, SettingsKeyThatCannotBeOpenedIsLoggedPerValue)
{
    PutPackage();
    SetDword(kWmiKey, "CertifiedOnly", 1);
    SetDword(kServiceKey, "ApprovalLevel", 2);
    {
        DenyKeyAccess deny(kWmiKey);
        ASSERT_TRUE(deny.Denied());
        HKEY probe = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWmiKey, 0, KEY_QUERY_VALUE, &probe),
                  ERROR_ACCESS_DENIED);
        EXPECT_EQ(InstallDevice(), 0u);
    }
    std::string install = std::string(kInstallLine) + " COPY_NON_ADMIN=TRUE NON_ADMIN=#2";
    EXPECT_EQ(Body(kDefaultLog),
              SuccessfulPass(install, {"   Problem when handling registry open: CertifiedOnly 5",
                                       "   Problem when handling registry open: OverrideFirstDepth 5"}));
}

// ---- The log folder ----

TEST_F(CoInstallerTest, LogPathIsUsedForOneLoadAndConsumed)
{
    PutPackage();
    std::wstring folder = m_temp / L"nested\\logs";
    SetLogPath(Narrow(folder)); // no trailing backslash: one is added
    EXPECT_EQ(Call(DIF_REMOVE, false), 0u);
    EXPECT_EQ(Body(folder + L"\\NorvikSKRCoin.log"), (Lines{"SKR Coinstaller (15.3.39.1) U"}));
    EXPECT_FALSE(LogPathPresent());
    EXPECT_FALSE(DirExists(L"C:\\Norvik\\Logs"));

    // The rest of this load keeps the folder.
    EXPECT_EQ(InstallDevice(), 0u);
    Lines both{"SKR Coinstaller (15.3.39.1) U"};
    Lines pass = SuccessfulPass(kInstallLine);
    both.insert(both.end(), pass.begin(), pass.end());
    EXPECT_EQ(Body(folder + L"\\NorvikSKRCoin.log"), both);

    // The next load goes back to the default folder.
    Unload();
    Load();
    EXPECT_EQ(Call(DIF_REMOVE, false), 0u);
    EXPECT_EQ(Body(kDefaultLog), (Lines{"SKR Coinstaller (15.3.39.1) U"}));
}

TEST_F(CoInstallerTest, LogPathOfThe64BitViewIsIgnored)
{
    std::string folder = Narrow(m_temp / L"native");
    SetValue("Software\\Norvik", "LogPath", REG_SZ, folder.c_str(), static_cast<DWORD>(folder.size() + 1),
             KEY_WOW64_64KEY);
    EXPECT_EQ(Call(DIF_REMOVE, false), 0u);
    EXPECT_EQ(Body(kDefaultLog), (Lines{"SKR Coinstaller (15.3.39.1) U"}));
    EXPECT_FALSE(DirExists(Widen(folder)));
}

TEST_F(CoInstallerTest, LogPathStoredWithoutTerminatorIsUsed)
{
    std::string folder = Narrow(m_temp / L"unterminated\\");
    SetLogPath(REG_SZ, folder.data(), static_cast<DWORD>(folder.size()));
    EXPECT_EQ(Call(DIF_REMOVE, false), 0u);
    EXPECT_EQ(Body(Widen(folder) + L"NorvikSKRCoin.log"), (Lines{"SKR Coinstaller (15.3.39.1) U"}));
    EXPECT_FALSE(LogPathPresent());
}

struct BadLogPath {
    const char* label;
    DWORD type;
    std::string data;
    size_t padTo; // 'U's appended up to this length
};

class BadLogPathTest : public CoInstallerTest, public ::testing::WithParamInterface<BadLogPath> {};

void PrintTo(const BadLogPath& c, std::ostream* os) { *os << c.label; }

// Whatever the value holds, the default folder is used and the value is consumed.
TEST_P(BadLogPathTest, FallsBackToTheDefaultFolder)
{
    const BadLogPath& bad = GetParam();
    std::string data = bad.data;
    // Any folder named in the data would be under the test's own folder.
    for (size_t at; (at = data.find('@')) != std::string::npos;)
        data.replace(at, 1, Narrow(m_temp.Path()));
    if (data.size() < bad.padTo)
        data.append(bad.padTo - data.size(), 'U');
    SetLogPath(bad.type, data.data(), static_cast<DWORD>(data.size()));
    EXPECT_EQ(Call(DIF_REMOVE, false), 0u);
    EXPECT_EQ(Body(kDefaultLog), (Lines{"SKR Coinstaller (15.3.39.1) U"}));
    EXPECT_FALSE(LogPathPresent());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((m_temp / L"*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int entries = 0;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            ++entries;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    EXPECT_EQ(entries, 0) << "something was written beside the test folder";
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadLogPathTest,
    ::testing::Values(BadLogPath{"binary", REG_BINARY, std::string("@bin\0", 5), 0},
                      BadLogPath{"binary without end", REG_BINARY, "@", 260},
                      BadLogPath{"number", REG_DWORD, std::string("\x43\x3a\x5c\x00", 4), 0},
                      BadLogPath{"expandable", REG_EXPAND_SZ, std::string("@exp\0", 5), 0},
                      BadLogPath{"string too long", REG_SZ,
                                 "@" + std::string(300, 'L') + std::string(1, '\0'), 0},
                      BadLogPath{"unterminated string filling the buffer", REG_SZ, "@", 260},
                      BadLogPath{"unterminated string too long", REG_SZ, "@", 400},
                      BadLogPath{"empty string", REG_SZ, std::string(1, '\0'), 0}),
    [](const ::testing::TestParamInfo<BadLogPath>& info) { return "Case" + std::to_string(info.index); });

// A folder that cannot be created silences the log; the packages still run.
TEST_F(CoInstallerTest, LogFolderThatCannotBeMadeSilencesTheLog)
{
    PutPackage();
    TempDir working;
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(working.Path().c_str()));
    SetLogPath("relative");
    EXPECT_EQ(InstallDevice(), 0u);
    SetCurrentDirectoryW(previous);
    EXPECT_FALSE(FileExists(working / L"relative"));
    EXPECT_FALSE(DirExists(L"C:\\Norvik\\Logs"));
    EXPECT_FALSE(LogPathPresent());
    EXPECT_EQ(Journal(), (Lines{kRemoveLine, kInstallLine}));
}

// ---- Launch failure ----

TEST_F(CoInstallerTest, LaunchFailureIsLoggedWithTheErrorInHex)
{
    PutPackage();
    std::wstring broken = m_temp / L"msiexec.exe";
    ASSERT_TRUE(WriteBytes(broken, std::string(64, 'x')));
    SetEnvironmentVariableW(L"SKRCOINX_TEST_MSIEXEC", broken.c_str());
    EXPECT_EQ(InstallDevice(), 0u);

    // What CreateProcess reports for a file that is no program.
    STARTUPINFOA probeStartup = {};
    probeStartup.cb = sizeof(probeStartup);
    PROCESS_INFORMATION probeProcess = {};
    std::string probeLine = kRemoveLine;
    ASSERT_FALSE(CreateProcessA(Narrow(broken).c_str(), &probeLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                nullptr, &probeStartup, &probeProcess));
    char hex[16];
    snprintf(hex, sizeof(hex), "0x%lX", GetLastError());
    ASSERT_NE(std::string(hex), "0x0");

    EXPECT_EQ(Body(kDefaultLog), (Lines{"SKR Coinstaller (15.3.39.1) I",
                                        std::string("  Remove previous installer: ") + kRemoveLine,
                                        std::string("  Uninstaller launch result: ") + hex,
                                        std::string("  Launching installer: ") + kInstallLine,
                                        std::string("  Installer launch result: ") + hex, "*Exiting*"}));
    EXPECT_TRUE(Journal().empty());
}

// The shipped DLL inside a host whose own folder and current folder both hold an
// msiexec.exe: Windows Installer is still the one of the system folder.
TEST_F(CoInstallerTest, ShippedBuildNeverStartsAnMsiexecBesideTheHost)
{
    PutPackage();
    TempDir hostFolder;
    std::wstring bin = TestProgramFolder();
    ASSERT_TRUE(CopyFileW((bin + L"coinstaller_host.exe").c_str(),
                          (hostFolder / L"coinstaller_host.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((bin + L"skrcoinx.dll").c_str(), (hostFolder / L"skrcoinx.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((bin + L"msiexec.exe").c_str(), (hostFolder / L"msiexec.exe").c_str(), FALSE));
    SetEnvironmentVariableW(L"SKRCOINX_TEST_MSIEXEC", nullptr);

    std::wstring command = L"\"" + (hostFolder / L"coinstaller_host.exe") + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               hostFolder.Path().c_str(), &startup, &process));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_EQ(exitCode, 0u);

    EXPECT_TRUE(Journal().empty()) << "the msiexec.exe beside the host ran";
    Lines body = Body(kDefaultLog);
    ASSERT_GE(body.size(), 3u);
    EXPECT_EQ(body[1], std::string("  Remove previous installer: ") + kRemoveLine)
        << "the command line is unchanged";
    EXPECT_EQ(body[2], "  Uninstaller launched successfully") << "the system's msiexec.exe started";
}

} // namespace
