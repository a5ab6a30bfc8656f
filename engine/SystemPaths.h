#pragma once
// What the system itself answers for the places the engine uses. The engine's resolvers
// (AppPaths.cpp) pass these on unchanged; nothing here can be pointed elsewhere.
#include <string>

// The running executable's folder, ending in a backslash; empty when it can't be read.
std::wstring ExecutableFolder();
// The all-users application-data folder + "Tervo\BrindleWinSln\" (not created); empty
// when the special folder can't be obtained.
std::string CommonWorkingFolder();
// A file of the system folder ("C:\Windows\system32\<name>"); empty when unknown.
std::wstring SystemFolderFile(const wchar_t* name);
// diskpart.exe of the native system folder (through "Sysnative" for a 32-bit program
// on 64-bit Windows).
std::wstring SystemDiskpartPath();
// Creates the folder (ending in a backslash) with its parents; the text comes back.
std::string EnsureFolder(const std::string& folder);
