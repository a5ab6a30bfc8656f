#include "support/ChunkedCopy.h"

#include "engine/Ccopyfileopt.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace testing_support {

namespace {

constexpr DWORD kDefaultChunk = 64 * 1024;
std::atomic<DWORD> g_chunk{kDefaultChunk};
std::mutex g_observerLock;
ChunkObserver g_observer;

void Notify(const std::wstring& source, unsigned long long done, unsigned long long total)
{
    ChunkObserver observer;
    {
        std::lock_guard<std::mutex> lock(g_observerLock);
        observer = g_observer;
    }
    if (observer)
        observer(source, done, total);
}

LARGE_INTEGER Large(unsigned long long value)
{
    LARGE_INTEGER result;
    result.QuadPart = static_cast<LONGLONG>(value);
    return result;
}

} // namespace

void SetCopyChunkSize(DWORD bytes) { g_chunk.store(bytes ? bytes : kDefaultChunk); }

void SetChunkObserver(ChunkObserver observer)
{
    std::lock_guard<std::mutex> lock(g_observerLock);
    g_observer = std::move(observer);
}

BOOL WINAPI ChunkedCopyFileEx(LPCWSTR existing, LPCWSTR newFile, LPPROGRESS_ROUTINE routine, LPVOID data,
                              LPBOOL cancel, DWORD flags)
{
    HANDLE source = CreateFileW(existing, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (source == INVALID_HANDLE_VALUE)
        return FALSE;
    BY_HANDLE_FILE_INFORMATION info = {};
    LARGE_INTEGER size = {};
    if (!GetFileInformationByHandle(source, &info) || !GetFileSizeEx(source, &size)) {
        DWORD error = GetLastError();
        CloseHandle(source);
        SetLastError(error);
        return FALSE;
    }
    DWORD existingTarget = GetFileAttributesW(newFile);
    if (existingTarget != INVALID_FILE_ATTRIBUTES) {
        if (flags & COPY_FILE_FAIL_IF_EXISTS) {
            CloseHandle(source);
            SetLastError(ERROR_FILE_EXISTS);
            return FALSE;
        }
        if (existingTarget & FILE_ATTRIBUTE_READONLY) {
            CloseHandle(source);
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        // A hidden or system target can't be replaced by CREATE_ALWAYS with other attributes.
        SetFileAttributesW(newFile, FILE_ATTRIBUTE_NORMAL);
    }
    HANDLE target =
        CreateFileW(newFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (target == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        CloseHandle(source);
        SetLastError(error);
        return FALSE;
    }

    const unsigned long long total = static_cast<unsigned long long>(size.QuadPart);
    unsigned long long done = 0;
    bool quiet = routine == nullptr;
    DWORD answer = PROGRESS_CONTINUE;
    auto report = [&](DWORD reason) -> DWORD {
        if (quiet)
            return PROGRESS_CONTINUE;
        DWORD result =
            routine(Large(total), Large(done), Large(total), Large(done), 1, reason, source, target, data);
        if (result == PROGRESS_QUIET) {
            quiet = true;
            return PROGRESS_CONTINUE;
        }
        return result;
    };

    answer = report(CALLBACK_STREAM_SWITCH);
    bool ok = true;
    std::vector<char> buffer(g_chunk.load());
    if (total == 0)
        Notify(existing, 0, 0);
    while (answer == PROGRESS_CONTINUE && done < total) {
        if (cancel && *cancel) {
            answer = PROGRESS_CANCEL;
            break;
        }
        DWORD read = 0, written = 0;
        if (!ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) ||
            read == 0 || !WriteFile(target, buffer.data(), read, &written, nullptr) || written != read) {
            ok = false;
            break;
        }
        done += read;
        answer = report(CALLBACK_CHUNK_FINISHED);
        Notify(existing, done, total);
    }

    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (ok && answer != PROGRESS_CONTINUE) {
        ok = false;
        error = ERROR_REQUEST_ABORTED;
    }
    if (ok) {
        SetFileTime(target, nullptr, nullptr, &info.ftLastWriteTime);
    }
    CloseHandle(target);
    CloseHandle(source);
    if (ok) {
        SetFileAttributesW(newFile, info.dwFileAttributes);
        return TRUE;
    }
    if (answer != PROGRESS_STOP)
        DeleteFileW(newFile);
    SetLastError(error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error);
    return FALSE;
}

ScopedChunkedCopy::ScopedChunkedCopy(DWORD chunkBytes)
{
    SetCopyChunkSize(chunkBytes);
    COptFile::SetCopyFunction(&ChunkedCopyFileEx);
}

ScopedChunkedCopy::~ScopedChunkedCopy()
{
    COptFile::SetCopyFunction(nullptr);
    SetCopyChunkSize(0);
    SetChunkObserver(nullptr);
}

} // namespace testing_support
