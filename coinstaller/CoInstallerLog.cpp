#include "CoInstallerLog.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <strsafe.h>

#include <cstdarg>
#include <cstdlib>

namespace skrcoinx {

namespace {

// Full path of the log file; empty until InitLog runs. Non-empty also means the
// log has been set up for this load, successfully or not.
char g_logPath[MAX_PATH];
// Set only when the folder was created and the file name appended: a folder that
// could not be made silences the log instead of writing to whatever the bare
// folder path names (a relative path would land in the host's current folder).
bool g_logReady = false;

const char kDefaultLogFolder[] = "c:\\Norvik\\Logs\\";
const char kLogFileName[] = "NorvikSKRCoin.log";

// Reads the one-shot "LogPath" value into the log path. Only a string value that
// fits, terminator included, is taken; anything else leaves the buffer empty.
void ReadLogPathValue(HKEY key)
{
    DWORD type = REG_NONE;
    DWORD size = sizeof(g_logPath);
    LONG rc = RegQueryValueExA(key, "LogPath", nullptr, &type, reinterpret_cast<BYTE*>(g_logPath), &size);
    bool usable = rc == ERROR_SUCCESS && type == REG_SZ && size <= sizeof(g_logPath);
    if (usable && size > 0 && g_logPath[size - 1] != '\0') {
        // Stored without its terminator: add one when there is room for it.
        if (size < sizeof(g_logPath))
            g_logPath[size] = '\0';
        else
            usable = false;
    }
    if (!usable)
        ZeroMemory(g_logPath, sizeof(g_logPath));
}

} // namespace

void InitLog()
{
    if (g_logPath[0] != '\0')
        return;

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Norvik", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key) ==
        ERROR_SUCCESS) {
        ReadLogPathValue(key);
        // The folder is meant for this load only.
        RegDeleteValueA(key, "LogPath");
        RegCloseKey(key);
    }

    if (g_logPath[0] == '\0')
        StringCchCopyA(g_logPath, MAX_PATH, kDefaultLogFolder);

    int rc = SHCreateDirectoryExA(nullptr, g_logPath, nullptr);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_EXISTS && rc != ERROR_ALREADY_EXISTS)
        return;
    if (!PathAppendA(g_logPath, kLogFileName))
        return;
    g_logReady = true;

    SYSTEMTIME now;
    GetLocalTime(&now);
    LogMessage(">>> %d/%02d/%d %02d:%02d:%02d:%03d", now.wMonth, now.wDay, now.wYear, now.wHour, now.wMinute,
               now.wSecond, now.wMilliseconds);
}

void LogMessage(const char* format, ...)
{
    if (!g_logReady)
        return;
    HANDLE file = CreateFileA(g_logPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFilePointer(file, 0, nullptr, FILE_END);

    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int length = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length >= 0) {
        char* text = static_cast<char*>(malloc(static_cast<size_t>(length) + 3));
        if (text) {
            vsnprintf(text, static_cast<size_t>(length) + 1, format, args);
            text[length] = '\r';
            text[length + 1] = '\n';
            text[length + 2] = '\0';
            DWORD written = 0;
            WriteFile(file, text, static_cast<DWORD>(length) + 2, &written, nullptr);
            free(text);
        }
    }
    va_end(args);
    CloseHandle(file);
}

} // namespace skrcoinx
