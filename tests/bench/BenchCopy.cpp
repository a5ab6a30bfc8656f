// Copies a tree of about 2 GB (many small files, a few large ones) with the copy engine
// under Wine and with the host's own "cp -r", and prints both throughputs and their ratio.
//
//   wine build/win64/bin/bench_copy.exe [work folder] [--rounds N]
//
// The work folder (default %TEMP%\bench_copy) keeps the source tree between runs; the
// copies are removed after each round. Each side runs N times (default 2), alternating,
// and the best time of each counts. A plain recursive CopyFileExW under Wine, without the
// engine, is timed as well, to tell the engine's cost from Wine's. The host's dirty pages
// are flushed before and after every copy, and the flush counts.
#include "engine/CopyOperation.h"
#include "engine/FileUtil.h"
#include "engine/TraceLog.h"
#include "hooks/TestHooks.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const unsigned long long MB = 1048576ull;
const int kLargeFiles = 4;
const unsigned long long kLargeSize = 300 * MB;
const int kFolders = 160;
const int kFilesPerFolder = 100;

using UnixNameFn = char*(CDECL*)(LPCWSTR);

std::string UnixName(const std::wstring& path)
{
    static auto fn = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn)
        return std::string();
    char* name = fn(path.c_str());
    if (!name)
        return std::string();
    std::string result(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Runs a shell command on the host through Wine's Z: drive and waits for it. Wine gives
// no handle for a host process, so the command leaves a file behind when it ends.
std::wstring g_doneFile;

bool RunHost(const std::string& command)
{
    const std::string done = UnixName(g_doneFile);
    if (done.empty())
        return false;
    DeleteFileW(g_doneFile.c_str());
    std::string line = "Z:\\bin\\sh -c \"" + command + "; touch '" + done + "'\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hThread)
        CloseHandle(pi.hThread);
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 3600 * 1000; Sleep(2))
        if (GetFileAttributesW(g_doneFile.c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
    return false;
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

bool WriteFileOfSize(const std::wstring& path, unsigned long long size, unsigned seed)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::vector<unsigned> block(256 * 1024);
    unsigned x = seed * 2654435761u + 1;
    bool ok = true;
    for (unsigned long long done = 0; ok && done < size;) {
        for (unsigned& word : block) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            word = x;
        }
        DWORD chunk = static_cast<DWORD>(
            std::min<unsigned long long>(size - done, block.size() * sizeof(unsigned)));
        DWORD written = 0;
        ok = WriteFile(file, block.data(), chunk, &written, nullptr) && written == chunk;
        done += chunk;
    }
    CloseHandle(file);
    return ok;
}

// The source tree; reused when a previous run finished it.
bool MakeSource(const std::wstring& src, unsigned long long& bytes, unsigned& files)
{
    bytes = kLargeFiles * kLargeSize;
    files = kLargeFiles;
    for (int f = 0; f < kFolders; ++f)
        for (int i = 0; i < kFilesPerFolder; ++i) {
            bytes += 4096 + ((f * kFilesPerFolder + i) * 7919u) % (96 * 1024);
            ++files;
        }
    std::wstring marker = src + L"complete.txt";
    if (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    std::printf("making the source tree (%.0f MB, %u files)...\n", bytes / double(MB), files);
    CreateDirectoryW(src.c_str(), nullptr);
    for (int i = 0; i < kLargeFiles; ++i)
        if (!WriteFileOfSize(src + L"large" + std::to_wstring(i) + L".wim", kLargeSize, 100 + i))
            return false;
    for (int f = 0; f < kFolders; ++f) {
        std::wstring folder = src + L"dir" + std::to_wstring(f) + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        for (int i = 0; i < kFilesPerFolder; ++i) {
            unsigned size = 4096 + ((f * kFilesPerFolder + i) * 7919u) % (96 * 1024);
            if (!WriteFileOfSize(folder + L"file" + std::to_wstring(i) + L".bin", size,
                                 f * kFilesPerFolder + i))
                return false;
        }
    }
    return WriteFileOfSize(marker, 0, 0);
}

// The same system copy per file, without the engine around it: what Wine itself costs.
bool PlainCopy(const std::wstring& from, const std::wstring& to)
{
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((from + L"*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    bool ok = true;
    do {
        if (!wcscmp(entry.cFileName, L".") || !wcscmp(entry.cFileName, L".."))
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = PlainCopy(from + entry.cFileName + L"\\", to + entry.cFileName + L"\\");
        else
            ok = CopyFileExW((from + entry.cFileName).c_str(), (to + entry.cFileName).c_str(),
                             nullptr, nullptr, nullptr, 0) != FALSE;
    } while (ok && FindNextFileW(find, &entry));
    FindClose(find);
    return ok;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::wstring work;
    int rounds = 2;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else
            work = AStringToWString(argv[i]);
    }
    if (work.empty()) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        work = std::wstring(temp) + L"bench_copy";
    }
    if (work.back() != L'\\')
        work += L'\\';
    CreateDirectoryW(work.c_str(), nullptr);
    // The engine's trace log goes into the work folder, not the machine's.
    SetWorkingFolderOverride(WStringToAString(work + L"log\\"));

    const std::wstring src = work + L"src\\";
    const std::wstring dst = work + L"dst\\";
    unsigned long long bytes = 0;
    unsigned files = 0;
    if (!MakeSource(src, bytes, files)) {
        std::printf("could not make the source tree in %ls\n", work.c_str());
        return 1;
    }

    const std::string unixSrc = UnixName(src), unixDst = UnixName(dst);
    g_doneFile = work + L"host-done";
    const bool host = !unixSrc.empty() && !unixDst.empty() && RunHost("true");
    auto removeTarget = [&] {
        if (host)
            RunHost("rm -rf " + Quote(unixDst));
        else
            std::printf("remove %ls by hand between runs\n", dst.c_str());
    };
    auto flush = [&] {
        if (host)
            RunHost("sync");
    };

    double bestEngine = 0, bestHost = 0, bestPlain = 0;
    removeTarget();
    for (int round = 0; round < rounds; ++round) {
        if (host) {
            flush();
            auto start = std::chrono::steady_clock::now();
            bool ok = RunHost("cp -r " + Quote(unixSrc) + " " + Quote(unixDst));
            flush();
            double t = Seconds(start);
            ok = ok && GetFolderSize(dst, true) == bytes;
            std::printf("host cp -r        round %d: %7.2f s %s\n", round + 1, t, ok ? "" : "FAILED");
            if (ok && (bestHost == 0 || t < bestHost))
                bestHost = t;
            removeTarget();
        }

        {
            flush();
            auto start = std::chrono::steady_clock::now();
            bool ok = PlainCopy(src, dst);
            flush();
            double t = Seconds(start);
            ok = ok && GetFolderSize(dst, true) == bytes;
            std::printf("Wine CopyFileExW  round %d: %7.2f s %s\n", round + 1, t, ok ? "" : "FAILED");
            if (ok && (bestPlain == 0 || t < bestPlain))
                bestPlain = t;
            removeTarget();
        }

        CreateDirectoryW(dst.c_str(), nullptr);
        flush();
        auto start = std::chrono::steady_clock::now();
        CopyOperation copy(nullptr, STEP_COPY_TO_TARGET, src, dst, 1.0);
        bool ok = copy.Excute() == 1;
        flush();
        double t = Seconds(start);
        ok = ok && GetFolderSize(dst, true) == bytes;
        std::printf("engine (COptFile) round %d: %7.2f s %s\n", round + 1, t, ok ? "" : "FAILED");
        if (ok && (bestEngine == 0 || t < bestEngine))
            bestEngine = t;
        removeTarget();
    }

    std::printf("\ntree: %u files, %.0f MB\n", files, bytes / double(MB));
    if (bestEngine > 0)
        std::printf("engine under Wine: %8.1f MB/s\n", bytes / double(MB) / bestEngine);
    if (bestPlain > 0)
        std::printf("Wine CopyFileExW:  %8.1f MB/s (same calls, no engine)\n",
                    bytes / double(MB) / bestPlain);
    if (bestHost > 0)
        std::printf("host cp -r:        %8.1f MB/s\n", bytes / double(MB) / bestHost);
    if (bestEngine > 0 && bestHost > 0)
        std::printf("engine / host:     %8.1f %%\n", 100.0 * bestHost / bestEngine);
    if (bestEngine > 0 && bestPlain > 0)
        std::printf("engine / Wine:     %8.1f %%\n", 100.0 * bestPlain / bestEngine);
    if (!host)
        std::printf("the host copy could not run (not under Wine?)\n");
    return bestEngine > 0 ? 0 : 1;
}
