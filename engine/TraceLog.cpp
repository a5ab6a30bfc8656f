#include "engine/TraceLog.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <mutex>
#include <vector>

namespace {

// Guards the trace path and keeps lines from different threads whole.
std::mutex g_traceLock;
std::wstring g_tracePath;

} // namespace

std::string AddTrailingBackslash(const std::string& text)
{
    if (text.empty() || text.back() == '\\')
        return text;
    return text + '\\';
}

void ForgetTracePath()
{
    std::lock_guard<std::mutex> lock(g_traceLock);
    g_tracePath.clear();
}

std::wstring SystemErrorText(unsigned long code)
{
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message;
    if (length && text)
        message.assign(text, length);
    if (text)
        LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    std::wstring line = L"  system error " + std::to_wstring(code);
    return message.empty() ? line : line + L": " + message;
}

void TraceSystemError(unsigned long code) { TraceLog(SystemErrorText(code)); }

void TraceExitCode(unsigned long code) { TraceLog(L"  exit code " + std::to_wstring(code)); }

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
    fwprintf(file, L"%02d:%02d:%02d.%03d %ls\n", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
             text);
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
    int needed = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                     nullptr, nullptr);
    if (needed <= 0)
        return std::string();
    std::vector<char> buffer(needed + 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), buffer.data(), needed,
                        nullptr, nullptr);
    return std::string(buffer.data(), needed);
}

std::wstring AStringToWString(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int needed = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), buffer.data(), needed);
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
