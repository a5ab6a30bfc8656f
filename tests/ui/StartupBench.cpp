// Start-up time of the wizard against a program that shows only an empty window of the
// same size. Not a test: run it under wine from the bin folder (./dev bench-startup).
//
//   wine bench_startup.exe [--rounds N] [wizard.exe] [blank.exe]
//
// Each round starts both programs one after the other and measures, for each, the time
// from CreateProcess until its first visible top-level window with a client area of
// about 712 x 302 and every window below it have been painted (no update region left) and the
// program waits for input. The programs are then ended. The median of the rounds counts.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindShownWindow(HWND window, LPARAM param)
{
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != s->pid || !IsWindowVisible(window))
        return TRUE;
    RECT client;
    GetClientRect(window, &client);
    int w = client.right - client.left, h = client.bottom - client.top;
    if (w < 700 || w > 730 || h < 290 || h > 320)
        return TRUE;
    s->found = window;
    return FALSE;
}

BOOL CALLBACK CheckChildPainted(HWND child, LPARAM param)
{
    if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(param) = false;
        return FALSE;
    }
    return TRUE;
}

bool Painted(HWND window)
{
    if (GetUpdateRect(window, nullptr, FALSE))
        return false;
    bool painted = true;
    EnumChildWindows(window, CheckChildPainted, reinterpret_cast<LPARAM>(&painted));
    return painted;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& freq)
{
    return double(to.QuadPart - from.QuadPart) / double(freq.QuadPart);
}

// Seconds until the program's window is painted; negative when it never was.
double TimeStart(const std::wstring& program)
{
    LARGE_INTEGER freq, start, now;
    QueryPerformanceFrequency(&freq);
    std::wstring folder = program.substr(0, program.find_last_of(L"\\/") + 1);
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
        fwprintf(stderr, L"cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
        return -1;
    }
    double result = -1;
    for (;;) {
        Search s{pi.dwProcessId, nullptr};
        EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&s));
        if (s.found && Painted(s.found) && WaitForInputIdle(pi.hProcess, 0) == 0 && Painted(s.found)) {
            QueryPerformanceCounter(&now);
            result = Seconds(start, now, freq);
            break;
        }
        QueryPerformanceCounter(&now);
        if (Seconds(start, now, freq) > 30 || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(1);
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int rounds = 7;
    std::vector<std::wstring> programs;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"--rounds") == 0 && i + 1 < argc)
            rounds = std::max(1, _wtoi(argv[++i]));
        else
            programs.push_back(argv[i]);
    }
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring here(self);
    here = here.substr(0, here.find_last_of(L"\\/") + 1);
    if (programs.size() < 1)
        programs.push_back(here + L"BrindleSln.exe");
    if (programs.size() < 2)
        programs.push_back(here + L"bench_blank.exe");

    // One start of each first, so both find the system's libraries in the cache.
    TimeStart(programs[0]);
    TimeStart(programs[1]);
    std::vector<double> wizard, blank;
    for (int r = 0; r < rounds; ++r) {
        double a = TimeStart(programs[0]);
        double b = TimeStart(programs[1]);
        if (a < 0 || b < 0) {
            fwprintf(stderr, L"round %d: a window was never painted\n", r + 1);
            return 1;
        }
        wizard.push_back(a);
        blank.push_back(b);
        wprintf(L"round %d: wizard %.3f s, blank window %.3f s\n", r + 1, a, b);
    }
    double w = Median(wizard), b = Median(blank);
    wprintf(L"start to painted mode dialog (median of %d): %.3f s\n", rounds, w);
    wprintf(L"start to painted blank window (median of %d): %.3f s\n", rounds, b);
    wprintf(L"ratio: %.2f\n", w / b);
    return 0;
}
