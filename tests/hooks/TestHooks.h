#pragma once
// What only the test programs can do: point the engine's outside places elsewhere.
// Linked in through the `engine_testhooks` objects (every test program gets them through
// `testsupport`); the shipped programs have none of this. An empty text restores the
// place the program itself would use.
#include <string>

// The folder standing for the program's own ("OS", "Other", "Hotfix", ... below it).
void SetProgramFolderOverride(const std::wstring& folder);
// The working folder (trace log, DISM log, mount folders). Moves the trace log with it.
void SetWorkingFolderOverride(const std::string& folder);
// dismapi.dll is looked for in this folder, then in the system's. Takes effect at the
// next binding (after DismManager::Release).
void SetDismLibraryFolderOverride(const std::wstring& folder);

namespace gs {
// The program started for diskpart scripts.
void SetDiskpartPathOverride(const std::wstring& path);
} // namespace gs
