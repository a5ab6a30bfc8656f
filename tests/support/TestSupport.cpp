#include "support/TestSupport.h"

#include "engine/AppPaths.h"
#include "hooks/TestHooks.h"
#include "engine/EngineMessageBox.h"
#include "engine/TraceLog.h"

#include <winioctl.h>

#include <atomic>
#include <vector>

namespace testing_support {

namespace {
std::atomic<unsigned> g_tempCounter{0};

std::wstring WithSlash(std::wstring path)
{
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path;
}
} // namespace

namespace {
std::wstring TempBase()
{
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    return base;
}
} // namespace

TempDir::TempDir() : TempDir(TempBase()) {}

TempDir::TempDir(const std::wstring& base)
{
    MakeDirs(base);
    for (;;) {
        std::wstring candidate = WithSlash(base) + L"bt" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                                 std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(g_tempCounter++);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            m_path = WithSlash(candidate);
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return;
    }
}

TempDir::~TempDir()
{
    if (!m_path.empty())
        RemoveTree(m_path);
}

void RemoveTree(const std::wstring& path)
{
    std::wstring dir = WithSlash(path);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = dir + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(dir.c_str());
}

bool MakeDirs(const std::wstring& path)
{
    std::wstring dir = WithSlash(path);
    for (size_t pos = 0; (pos = dir.find(L'\\', pos + 1)) != std::wstring::npos;) {
        std::wstring part = dir.substr(0, pos);
        if (part.size() == 2 && part[1] == L':')
            continue;
        if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok =
        bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadBytes(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string result;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        result.append(buffer, got);
    CloseHandle(file);
    return result;
}

bool FileExists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeSizedFile(const std::wstring& path, unsigned long long size)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD ignored = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    BOOL ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return ok != FALSE;
}

std::string Narrow(const std::wstring& text) { return WStringToAString(text); }
std::wstring Widen(const std::string& text) { return AStringToWString(text); }

MessageBoxRecorder::MessageBoxRecorder()
{
    SetMessageBoxHook([this](HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_boxes.push_back(Box{owner, text, caption, type});
        if (!m_answers.empty()) {
            int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        }
        UINT buttons = type & MB_TYPEMASK;
        return (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? IDNO : IDOK;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHook(nullptr); }

void MessageBoxRecorder::QueueAnswer(int answer)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_answers.push_back(answer);
}

std::vector<MessageBoxRecorder::Box> MessageBoxRecorder::Boxes() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_boxes;
}

size_t MessageBoxRecorder::Count() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_boxes.size();
}

ScopedProgramFolder::ScopedProgramFolder(const std::wstring& folder) { SetProgramFolderOverride(folder); }
ScopedProgramFolder::~ScopedProgramFolder() { SetProgramFolderOverride(std::wstring()); }

ScopedWorkingFolder::ScopedWorkingFolder(const std::wstring& folder)
{
    SetWorkingFolderOverride(WStringToAString(folder));
}
ScopedWorkingFolder::~ScopedWorkingFolder() { SetWorkingFolderOverride(std::string()); }

std::wstring TestProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full(path);
    return full.substr(0, full.find_last_of(L'\\') + 1);
}

} // namespace testing_support
