// The real program: a second copy started while the first runs leaves at once with 0.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

struct Search {
    DWORD pid;
    bool shown;
};

BOOL CALLBACK FindShown(HWND window, LPARAM param)
{
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == s->pid && IsWindowVisible(window)) {
        s->shown = true;
        return FALSE;
    }
    return TRUE;
}

bool HasVisibleWindow(DWORD pid)
{
    Search s{pid, false};
    EnumWindows(FindShown, reinterpret_cast<LPARAM>(&s));
    return s.shown;
}

PROCESS_INFORMATION Start(const std::wstring& program)
{
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        ADD_FAILURE() << "CreateProcess failed: " << GetLastError();
    return pi;
}

void End(PROCESS_INFORMATION& pi)
{
    if (!pi.hProcess)
        return;
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    pi = PROCESS_INFORMATION{};
}

} // namespace

TEST(ProgramStart, SecondCopyLeavesAtOnce)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program(self);
    program = program.substr(0, program.find_last_of(L'\\') + 1) + L"BrindleSln.exe";

    PROCESS_INFORMATION first = Start(program);
    ASSERT_NE(nullptr, first.hProcess);
    // The first copy shows its mode dialog.
    DWORD deadline = GetTickCount() + 20000;
    while (!HasVisibleWindow(first.dwProcessId) && static_cast<int>(deadline - GetTickCount()) > 0)
        Sleep(20);
    ASSERT_TRUE(HasVisibleWindow(first.dwProcessId));

    PROCESS_INFORMATION second = Start(program);
    ASSERT_NE(nullptr, second.hProcess);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second.hProcess, 10000));
    DWORD code = 1234;
    GetExitCodeProcess(second.hProcess, &code);
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(HasVisibleWindow(second.dwProcessId));
    // The first copy runs on.
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(first.hProcess, 0));
    End(second);
    End(first);
}
