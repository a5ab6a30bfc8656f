#include "engine/FolderOpsInterim.h"

#include <windows.h>
#include <shellapi.h>

bool ClearReadOnly(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && attributes != 0)
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return true;
}

bool CopyFolder(const std::wstring& source, const std::wstring& target)
{
    if (source.empty())
        return false;
    if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryW(target.c_str(), nullptr);

    wchar_t from[MAX_PATH + 4] = {};
    DWORD n = GetFullPathNameW(source.c_str(), MAX_PATH, from, nullptr);
    if (n == 0 || n >= MAX_PATH)
        return false;
    std::wstring fromText = from;
    DWORD attributes = GetFileAttributesW(fromText.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (fromText.back() != L'\\')
            fromText += L'\\';
        fromText += L'*';
    }
    if (fromText.size() + 2 > MAX_PATH)
        return false;
    std::wstring fromList = fromText + L'\0';

    wchar_t to[MAX_PATH + 4] = {};
    n = GetFullPathNameW(target.c_str(), MAX_PATH, to, nullptr);
    if (n == 0 || n > 258)
        return false;
    std::wstring toList = std::wstring(to) + L'\0';

    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_COPY;
    op.pFrom = fromList.c_str();
    op.pTo = toList.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
    return SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
}

bool DeleteFolder(const std::wstring& folder)
{
    if (folder.empty() || GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    std::wstring path = folder;
    if (path.back() == L'\\')
        path.pop_back();
    // Never a bare drive root.
    if (path.size() <= 2)
        return false;
    std::wstring list = path + L'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    return SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
}

void FindFilesByExt(std::vector<std::wstring>& list, const std::wstring& folder,
                    const std::wstring& ext)
{
    std::wstring base = folder;
    if (base.empty() || base.back() != L'\\')
        base += L'\\';
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((base + L"*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            FindFilesByExt(list, base + name, ext);
            continue;
        }
        size_t dot = name.find_last_of(L'.');
        if (dot == std::wstring::npos)
            continue;
        std::wstring fileExt = name.substr(dot);
        if (CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, fileExt.c_str(), -1, ext.c_str(),
                           -1) == CSTR_EQUAL)
            list.push_back(base + name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}
