#pragma once
#include <string>

// The running program's folder, ending in a backslash. The folders shipped beside
// the program ("OS", "Other", "Hotfix", "Oscdimg_x86", ...) are found from here.
std::wstring GetProgramFolder();

// Tests point the program folder at a folder they built. Empty restores the real one.
void SetProgramFolderOverride(const std::wstring& folder);
