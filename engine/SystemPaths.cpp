#include "engine/SystemPaths.h"

#include <windows.h>
#include <shlobj.h>
#include <imagehlp.h>

#include <vector>

std::wstring ExecutableFolder()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::wstring();
        if (n < path.size())
            break;
        path.resize(path.size() * 2);
    }
    std::wstring full(path.data());
    size_t slash = full.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);
}

std::string CommonWorkingFolder()
{
    char base[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base)))
        return std::string();
    std::string folder = base;
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder + "Tervo\\BrindleWinSln\\";
}

std::wstring SystemFolderFile(const wchar_t* name)
{
    wchar_t system[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return std::wstring();
    return std::wstring(system) + L"\\" + name;
}

std::wstring SystemDiskpartPath()
{
    // A 32-bit program on 64-bit Windows sees SysWOW64 as its system folder; the real
    // diskpart lives in the native one, reached through "Sysnative".
    BOOL wow64 = FALSE;
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
    if (isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64) {
        wchar_t windows[MAX_PATH] = {};
        UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            std::wstring native = std::wstring(windows) + L"\\Sysnative\\diskpart.exe";
            DWORD attributes = GetFileAttributesW(native.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
                return native;
        }
    }
    return SystemFolderFile(L"diskpart.exe");
}

std::string EnsureFolder(const std::string& folder)
{
    if (!folder.empty())
        MakeSureDirectoryPathExists(folder.c_str());
    return folder;
}
