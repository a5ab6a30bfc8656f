#pragma once
// Folder operations the DISM parts need, until the shared folder helpers land.
#include <string>
#include <vector>

bool ClearReadOnly(const std::wstring& path);
bool CopyFolder(const std::wstring& source, const std::wstring& target);
bool DeleteFolder(const std::wstring& folder);
void FindFilesByExt(std::vector<std::wstring>& list, const std::wstring& folder,
                    const std::wstring& ext);
