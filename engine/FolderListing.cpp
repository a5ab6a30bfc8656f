#include "engine/FolderListing.h"

#include "engine/TraceLog.h"

#include <atomic>
#include <cwchar>

namespace {

std::atomic<FindFirstFunction> g_findFirst{nullptr};
std::atomic<FindNextFunction> g_findNext{nullptr};

bool IsDirectory(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDotEntry(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

// Errors that only mean "nothing (more) to list".
bool IsEndOfListing(DWORD error) { return error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND; }

} // namespace

void FolderListing::SetFindFunctions(FindFirstFunction first, FindNextFunction next)
{
    g_findFirst.store(first);
    g_findNext.store(next);
}

FolderListing::FolderListing(const std::wstring& folder) : m_folder(folder)
{
    if (!m_folder.empty() && m_folder.back() != L'\\')
        m_folder += L'\\';
    FindFirstFunction first = g_findFirst.load();
    m_find.Reset((first ? first : &::FindFirstFileW)((m_folder + L"*.*").c_str(), &m_entry));
    if (m_find) {
        m_pending = true;
        return;
    }
    DWORD error = GetLastError();
    // Only an existing folder may answer "no files": the root of an empty disc does. A
    // folder that is missing or unreadable is a failure, whatever the code says.
    if (IsEndOfListing(error) && IsDirectory(m_folder))
        return;
    m_error = error ? error : ERROR_GEN_FAILURE;
}

bool FolderListing::Next()
{
    if (!m_find)
        return false;
    FindNextFunction next = g_findNext.load();
    if (!next)
        next = &::FindNextFileW;
    for (;;) {
        if (m_pending) {
            m_pending = false;
        } else if (!next(m_find.Get(), &m_entry)) {
            DWORD error = GetLastError();
            if (error != ERROR_NO_MORE_FILES)
                m_error = error ? error : ERROR_GEN_FAILURE;
            m_find.Reset();
            return false;
        }
        if (!IsDotEntry(m_entry.cFileName))
            return true;
    }
}

std::wstring ListingFailureText(const std::wstring& origin, const std::wstring& folder, unsigned long error)
{
    std::wstring text = SystemErrorText(error);
    // The error text comes indented for a line of its own.
    size_t start = text.find_first_not_of(L' ');
    return origin + L" cannot list " + folder + L": " +
           (start == std::wstring::npos ? text : text.substr(start));
}
