// Device co-installer entry: on the post-processing pass of a device install it
// replaces the earlier setup package with the one on the system drive.
#include "CoInstallerLog.h"
#include "MsiexecPath.h"

#include <windows.h>
#include <setupapi.h>
#include <shlwapi.h>
#include <strsafe.h>

namespace skrcoinx {

namespace {

const char kVersionInstall[] = "SKR Coinstaller (15.3.39.1) I";
const char kVersionRemove[] = "SKR Coinstaller (15.3.39.1) U";

const char kMutexName[] = "Global\\SKR-{A3C95E12-7B40-4D8E-B6F1-2E9D04C7A583}";
const char kPackageRelativePath[] = "Norvik\\Skyrail\\setup.msi";

const char kWmiSettingsKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\SkyrailService\\Norvik_WMI::SkrSettings_impl\\Default";
const char kServiceSettingsKey[] = "SYSTEM\\CurrentControlSet\\Services\\SkyrailService\\SkrServiceSettings";

const char kExiting[] = "*Exiting*";

// Text buffers are ANSI, MAX_PATH characters with the terminator.
const size_t kTextSize = MAX_PATH;
// A setting's decimal text: at most three characters and the terminator.
const size_t kSettingTextLimit = 4;

// Starts one Windows Installer command line, waits for it and logs the outcome.
void Launch(char* commandLine, bool installer)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof(process));

    // The program by its full path; the command line (with its bare "msiexec.exe") unchanged.
    char application[kTextSize];
    if (!MsiexecPath(application, kTextSize) ||
        !CreateProcessA(application, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        DWORD error = GetLastError();
        if (installer)
            LogMessage("  Installer launch result: 0x%X", static_cast<unsigned>(error));
        else
            LogMessage("  Uninstaller launch result: 0x%X", static_cast<unsigned>(error));
        return;
    }

    LogMessage("%s", installer ? "  Installer launched successfully" : "  Uninstaller launched successfully");
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (installer)
        LogMessage("  Installer exit code: %d", static_cast<int>(exitCode));
    else
        LogMessage("  Uninstaller exit code: %d", static_cast<int>(exitCode));
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

// Appends to the install command line unless an earlier step already failed;
// a line that would not fit is never launched.
void AppendInstall(char* commandLine, bool& error, const char* text)
{
    if (!error && FAILED(StringCchCatA(commandLine, kTextSize, text)))
        error = true;
}

} // namespace

bool ReadDwordSetting(const char* subkey, const char* valueName, char* text)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS) {
        if (rc != ERROR_FILE_NOT_FOUND)
            LogMessage("   Problem when handling registry open: %s %u", valueName, static_cast<unsigned>(rc));
        return false;
    }

    DWORD value = 0;
    DWORD size = sizeof(value);
    rc = RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        if (rc != ERROR_FILE_NOT_FOUND)
            LogMessage("   Problem when handling registry query: %s %u", valueName,
                       static_cast<unsigned>(rc));
        return false;
    }

    if (FAILED(StringCchPrintfA(text, kSettingTextLimit, "%d", static_cast<int>(value)))) {
        LogMessage("%s", "   Problem when handling registry query conversion");
        return false;
    }
    return true;
}

namespace {

// The steps after the mutex; returns the final message of the step that ended the run.
const char* RunSteps()
{
    char windowsFolder[kTextSize];
    UINT length = GetSystemWindowsDirectoryA(windowsFolder, kTextSize);
    if (length == 0 || length > kTextSize)
        return "Error in localizing the System Drive (GetSystemWindowsDirectory) ";

    int drive = PathGetDriveNumberA(windowsFolder);
    if (drive == -1)
        return "Error in localizing the System Drive (PathGetDriveNumber) ";

    char root[4];
    PathBuildRootA(root, drive);
    char packagePath[kTextSize];
    if (FAILED(StringCchCopyA(packagePath, kTextSize, root)) ||
        FAILED(StringCchCatA(packagePath, kTextSize, kPackageRelativePath)))
        return "Error in creating the package file path ";

    if (!PathFileExistsA(packagePath)) {
        LogMessage("  Package file not detected at: %s", packagePath);
        return kExiting;
    }

    char installLine[kTextSize];
    bool installError = FAILED(StringCchCopyA(installLine, kTextSize, "msiexec.exe /i "));
    AppendInstall(installLine, installError, packagePath);
    AppendInstall(installLine, installError, " /qn NO_DRIVERS=TRUE /l*v skr_log.txt");

    // Every setting is read even after a failed append, so its registry problems are logged.
    char setting[16];
    bool certifiedRead = false;
    if (ReadDwordSetting(kWmiSettingsKey, "CertifiedOnly", setting)) {
        certifiedRead = true;
        AppendInstall(installLine, installError, " ONLY_CERTIFIED=#");
        AppendInstall(installLine, installError, setting);
    }
    if (ReadDwordSetting(kWmiSettingsKey, "OverrideFirstDepth", setting)) {
        AppendInstall(installLine, installError, " OVERRIDE_FIRST_DEPTH=#");
        AppendInstall(installLine, installError, setting);
        AppendInstall(installLine, installError, " COPY_FW_SETTINGS=TRUE");
    } else if (certifiedRead) {
        AppendInstall(installLine, installError, " COPY_FW_SETTINGS=TRUE");
    }
    if (ReadDwordSetting(kServiceSettingsKey, "ApprovalLevel", setting)) {
        AppendInstall(installLine, installError, " COPY_NON_ADMIN=TRUE NON_ADMIN=#");
        AppendInstall(installLine, installError, setting);
    }
    if (ReadDwordSetting(kServiceSettingsKey, "NetProtoVer2", setting)) {
        AppendInstall(installLine, installError, " COPY_NETPV2=TRUE NETPV2=#");
        AppendInstall(installLine, installError, setting);
    }

    // The earlier package goes first; its outcome never stops the install.
    char removeLine[kTextSize];
    if (SUCCEEDED(StringCchCopyA(removeLine, kTextSize, "msiexec.exe /x")) &&
        SUCCEEDED(StringCchCatA(removeLine, kTextSize,
                                " {6B1D2F40-3C85-4E7A-9D21-5A0C7E3F9B64} /qn NO_DRIVERS=TRUE"))) {
        LogMessage("  Remove previous installer: %s", removeLine);
        Launch(removeLine, false);
    }

    if (installError) {
        LogMessage("%s", "  Error in creating package path executable to launch");
    } else {
        LogMessage("  Launching installer: %s", installLine);
        Launch(installLine, true);
    }
    return kExiting;
}

} // namespace

DWORD RunSetupPackage(HDEVINFO, PSP_DEVINFO_DATA, PCOINSTALLER_CONTEXT_DATA)
{
    // Guards against a second co-installer run in any session. A mutex that
    // already exists does not stop the run; a same-named object of another kind does.
    HANDLE mutex = CreateMutexA(nullptr, TRUE, kMutexName);
    if (!mutex && GetLastError() != 0) {
        LogMessage("%s", "Detected active SKR (co)installer; exiting");
        return 0;
    }

    LogMessage("%s", RunSteps());
    if (mutex)
        CloseHandle(mutex);
    return 0;
}

} // namespace skrcoinx

extern "C" DWORD CALLBACK CoDeviceInstall(DI_FUNCTION installFunction, HDEVINFO deviceInfoSet,
                                          PSP_DEVINFO_DATA deviceInfoData, PCOINSTALLER_CONTEXT_DATA context)
{
    using namespace skrcoinx;
    switch (installFunction) {
    case DIF_INSTALLDEVICE:
        // Device installation always passes a context; without one there is no post-processing pass.
        if (!context || !context->PostProcessing)
            return ERROR_DI_POSTPROCESSING_REQUIRED;
        InitLog();
        LogMessage("%s", kVersionInstall);
        return RunSetupPackage(deviceInfoSet, deviceInfoData, context);
    case DIF_REMOVE:
        InitLog();
        LogMessage("%s", kVersionRemove);
        return NO_ERROR;
    default:
        return NO_ERROR;
    }
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
