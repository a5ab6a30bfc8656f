#include "engine/TraceLog.h"

#include <windows.h>
#include <shlobj.h>
#include <imagehlp.h>

#include <cstdio>
#include <cwchar>
#include <mutex>
#include <vector>

namespace {

// Guards the trace path and keeps lines from different threads whole.
std::mutex g_traceLock;
std::wstring g_tracePath;

std::mutex g_overrideLock;
std::string g_workingOverride;

} // namespace

std::string AddTrailingBackslash(const std::string& text)
{
    if (text.empty() || text.back() == '\\')
        return text;
    return text + '\\';
}

void SetWorkingFolderOverride(const std::string& folder)
{
    {
        std::lock_guard<std::mutex> lock(g_overrideLock);
        g_workingOverride = folder.empty() ? std::string() : AddTrailingBackslash(folder);
    }
    std::lock_guard<std::mutex> lock(g_traceLock);
    g_tracePath.clear();
}

std::string GetWorkingFolder()
{
    std::string folder;
    {
        std::lock_guard<std::mutex> lock(g_overrideLock);
        folder = g_workingOverride;
    }
    if (folder.empty()) {
        char base[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base)))
            return std::string();
        folder = AddTrailingBackslash(base) + "Tervo\\BrindleWinSln\\";
    }
    MakeSureDirectoryPathExists(folder.c_str());
    return folder;
}

void TraceLog(const std::wstring& message)
{
    wchar_t text[1024] = {};
    wcsncpy(text, message.c_str(), 1023);

    std::lock_guard<std::mutex> lock(g_traceLock);
    if (g_tracePath.empty())
        g_tracePath = AStringToWString(GetWorkingFolder() + "XHCItrace.log");

    FILE* file = _wfopen(g_tracePath.c_str(), L"at+,ccs=UNICODE");
    if (!file)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    fwprintf(file, L"%02d:%02d:%02d.%03d %ls\n", now.wHour, now.wMinute, now.wSecond,
             now.wMilliseconds, text);
    fclose(file);
}

std::string IntToAString(int value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", value);
    return buffer;
}

std::wstring IntToWString(int value)
{
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%d", value);
    return buffer;
}

std::string WStringToAString(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int needed = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                     nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return std::string();
    std::vector<char> buffer(needed + 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), buffer.data(),
                        needed, nullptr, nullptr);
    return std::string(buffer.data(), needed);
}

std::wstring AStringToWString(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int needed = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                     nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), buffer.data(),
                        needed);
    return std::wstring(buffer.data(), needed);
}

std::wstring ToLowerWString(const std::wstring& text)
{
    std::wstring result(text);
    for (wchar_t& c : result)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return result;
}
