// The real 64-bit wizard under Wine, driven with real input through an ISO job from the
// mode dialog to the finish box: the sample disc on optical drive R:, the DISM API and
// ISO tool stand-ins beside the program (run-real-wizard.sh lays this out).
#include "support/TestSupport.h"
#include "wizard_e2e/Screenshot.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;
using namespace wizard_e2e;

namespace {

std::wstring Env(const wchar_t* name)
{
    wchar_t buffer[1024] = {};
    DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    return n > 0 && n < 1024 ? std::wstring(buffer) : std::wstring();
}

struct Windows {
    DWORD pid;
    std::vector<HWND> found;
    std::wstring className;
};

BOOL CALLBACK Collect(HWND w, LPARAM param)
{
    auto* self = reinterpret_cast<Windows*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (pid == self->pid && IsWindowVisible(w) && (self->className.empty() || self->className == cls))
        self->found.push_back(w);
    return TRUE;
}

std::wstring Caption(HWND w)
{
    wchar_t text[256] = {};
    GetWindowTextW(w, text, 256);
    return text;
}

class RealWizard : public ::testing::Test {
protected:
    void SetUp() override
    {
        trial = Env(L"BRINDLE_TRIAL");
        ASSERT_FALSE(trial.empty()) << "run through run-real-wizard.sh";
        if (trial.back() != L'\\')
            trial += L'\\';
        wchar_t desktop[MAX_PATH] = {};
        ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop), S_OK);
        output = std::wstring(desktop) + L"\\ISOOUT\\";
        RemoveTree(output);
        ASSERT_TRUE(MakeDirs(output));
        wchar_t data[MAX_PATH] = {};
        ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, data), S_OK);
        working = std::wstring(data) + L"\\Tervo\\BrindleWinSln\\";
        DeleteFileW((working + L"XHCItrace.log").c_str());
    }
    void TearDown() override
    {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process.hProcess, 99);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
    }

    void Start()
    {
        std::wstring exe = trial + L"BrindleSln.exe";
        std::wstring line = L"\"" + exe + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        ASSERT_TRUE(CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, trial.c_str(),
                                   &si, &process))
            << GetLastError();
    }

    // The one visible top-level window of the wizard of the given class ("" any), once it
    // differs from `not`.
    HWND WaitWindow(const std::wstring& cls, HWND notThis = nullptr, DWORD ms = 30000)
    {
        DWORD end = GetTickCount() + ms;
        while (static_cast<int>(end - GetTickCount()) > 0) {
            Windows w{process.dwProcessId, {}, cls};
            EnumWindows(&Collect, reinterpret_cast<LPARAM>(&w));
            for (HWND h : w.found)
                if (h != notThis)
                    return h;
            Sleep(100);
        }
        return nullptr;
    }

    HWND Child(HWND form, int x, int y)
    {
        return ChildWindowFromPointEx(form, POINT{x, y}, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    }
    bool WaitEnabled(HWND form, int x, int y, DWORD ms)
    {
        DWORD end = GetTickCount() + ms;
        while (static_cast<int>(end - GetTickCount()) > 0) {
            HWND c = Child(form, x, y);
            if (c && c != form && IsWindowEnabled(c))
                return true;
            Sleep(100);
        }
        return false;
    }
    void Shot(HWND w, const wchar_t* name)
    {
        Sleep(300); // let the page finish painting
        EXPECT_TRUE(SaveWindowShot(w, ShotFolder() + L"real-" + name + L".png")) << Narrow(name);
    }

    std::wstring trial, output, working;
    PROCESS_INFORMATION process = {};
};

// Where the wizard's buttons sit (client coordinates, inside the drawn button).
const POINT kNext{640, 285};
const POINT kBrowse{648, 182}; // on the target page (panel at 180, 68)

} // namespace

TEST_F(RealWizard, AnIsoJobFromTheModeDialogToTheFinishBox)
{
    Start();
    // Mode dialog: choose the ISO mode with the keyboard on the mode list.
    HWND mode = WaitWindow(L"");
    ASSERT_NE(mode, nullptr) << "the wizard never showed a window";
    Sleep(500);
    ClickClient(mode, 400, 138);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    Shot(mode, L"1-mode");
    ClickClient(mode, kNext.x, kNext.y);

    // Licence page: agree, then Next.
    HWND licence = WaitWindow(L"", mode);
    ASSERT_NE(licence, nullptr);
    Sleep(300);
    ClickClient(licence, 406, 253);
    ASSERT_TRUE(WaitEnabled(licence, kNext.x, kNext.y, 5000)) << "Next stays disabled after I agree";
    Shot(licence, L"2-licence");
    ClickClient(licence, kNext.x, kNext.y);

    // Page 0: the sample disc is listed and measured.
    HWND wizard = WaitWindow(L"", licence);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(WaitEnabled(wizard, kNext.x, kNext.y, 30000)) << "the disc was never measured";
    Shot(wizard, L"3-source");
    ClickClient(wizard, kNext.x, kNext.y);

    // Page 4: the folder browser, answered with the keyboard: Desktop, then ISOOUT.
    Sleep(500);
    Shot(wizard, L"4-target-empty");
    ClickClient(wizard, kBrowse.x, kBrowse.y);
    HWND browser = WaitWindow(L"#32770", nullptr, 15000);
    ASSERT_NE(browser, nullptr) << "no folder browser";
    Sleep(800);
    Shot(browser, L"5-browse");
    HWND tree = FindWindowExW(browser, nullptr, L"SysTreeView32", nullptr);
    ASSERT_NE(tree, nullptr);
    ClickClient(tree, 30, 10); // the tree takes the keys
    PressKey(VK_HOME);
    PressKey(VK_RIGHT);
    Sleep(300);
    TypeText(L"ISOOUT");
    Sleep(300);
    Shot(browser, L"6-browse-chosen");
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitEnabled(wizard, kNext.x, kNext.y, 10000)) << "the folder was refused";
    Shot(wizard, L"7-target");
    ClickClient(wizard, kNext.x, kNext.y);

    // Page 2: the job runs; keep a picture of each new state of the page.
    HWND finish = nullptr;
    unsigned long long last = 0;
    int shots = 0;
    DWORD end = GetTickCount() + 180000;
    while (!finish && static_cast<int>(end - GetTickCount()) > 0) {
        unsigned long long hash = ClientHash(wizard);
        if (hash != last && shots < 8) {
            last = hash;
            SaveWindowShot(wizard, ShotFolder() + L"real-8-progress-" + std::to_wstring(++shots) + L".png");
        }
        Sleep(150);
        finish = WaitWindow(L"#32770", nullptr, 1);
    }
    ASSERT_NE(finish, nullptr) << "no finish box";
    Sleep(500);
    Shot(wizard, L"9-done");
    Shot(finish, L"10-finish-box");
    EXPECT_EQ(Caption(finish), L"Finished");
    EXPECT_GE(shots, 2) << "the progress page never changed";

    // Yes ends the program.
    HWND yes = GetDlgItem(finish, IDYES);
    ASSERT_NE(yes, nullptr);
    RECT r;
    GetWindowRect(yes, &r);
    POINT c{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ScreenToClient(finish, &c);
    ClickClient(finish, c.x, c.y);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0) << "Yes did not end the program";
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);

    // The image the stand-in tool wrote, its command line and the trace.
    std::string image = ReadBytes(output + L"SAMPLE_X64_DVD.iso");
    ASSERT_FALSE(image.empty()) << "no image in " << Narrow(output);
    EXPECT_EQ(image.substr(image.size() - 5), "END\r\n");
    EXPECT_NE(image.find("sources\\boot.wim"), std::string::npos);
    EXPECT_NE(image.find("readme-x64.txt"), std::string::npos) << "the Other folder reached the image";
    std::string raw = ReadBytes(trial + L"Oscdimg_x86\\Oscdimg\\oscdimg-cmdline.txt");
    std::wstring cmd(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / 2);
    EXPECT_NE(cmd.find(L"-lWIN7 -m -o -u1 -udfver102 -bootdata:2#p0,e,b"), std::wstring::npos) << Narrow(cmd);
    EXPECT_NE(cmd.find(L"Oscdimg_amd64\\Oscdimg\\efisys.bin"), std::wstring::npos) << Narrow(cmd);
    EXPECT_NE(cmd.find(L"SAMPLE_X64_DVD.iso"), std::wstring::npos) << Narrow(cmd);

    std::string trace = ReadBytes(working + L"XHCItrace.log");
    std::wstring log(reinterpret_cast<const wchar_t*>(trace.data()), trace.size() / 2);
    for (const wchar_t* line : {L"WIN7_OPERAT_INFO:szSourcePath: R:\\", L"WIN7_OPERAT_INFO:bIs64bitDVD: 1",
                                L"WIN7_OPERAT_INFO:m_DlgType: 1", L"[UpdateResult] finish_Success"})
        EXPECT_NE(log.find(line), std::wstring::npos) << Narrow(line);
    EXPECT_NE(log.find(L"WIN7_OPERAT_INFO:szTagPath: " + output), std::wstring::npos);
    // The temporary work folder is gone again.
    EXPECT_EQ(log.find(L"finish_Fail"), std::wstring::npos);
    std::string journal = ReadBytes(trial + L"dismapi-state\\journal.txt");
    EXPECT_NE(journal.find("samplexhci.inf"), std::string::npos) << "the driver was added";
}
