#include "engine/FileUtil.h"

#include "engine/FolderListing.h"
#include "engine/Handles.h"

#include <windows.h>
#include <shellapi.h>

#include <cwctype>

namespace {

std::wstring WithBackslash(const std::wstring& path)
{
    if (path.empty() || path.back() == L'\\')
        return path;
    return path + L'\\';
}

std::wstring ReadIniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key)
{
    wchar_t value[MAX_PATH] = {};
    GetPrivateProfileStringW(section, key, L"", value, MAX_PATH, file.c_str());
    return value;
}

std::wstring UpperAscii(std::wstring text)
{
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

bool IsDirectory(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring FullPath(const std::wstring& path)
{
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return std::wstring();
    std::wstring full(needed, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed)
        return std::wstring();
    full.resize(length);
    return full;
}

// A tree that may be removed: not empty and not a drive or share root. An empty
// path would otherwise stand for the current folder.
bool IsRemovableTree(const std::wstring& folder)
{
    std::wstring raw = folder;
    while (!raw.empty() && (raw.back() == L'\\' || raw.back() == L'/'))
        raw.pop_back();
    // "X:" alone names the drive's current folder: treat it as the root it looks like.
    if (raw.empty() || (raw.size() == 2 && raw[1] == L':'))
        return false;
    std::wstring full = FullPath(folder);
    while (!full.empty() && (full.back() == L'\\' || full.back() == L'/'))
        full.pop_back();
    if (full.size() <= 2)
        return false;
    if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0) {
        std::wstring rest = full.substr(4);
        if (rest.compare(0, 4, L"UNC\\") == 0)
            rest = L"\\\\" + rest.substr(4);
        else
            return rest.size() > 2 && rest.find(L'\\') != std::wstring::npos;
        full = rest;
    }
    if (full.compare(0, 2, L"\\\\") == 0) {
        // "\\server\share" is a root; "\\server\share\folder" is not.
        size_t share = full.find(L'\\', 2);
        return share != std::wstring::npos && full.find(L'\\', share + 1) != std::wstring::npos;
    }
    return true;
}

bool RunShellOperation(UINT func, const std::wstring& fromList, const std::wstring& toList,
                       FILEOP_FLAGS flags)
{
    SHFILEOPSTRUCTW op = {};
    op.hwnd = nullptr;
    op.wFunc = func;
    op.pFrom = fromList.c_str();
    op.pTo = toList.empty() ? nullptr : toList.c_str();
    op.fFlags = flags;
    int result = SHFileOperationW(&op);
    return result == 0 && !op.fAnyOperationsAborted;
}

} // namespace

bool Is64bitMedia(const std::wstring& idwbinfoPath)
{
    return UpperAscii(ReadIniValue(idwbinfoPath, L"BUILDINFO", L"BuildArch")) == L"AMD64";
}

bool IsEmbeddedSku(const std::wstring& sourceRoot)
{
    return UpperAscii(ReadIniValue(sourceRoot + L"sources\\product.ini", L"sku", L"Type")) == L"EMBEDDED";
}

unsigned long long GetFolderSize(const std::wstring& folder, bool recursive)
{
    std::wstring prefix = WithBackslash(folder);
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileW((prefix + L"*.*").c_str(), &data));
    if (!find)
        return 0;
    unsigned long long total = 0;
    do {
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0)
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (recursive)
                total += GetFolderSize(prefix + data.cFileName, true);
        } else {
            total += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
    } while (FindNextFileW(find.Get(), &data));
    return total;
}

unsigned long long GetFolderSize(const std::wstring& folder, bool recursive, ListingFailure& failure)
{
    FolderListing listing(folder);
    unsigned long long total = 0;
    while (listing.Next()) {
        const WIN32_FIND_DATAW& data = listing.Entry();
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (recursive) {
                total += GetFolderSize(listing.Folder() + data.cFileName, true, failure);
                if (failure.error)
                    return total;
            }
        } else {
            total += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
    }
    if (listing.Error()) {
        failure.folder = listing.Folder();
        failure.error = listing.Error();
    }
    return total;
}

unsigned long long GetFileSize64(const std::wstring& path)
{
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return 0;
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    LARGE_INTEGER size = {};
    BOOL ok = GetFileSizeEx(file.Get(), &size);
    return ok ? static_cast<unsigned long long>(size.QuadPart) : 0;
}

bool ClearReadOnly(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != 0 && attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    return true;
}

bool CopyFolder(const std::wstring& source, const std::wstring& target)
{
    if (source.empty())
        return false;
    if (!IsDirectory(target))
        CreateDirectoryW(target.c_str(), nullptr);

    std::wstring from = FullPath(source);
    if (from.empty())
        return false;
    DWORD attributes = GetFileAttributesW(from.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        from = WithBackslash(from) + L"*";
    if (from.size() + 2 > MAX_PATH)
        return false;

    std::wstring to = FullPath(target);
    if (to.empty() || to.size() > MAX_PATH - 2)
        return false;

    // The shell wants lists ended by two zero characters.
    from.append(2, L'\0');
    to.append(2, L'\0');
    return RunShellOperation(FO_COPY, from, to,
                             FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI);
}

bool DeleteFolder(const std::wstring& folder)
{
    if (!IsRemovableTree(folder))
        return false;
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    std::wstring from = folder;
    if (from.back() == L'\\')
        from.pop_back();
    from.append(2, L'\0');
    return RunShellOperation(FO_DELETE, from, std::wstring(),
                             FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI);
}

void EmptyFolder(const std::wstring& folder)
{
    if (!IsRemovableTree(folder))
        return;
    std::wstring prefix = WithBackslash(folder);
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileW((prefix + L"*.*").c_str(), &data));
    if (find) {
        do {
            if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0)
                continue;
            std::wstring path = prefix + data.cFileName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                // A link to a folder elsewhere goes as an empty folder; its target stays.
                if (!RemoveDirectoryW(path.c_str()))
                    EmptyFolder(path);
            } else {
                ClearReadOnly(path);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find.Get(), &data));
    }
    ClearReadOnly(folder);
    RemoveDirectoryW(folder.c_str());
}

void FindFilesByExt(std::vector<std::wstring>& files, const std::wstring& folder, const std::wstring& ext)
{
    std::wstring prefix = WithBackslash(folder);
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileW((prefix + L"*.*").c_str(), &data));
    if (!find)
        return;
    do {
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0)
            continue;
        std::wstring path = prefix + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            FindFilesByExt(files, path, ext);
            continue;
        }
        const wchar_t* dot = wcsrchr(data.cFileName, L'.');
        if (dot &&
            CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, dot, -1, ext.c_str(), -1) == CSTR_EQUAL)
            files.push_back(path);
    } while (FindNextFileW(find.Get(), &data));
}

bool IsSameTextNoCase(const std::wstring& a, const std::wstring& b) { return UpperAscii(a) == UpperAscii(b); }
