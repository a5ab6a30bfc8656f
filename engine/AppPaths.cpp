// The program's resolvers. Keep this file to these four functions: the test programs
// replace all of them at once with resolvers of their own.
#include "engine/AppPaths.h"

#include "engine/SystemPaths.h"

std::wstring GetProgramFolder() { return ExecutableFolder(); }

std::string GetWorkingFolder() { return EnsureFolder(CommonWorkingFolder()); }

std::vector<std::wstring> GetDismLibraryCandidates()
{
    std::vector<std::wstring> candidates;
    std::wstring own = ExecutableFolder();
    if (!own.empty())
        candidates.push_back(own + L"dismapi.dll");
    std::wstring system = SystemFolderFile(L"dismapi.dll");
    if (!system.empty())
        candidates.push_back(system);
    return candidates;
}

std::wstring gs::GetDiskpartPath() { return SystemDiskpartPath(); }
