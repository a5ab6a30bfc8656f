// The test programs' resolvers, in place of engine/AppPaths.cpp: the same four functions,
// each answering an override when a test set one and the system's answer otherwise.
#include "hooks/TestHooks.h"

#include "engine/AppPaths.h"
#include "engine/SystemPaths.h"
#include "engine/TraceLog.h"

#include <mutex>

namespace {

std::mutex g_lock;
std::wstring g_programFolder;
std::string g_workingFolder;
std::wstring g_dismFolder;
std::wstring g_diskpart;

template <typename Text>
Text WithBackslash(Text text)
{
    if (!text.empty() && text.back() != '\\')
        text += '\\';
    return text;
}

template <typename Text>
Text Read(const Text& value)
{
    std::lock_guard<std::mutex> lock(g_lock);
    return value;
}

template <typename Text>
void Write(Text& slot, const Text& value)
{
    std::lock_guard<std::mutex> lock(g_lock);
    slot = value;
}

} // namespace

void SetProgramFolderOverride(const std::wstring& folder) { Write(g_programFolder, WithBackslash(folder)); }

void SetWorkingFolderOverride(const std::string& folder)
{
    Write(g_workingFolder, WithBackslash(folder));
    ForgetTracePath();
}

void SetDismLibraryFolderOverride(const std::wstring& folder) { Write(g_dismFolder, WithBackslash(folder)); }

void gs::SetDiskpartPathOverride(const std::wstring& path) { Write(g_diskpart, path); }

std::wstring GetProgramFolder()
{
    std::wstring folder = Read(g_programFolder);
    return folder.empty() ? ExecutableFolder() : folder;
}

std::string GetWorkingFolder()
{
    std::string folder = Read(g_workingFolder);
    return EnsureFolder(folder.empty() ? CommonWorkingFolder() : folder);
}

std::vector<std::wstring> GetDismLibraryCandidates()
{
    std::wstring folder = Read(g_dismFolder);
    if (folder.empty())
        folder = ExecutableFolder();
    std::vector<std::wstring> candidates;
    if (!folder.empty())
        candidates.push_back(folder + L"dismapi.dll");
    std::wstring system = SystemFolderFile(L"dismapi.dll");
    if (!system.empty())
        candidates.push_back(system);
    return candidates;
}

std::wstring gs::GetDiskpartPath()
{
    std::wstring path = Read(g_diskpart);
    return path.empty() ? SystemDiskpartPath() : path;
}
