#include "engine/AppPaths.h"

#include <windows.h>

#include <mutex>
#include <vector>

namespace {
std::mutex g_lock;
std::wstring g_override;
} // namespace

std::wstring GetProgramFolder()
{
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (!g_override.empty())
            return g_override;
    }
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

void SetProgramFolderOverride(const std::wstring& folder)
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_override = folder;
    if (!g_override.empty() && g_override.back() != L'\\')
        g_override += L'\\';
}
