// Copies a tree of about 2 GB (many small files, a few large ones) three ways: under Wine
// with the copy engine and with a plain recursive CopyFileExW (the same system calls without
// the engine, which tells the engine's cost from Wine's) and with the host's own "cp -r".
// It prints each copy's time and, over the rounds, the median of the engine's throughput
// as a share of each other copy's in the same round, with the lowest and highest.
//
//   ./dev bench-copy [--work FOLDER] [--rounds N]
//   wine build/win64/bin/bench_copy.exe [work folder] [--rounds N]
//
// The work folder (default %TEMP%\bench_copy) keeps the source tree between runs; each
// copy is removed after it is timed. A copy runs onto a disk still busy with the one before
// it, so the engine and the plain copy swap places every other round and each round's
// ratio compares the two within it. The host's dirty pages are flushed before and after
// every copy, and the flush counts.
#include "engine/CopyOperation.h"
#include "engine/FileUtil.h"
#include "engine/TraceLog.h"
#include "hooks/TestHooks.h"
#include "PairedRatio.h"

#include <windows.h>

#include <algorithm>
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
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
        DWORD chunk =
            static_cast<DWORD>(std::min<unsigned long long>(size - done, block.size() * sizeof(unsigned)));
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
            ok = CopyFileExW((from + entry.cFileName).c_str(), (to + entry.cFileName).c_str(), nullptr,
                             nullptr, nullptr, 0) != FALSE;
    } while (ok && FindNextFileW(find, &entry));
    FindClose(find);
    return ok;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

enum Copier { kHost, kPlain, kEngine, kCopiers };
const char* const kCopierNames[kCopiers] = {"host cp -r       ", "Wine CopyFileExW ", "engine (COptFile)"};

void PrintRatio(const char* label, const std::vector<double>& times, const std::vector<double>& others)
{
    std::vector<double> ratios;
    for (size_t r = 0; r < times.size(); ++r)
        ratios.push_back(times[r] > 0 && others[r] > 0 ? 100.0 * others[r] / times[r] : 0.0);
    RatioSummary s = SummariseRatios(ratios);
    if (s.rounds == 0)
        return;
    std::printf("%s median %6.1f %% over %u paired rounds (lowest %.1f %%, highest %.1f %%)\n", label,
                s.median, unsigned(s.rounds), s.lowest, s.highest);
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::wstring work;
    int rounds = 6;
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
    if (!host) {
        std::printf("the host's shell cannot be reached (not under Wine?): nothing timed\n");
        return 1;
    }
    auto removeTarget = [&] { RunHost("rm -rf " + Quote(unixDst)); };
    auto flush = [&] { RunHost("sync"); };

    // Seconds for one copy into the empty target, checked and removed; 0 when it failed.
    auto timeCopy = [&](Copier which) {
        if (which == kEngine)
            CreateDirectoryW(dst.c_str(), nullptr);
        flush();
        auto start = std::chrono::steady_clock::now();
        bool ok = false;
        if (which == kHost) {
            ok = RunHost("cp -r " + Quote(unixSrc) + " " + Quote(unixDst));
        } else if (which == kPlain) {
            ok = PlainCopy(src, dst);
        } else {
            CopyOperation copy(nullptr, STEP_COPY_TO_TARGET, src, dst, 1.0);
            ok = copy.Excute() == 1;
        }
        flush();
        double t = Seconds(start);
        ok = ok && GetFolderSize(dst, true) == bytes;
        removeTarget();
        return ok ? t : 0.0;
    };

    std::vector<double> times[kCopiers];
    removeTarget();
    for (int round = 0; round < rounds; ++round) {
        // The host's copy leads every round; the two Wine copies swap places, so each
        // follows the host's copy in half the rounds and the other Wine copy in the rest.
        const Copier order[2][kCopiers] = {{kHost, kPlain, kEngine}, {kHost, kEngine, kPlain}};
        for (int i = 0; i < kCopiers; ++i) {
            Copier which = order[round % 2][i];
            double t = timeCopy(which);
            times[which].push_back(t);
            std::printf("round %d, copy %d: %s ", round + 1, i + 1, kCopierNames[which]);
            if (t > 0)
                std::printf("%7.2f s\n", t);
            else
                std::printf("   FAILED\n");
        }
    }

    std::printf("\ntree: %u files, %.0f MB; %d rounds, the Wine copies swapping places each round\n", files,
                bytes / double(MB), rounds);
    for (int which = kHost; which < kCopiers; ++which) {
        std::vector<double> rates;
        for (double t : times[which])
            rates.push_back(t > 0 ? bytes / double(MB) / t : 0.0);
        RatioSummary s = SummariseRatios(rates);
        if (s.rounds)
            std::printf("%s median %8.1f MB/s\n", kCopierNames[which], s.median);
    }
    // Above 100 % the engine was the faster of the pair.
    PrintRatio("engine / Wine CopyFileExW:", times[kEngine], times[kPlain]);
    PrintRatio("engine / host cp -r:      ", times[kEngine], times[kHost]);
    const bool engineRan =
        std::any_of(times[kEngine].begin(), times[kEngine].end(), [](double t) { return t > 0; });
    return engineRan ? 0 : 1;
}
