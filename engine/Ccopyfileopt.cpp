#include "engine/Ccopyfileopt.h"

#include "engine/FileUtil.h"
#include "engine/FolderListing.h"
#include "engine/TraceLog.h"

#include <cwchar>
#include <string>

namespace {

std::atomic<CopyFileExFunction> g_copyFunction{nullptr};

CopyFileExFunction CurrentCopyFunction()
{
    CopyFileExFunction copy = g_copyFunction.load();
    return copy ? copy : &::CopyFileExW;
}

std::wstring WithBackslash(const wchar_t* path)
{
    std::wstring text(path ? path : L"");
    if (!text.empty() && text.back() != L'\\')
        text += L'\\';
    return text;
}

bool IsAutorunName(const wchar_t* name)
{
    static const wchar_t kAutorun[] = L"AUTORUN.INF";
    size_t i = 0;
    for (; name[i] && kAutorun[i]; ++i) {
        wchar_t c = name[i];
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c != kAutorun[i])
            return false;
    }
    return name[i] == L'\0' && kAutorun[i] == L'\0';
}

bool IsExistingFile(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsExistingDirectory(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// True only when the path is surely not there, not when it can't be read.
bool IsAbsentPath(const wchar_t* path)
{
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES)
        return false;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Bytes below a folder, or of one file; a folder that can't be listed is reported.
unsigned long long MeasurePath(const wchar_t* path, ListingFailure& failure)
{
    if (!path)
        return 0;
    if (IsExistingDirectory(path))
        return GetFolderSize(path, true, failure);
    return GetFileSize64(path);
}

} // namespace

COptFile* COptFile::Instance()
{
    // Lives until the program ends.
    static COptFile* instance = new COptFile();
    return instance;
}

void COptFile::SetCopyFunction(CopyFileExFunction copy) { g_copyFunction.store(copy); }

void COptFile::SetPath(const wchar_t* source, const wchar_t* target)
{
    m_pSrcPath = source;
    m_pDstPath = target;
}

bool COptFile::IsStop() const
{
    if (m_bStop.load())
        return true;
    const std::atomic<bool>* cancel = m_pCancel.load();
    return cancel && cancel->load();
}

bool COptFile::Copy(LPPROGRESS_ROUTINE routine, LPVOID data)
{
    m_bStop.store(false);
    m_TotalFileSize.store(0);
    m_CopiedSize.store(0);
    m_LastError = 0;
    if (!m_pSrcPath || !m_pDstPath)
        return false;
    ICopyfileSink* sink = this;
    return sink->OnCopyfileCallback(routine, data, m_pSrcPath, m_pDstPath);
}

bool COptFile::OnCopyfileCallback(LPPROGRESS_ROUTINE routine, LPVOID data, const wchar_t* source,
                                  const wchar_t* target)
{
    ListingFailure unlisted;
    m_TotalFileSize.store(MeasurePath(source, unlisted));
    TraceLog(std::wstring(L"[CopyOperation:: Srcpath]") + source);
    TraceLog(L"[CopyOperation:: m_TotalFileSize]" + std::to_wstring(m_TotalFileSize.load()));

    if (IsExistingFile(source))
        return CopyOneFile(routine, data, source, target);
    if (IsAbsentPath(source)) {
        // A program folder left out of the package copies as empty. A disc that is gone
        // answers "not ready", not "not found", and fails below.
        TraceLog(std::wstring(L"[COptFile::OnCopyfileCallback] no such folder, nothing copied: ") + source);
        if (!IsExistingDirectory(target) && !CreateDirectoryW(target, nullptr))
            NoteError(GetLastError());
        return true;
    }

    // A folder that can't be read is missing from the copy: the tree is not complete.
    bool res = false;
    if (unlisted.error) {
        TraceLog(ListingFailureText(L"[COptFile::GetPathSize]", unlisted.folder, unlisted.error));
        NoteError(unlisted.error);
    } else {
        res = CopyFolder(routine, data, source, target);
    }
    if (!res || !IsFinished()) {
        TraceLog(L"[OnCopyfileCallback::false]!res || (res && !IsFinished() )");
        ClearTarget();
        return false;
    }
    if (IsStop()) {
        TraceLog(L"[OnCopyfileCallback::false]!IsStop");
        ClearTarget();
    }
    return true;
}

bool COptFile::CopyFolder(LPPROGRESS_ROUTINE routine, LPVOID data, const wchar_t* source,
                          const wchar_t* target)
{
    if (!IsExistingDirectory(target) && !CreateDirectoryW(target, nullptr))
        NoteError(GetLastError());

    std::wstring targetPrefix = WithBackslash(target);
    FolderListing listing(source);
    const std::wstring& sourcePrefix = listing.Folder();

    CopyFileExFunction copy = CurrentCopyFunction();
    while (listing.Next()) {
        if (IsStop())
            return true;
        const WIN32_FIND_DATAW& entry = listing.Entry();
        std::wstring from = sourcePrefix + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!CopyFolder(routine, data, from.c_str(), (targetPrefix + entry.cFileName).c_str()))
                return false;
            continue;
        }

        // Some guards block writes of AUTORUN.INF: write it under another name first.
        bool autorun = IsAutorunName(entry.cFileName);
        std::wstring to = targetPrefix + (autorun ? std::wstring(L"TOINI") : entry.cFileName);
        BOOL cancel = FALSE;
        if (!copy(from.c_str(), to.c_str(), routine, data, &cancel, 0)) {
            NoteError(GetLastError());
            return false;
        }
        if (autorun) {
            std::wstring named = targetPrefix + entry.cFileName;
            ClearReadOnly(named);
            if (!MoveFileExW(to.c_str(), named.c_str(), MOVEFILE_REPLACE_EXISTING)) {
                DWORD error = GetLastError();
                NoteError(error);
                TraceLog(L"[COptFile::CopyFolder] rename failed: " + named);
                TraceSystemError(error);
                return false;
            }
        }
        m_CopiedSize.fetch_add((static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) |
                               entry.nFileSizeLow);
    }
    // A listing that broke off must not pass for the end of the folder.
    if (listing.Error()) {
        NoteError(listing.Error());
        TraceLog(ListingFailureText(L"[COptFile::CopyFolder]", listing.Folder(), listing.Error()));
        return false;
    }
    return true;
}

bool COptFile::CopyOneFile(LPPROGRESS_ROUTINE routine, LPVOID data, const wchar_t* source,
                           const wchar_t* target)
{
    if (!IsExistingFile(source))
        return false;
    if (!IsExistingDirectory(target))
        CreateDirectoryW(target, nullptr);
    const wchar_t* name = wcsrchr(source, L'\\');
    name = name ? name + 1 : source;
    std::wstring to = WithBackslash(target) + name;
    BOOL cancel = FALSE;
    if (CurrentCopyFunction()(source, to.c_str(), routine, data, &cancel, 0))
        return true;
    NoteError(GetLastError());
    return false;
}

bool COptFile::IsFinished()
{
    ListingFailure unlisted;
    long long now = static_cast<long long>(MeasurePath(m_pSrcPath, unlisted));
    if (unlisted.error) {
        NoteError(unlisted.error);
        TraceLog(ListingFailureText(L"[COptFile::IsFinished]", unlisted.folder, unlisted.error));
    }
    if (unlisted.error || now < static_cast<long long>(m_TotalFileSize.load())) {
        TraceLog(L"[COptFile::IsFinished]!false");
        return false;
    }
    TraceLog(L"[COptFile::IsFinished]!true");
    return true;
}

unsigned long long COptFile::GetPathSize(const wchar_t* path)
{
    if (!path)
        return 0;
    if (IsExistingDirectory(path))
        return GetFolderSize(path, true);
    return GetFileSize64(path);
}

void COptFile::ClearTarget()
{
    if (!m_pDstPath)
        return;
    EmptyFolder(m_pDstPath);
    CreateDirectoryW(m_pDstPath, nullptr);
}
