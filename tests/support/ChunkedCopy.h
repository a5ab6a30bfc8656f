#pragma once
// A file copy with CopyFileExW's signature that, unlike Wine's CopyFileExW, calls the
// progress routine: once before the first byte and after every chunk. It honours
// PROGRESS_CANCEL (target removed), PROGRESS_STOP (target kept), PROGRESS_QUIET and the
// cancel flag, copies the attributes and the write time, and with flags 0 replaces an
// existing target unless it is read-only (ERROR_ACCESS_DENIED, as CopyFileExW).
#include <windows.h>

#include <functional>
#include <string>

namespace testing_support {

BOOL WINAPI ChunkedCopyFileEx(LPCWSTR existing, LPCWSTR newFile, LPPROGRESS_ROUTINE routine, LPVOID data,
                              LPBOOL cancel, DWORD flags);

// Bytes per chunk (64 KB unless set); 0 restores the default.
void SetCopyChunkSize(DWORD bytes);

// Called after the progress routine has seen each chunk (and once for an empty file),
// with the source, the bytes done and the file's size. Tests use it to act at a chosen
// moment of a copy. Empty removes it.
using ChunkObserver =
    std::function<void(const std::wstring& source, unsigned long long done, unsigned long long total)>;
void SetChunkObserver(ChunkObserver observer);

// Installs ChunkedCopyFileEx into the copy engine for its lifetime.
class ScopedChunkedCopy {
public:
    explicit ScopedChunkedCopy(DWORD chunkBytes = 0);
    ~ScopedChunkedCopy();
    ScopedChunkedCopy(const ScopedChunkedCopy&) = delete;
    ScopedChunkedCopy& operator=(const ScopedChunkedCopy&) = delete;
};

} // namespace testing_support
