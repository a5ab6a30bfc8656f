#pragma once
// Where the engine finds what lies outside it. The program resolves each place from the
// system alone (AppPaths.cpp holds exactly these resolvers and nothing else); the test
// programs link their own resolvers in its stead, which tests can point elsewhere.
#include <string>
#include <vector>

// The running program's folder, ending in a backslash. The folders shipped beside
// the program ("OS", "Other", "Hotfix", "Oscdimg_x86", ...) are found from here.
std::wstring GetProgramFolder();

// The all-users application-data folder + "Tervo\BrindleWinSln\", created on demand.
// Empty when the special folder can't be obtained.
std::string GetWorkingFolder();

// Where dismapi.dll is looked for, in order: the program's own folder (as the loader
// would for an imported DLL), then the system folder.
std::vector<std::wstring> GetDismLibraryCandidates();

namespace gs {
// diskpart.exe as started: by its full path in the system folder, so a diskpart.exe lying
// in the current folder is never run.
std::wstring GetDiskpartPath();
} // namespace gs
