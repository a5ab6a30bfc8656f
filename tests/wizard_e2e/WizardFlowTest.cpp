// The wizard's forms in this process, driven through whole jobs: the disk fake answers
// for the drives, the sample disc is drive Q: and the stick's root is drive S: (links the
// test's script made in its own Wine prefix), the DISM API and ISO tool are stand-ins.
#include "engine/AppPaths.h"
#include "engine/BrindleImp.h"
#include "engine/Dismmanager.h"
#include "engine/MultiLang.h"
#include "engine/USBManager.h"
#include "engine/EngineMessageBox.h"
#include "forms/Forms.h"
#include "forms/Threads.h"
#include "support/ChunkedCopy.h"
#include "support/DiskpartStandIn.h"
#include "support/DismStandin.h"
#include "support/FakeDiskSystem.h"
#include "support/TestSupport.h"
#include "support/TraceLines.h"
#include "ui/EulaDialog.h"
#include "ui/Form1_description.h"
#include "ui/Main.h"
#include "ui/Selection.h"
#include "widgets/GsButton.h"
#include "forms2/FormsTestSupport.h"
#include "wizard_e2e/Screenshot.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

using namespace testing_support;
using namespace wizard_e2e;

namespace {

const unsigned long long MiB = 1048576ull;
String T(const wchar_t* key) { return TranslateStr(key); }

std::wstring Env(const wchar_t* name)
{
    wchar_t buffer[1024] = {};
    DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    return n > 0 && n < 1024 ? std::wstring(buffer) : std::wstring();
}

// The library's boxes (the form's own and ShowMessage): answered from a queue, recorded.
struct Box {
    std::wstring text, caption;
    UINT flags;
};
std::vector<Box> g_boxes;
std::deque<int> g_answers;
std::function<void()> g_onBox;

// Answers the folder browser with one path.
class OneFolder : public ShellFolderBrowser {
public:
    explicit OneFolder(std::wstring path) : m_path(std::move(path)) { SetShellFolderBrowser(this); }
    ~OneFolder() override { SetShellFolderBrowser(nullptr); }
    PIDLIST_ABSOLUTE Browse(BROWSEINFOW*) override
    {
        return static_cast<PIDLIST_ABSOLUTE>(CoTaskMemAlloc(8));
    }
    BOOL PathFromIDList(PCIDLIST_ABSOLUTE, wchar_t* path) override
    {
        wcscpy(path, m_path.c_str());
        return TRUE;
    }
    void FreeIDList(PIDLIST_ABSOLUTE list) override { CoTaskMemFree(list); }

private:
    std::wstring m_path;
};

using forms_test::Pump;
using forms_test::PumpUntil;

class WizardFlow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Application->Initialize();
        SetFormsMessageBoxHook([](HWND, const String& text, const String& caption, UINT flags) {
            g_boxes.push_back({text, caption, flags});
            if (g_onBox)
                g_onBox();
            int answer = (flags & 0xF) == MB_YESNO ? IDNO : IDOK;
            if (!g_answers.empty()) {
                answer = g_answers.front();
                g_answers.pop_front();
            }
            return answer;
        });
        Application->CreateForm(dlgFirst);
    }

    void SetUp() override
    {
        disc = Env(L"WIZARD_DISC_LETTER");
        stick = Env(L"WIZARD_STICK_LETTER");
        ASSERT_FALSE(disc.empty() || stick.empty()) << "run through run-in-prefix.sh";
        disc += L":\\";
        stick += L":\\";
        g_boxes.clear();
        g_answers.clear();
        MakeProgramFolder();
        MakeMachine(100000, 8000);
        CUSBManager::SetSettleDelay(0);
    }
    void TearDown() override
    {
        SetChunkObserver(nullptr);
        g_onBox = nullptr;
    }

    // The folders and files the wizard reads beside itself, with the stand-ins.
    void MakeProgramFolder()
    {
        const std::wstring bin = TestProgramFolder();
        const std::wstring p = prog.Path();
        for (const wchar_t* f : {L"VxMultiLang.dll", L"dismapi.dll", L"config.xml", L"eula_english.txt"})
            CopyFileW((bin + f).c_str(), (p + f).c_str(), FALSE);
        for (const wchar_t* tool : {L"Oscdimg_x86\\Oscdimg\\", L"Oscdimg_amd64\\Oscdimg\\"}) {
            MakeDirs(p + tool);
            CopyFileW((bin + L"oscdimg.exe").c_str(), (p + tool + L"oscdimg.exe").c_str(), FALSE);
            WriteBytes(p + tool + L"etfsboot.com", "etfs");
            WriteBytes(p + tool + L"efisys.bin", "efi");
        }
        MakeDirs(p + L"OS\\AutoUnattend\\x64\\usb3");
        WriteBytes(p + L"OS\\AutoUnattend\\x64\\usb3\\xhci.inf", "[Version]");
        MakeDirs(p + L"Other\\x64");
        WriteBytes(p + L"Other\\x64\\tool.exe", "tool");
        MakeDirs(p + L"efi\\boot");
        WriteBytes(p + L"efi\\boot\\bootx64.efi", "efi");
    }

    // C: the system drive (NTFS, `freeMB` free), the disc's optical drive and, on disk 1,
    // a USB stick of `stickMB`.
    void MakeMachine(unsigned long long freeMB, unsigned long long stickMB)
    {
        FakeDisk system;
        system.number = 0;
        system.size = 200000 * MiB;
        system.partitions = {FakeDiskSystem::MbrPartition(1, MiB, 199000 * MiB, 0x07)};
        fake.AddDisk(system);
        FakeVolume c;
        c.letter = L'C';
        c.device = L"\\Device\\HarddiskVolume1";
        c.totalBytes = 199000 * MiB;
        c.freeBytes = c.freeToCallerBytes = freeMB * MiB;
        c.extents = {FakeDiskSystem::Extent(0, MiB, 199000 * MiB)};
        fake.AddVolume(c);
        FakeVolume dvd;
        dvd.letter = disc[0];
        dvd.device = L"\\Device\\CdRom0";
        dvd.driveType = DRIVE_CDROM;
        dvd.fileSystem = L"UDF";
        dvd.label = L"SAMPLE_X64_DVD";
        dvd.totalBytes = 6 * MiB;
        fake.AddVolume(dvd);
        FakeDisk usb;
        usb.number = 1;
        usb.busType = BusTypeUsb;
        usb.removable = true;
        usb.size = stickMB * MiB;
        usb.geometry.Cylinders.QuadPart = static_cast<LONGLONG>(stickMB);
        usb.geometry.MediaType = RemovableMedia;
        usb.geometry.TracksPerCylinder = 1;
        usb.geometry.SectorsPerTrack = 2048;
        usb.geometry.BytesPerSector = 512;
        usb.partitions = {FakeDiskSystem::MbrPartition(1, MiB, (stickMB - 1) * MiB, 0x0C)};
        fake.AddDisk(usb);
        FakeVolume s;
        s.letter = stick[0];
        s.device = L"\\Device\\HarddiskVolume5";
        s.fileSystem = L"FAT32";
        s.driveType = DRIVE_REMOVABLE;
        s.totalBytes = (stickMB - 1) * MiB;
        s.freeBytes = s.freeToCallerBytes = (stickMB - 2) * MiB;
        s.extents = {FakeDiskSystem::Extent(1, MiB, (stickMB - 1) * MiB)};
        fake.AddVolume(s);
        fake.AddPartitionLink(1, 1, L"\\Device\\HarddiskVolume5");
    }

    void Shot(TWinControl* form, const std::wstring& name)
    {
        Pump(150);
        EXPECT_TRUE(SaveWindowShot(form->Handle(), ShotFolder() + L"flow-" + name + L".png")) << Narrow(name);
    }

    // Mode dialog to page 0 of the wizard form with the disc measured.
    void ToFirstPage(int mode)
    {
        if (!dlgFirst->Visible())
            dlgFirst->Show();
        dlgFirst->cmbMode->SetItemIndex(mode);
        dlgFirst->cmbModeChange(nullptr);
        dlgFirst->BtnNextClick(nullptr);
        ASSERT_TRUE(PumpUntil([] { return dlgEULA->Visible(); }, 5000)) << "no licence page";
        dlgEULA->CheckBox1->SetChecked(true);
        ASSERT_TRUE(dlgEULA->m_btnNext->Enabled());
        dlgEULA->BtnNextClick(nullptr);
        ASSERT_TRUE(PumpUntil([] { return MainForm->Visible(); }, 5000));
        ASSERT_TRUE(PumpUntil([] { return MainForm->m_btnNext->Enabled(); }, 20000))
            << "the disc was never measured";
        EXPECT_EQ(MainForm->cmbDVDlist->Text(), disc + L" ( SAMPLE_X64_DVD ) ");
        EXPECT_GT(MainForm->m_DvdSizeMB, 0);
        EXPECT_EQ(MainForm->lblWait->Caption(), T(L"Capacity") + IntToStr(MainForm->m_DvdSizeMB) + L" MB");
    }

    // Runs the progress page until the finish box or Exit, one message at a time, keeping
    // each new status with the bar's position; screenshots of the first few and of the
    // page as the finish box comes up.
    std::vector<std::pair<std::wstring, int>> RunJob(const std::wstring& name)
    {
        std::vector<std::pair<std::wstring, int>> seen;
        int shots = 0;
        bool finished = false;
        g_onBox = [&] {
            // A real box would pump the queue meanwhile: the last step and the status show.
            DWORD until = GetTickCount() + 200;
            while (static_cast<int>(until - GetTickCount()) > 0) {
                MSG msg;
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
                Sleep(5);
            }
            if (!finished && MainForm->Visible())
                SaveWindowShot(MainForm->Handle(), ShotFolder() + L"flow-" + name + L"-finish.png");
            finished = true;
        };
        DWORD end = GetTickCount() + 120000;
        while (!finished && MainForm->m_btnNext->Caption() != T(L"Exit") &&
               static_cast<int>(end - GetTickCount()) > 0) {
            MSG msg;
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
                Application->HandleMessage();
            else if (!CheckSynchronize())
                Sleep(1);
            std::wstring state = MainForm->lblState->Caption();
            int pos = MainForm->pbDism->Position();
            if (seen.empty() || seen.back().first != state) {
                seen.push_back({state, pos});
                if (shots < 6 && MainForm->Visible())
                    SaveWindowShot(MainForm->Handle(), ShotFolder() + L"flow-" + name + L"-step" +
                                                           std::to_wstring(++shots) + L".png");
            }
        }
        g_onBox = nullptr;
        return seen;
    }

    std::wstring disc, stick;
    TempDir prog;
    TempDir dir;
    ScopedProgramFolder useProg{prog.Path()};
    ScopedWorkingFolder useWork{dir / L"work\\"};
    DismStandin dism{dir / L"dism\\"};
    FakeDiskSystem fake;
    ScopedDiskSystem useFake{fake};
    ScopedChunkedCopy chunked{65536};
    ScopedDiskpartStandIn diskpart;
    MessageBoxRecorder engineBoxes;
};

} // namespace

TEST_F(WizardFlow, IsoJobWithTheFolderTests)
{
    ToFirstPage(1);
    Shot(MainForm, L"iso-page0");
    MainForm->btnNextClick(nullptr);
    EXPECT_TRUE(MainForm->Panel_DstISO->Visible());
    EXPECT_FALSE(MainForm->m_btnNext->Enabled());
    Shot(MainForm, L"iso-page4");
    const int need = MainForm->m_DvdSizeMB + 500;
    const std::wstring target = dir / L"ISO images";
    MakeDirs(target);
    {
        // The folder's drive has exactly the need free: refused, strictly more is needed.
        MakeMachine(need, 8000);
        OneFolder shell(target);
        MainForm->btnBrowserClick(nullptr);
        ASSERT_EQ(g_boxes.size(), 1u);
        EXPECT_EQ(g_boxes[0].text, T(L"Disk too small"));
        EXPECT_TRUE(MainForm->EdtISOPathdst->Text().IsEmpty());
        EXPECT_FALSE(MainForm->m_btnNext->Enabled());
    }
    {
        OneFolder shell(stick + L"images"); // FAT32
        MainForm->btnBrowserClick(nullptr);
        ASSERT_EQ(g_boxes.size(), 2u);
        EXPECT_EQ(g_boxes[1].text, T(L"Not NTFS"));
    }
    {
        // A folder whose path can't hold the image's name in the job record.
        OneFolder shell(L"C:\\" + std::wstring(256, L'l'));
        MainForm->btnBrowserClick(nullptr);
        ASSERT_EQ(g_boxes.size(), 3u);
        EXPECT_EQ(g_boxes[2].caption, T(L"Error"));
        EXPECT_FALSE(MainForm->m_btnNext->Enabled());
    }
    MakeMachine(100000, 8000);
    {
        OneFolder shell(target);
        MainForm->btnBrowserClick(nullptr);
        EXPECT_EQ(g_boxes.size(), 3u);
        EXPECT_EQ(MainForm->EdtISOPathdst->Text(), target + L"\\");
        EXPECT_TRUE(MainForm->m_btnNext->Enabled());
    }
    Shot(MainForm, L"iso-page4-chosen");
    g_boxes.clear();
    MainForm->btnNextClick(nullptr);
    EXPECT_EQ(MainForm->m_btnNext->Caption(), T(L"Cancel"));
    auto seen = RunJob(L"iso");
    ASSERT_FALSE(g_boxes.empty());
    EXPECT_EQ(g_boxes.back().text, T(L"SuccessMsg"));
    EXPECT_EQ(MainForm->lblState->Caption(), T(L"Successfully updated"));
    EXPECT_EQ(MainForm->pbDism->Position(), 100);
    // Answered No: back to the mode dialog.
    EXPECT_FALSE(MainForm->Visible());
    EXPECT_TRUE(dlgFirst->Visible());
    std::string image = ReadBytes(target + L"\\SAMPLE_X64_DVD.iso");
    EXPECT_NE(image.find("END"), std::string::npos);
    // Statuses came in pipeline order and the bar never went back.
    std::vector<std::wstring> states;
    for (auto& s : seen)
        states.push_back(s.first);
    for (const wchar_t* key : {L"Copy OS", L"Mount", L"Commit", L"UnMount", L"Generating ISO"})
        EXPECT_NE(std::find(states.begin(), states.end(), T(key)), states.end()) << Narrow(key);
    for (size_t i = 1; i + 1 < seen.size(); ++i)
        EXPECT_GE(seen[i].second, seen[i - 1].second) << Narrow(seen[i].first);
    std::vector<std::wstring> trace = TraceLines(dir / L"work\\");
    EXPECT_GE(FindTraceLine(trace, L"WIN7_OPERAT_INFO:szSourcePath: " + disc), 0);
    EXPECT_GE(FindTraceLine(trace, L"WIN7_OPERAT_INFO:szTagPath: " + target + L"\\"), 0);
    EXPECT_GE(FindTraceLine(trace, L"WIN7_OPERAT_INFO:bIs64bitDVD: 1"), 0);
}

TEST_F(WizardFlow, UsbJobThenASecondRunInTheSameProcess)
{
    ToFirstPage(0);
    MainForm->btnNextClick(nullptr);
    ASSERT_TRUE(MainForm->panSelectUsb->Visible());
    const String item = stick + L" (" + T(L"Capacity") + L" 7999 MB )";
    EXPECT_EQ(MainForm->cmbUsbList->Text(), item);
    EXPECT_TRUE(MainForm->m_btnNext->Enabled());
    Shot(MainForm, L"usb-page1");
    // A stick below the need keeps Next disabled.
    MakeMachine(100000, MainForm->m_DvdSizeMB + 500);
    MainForm->BtnRefreshClick(nullptr);
    EXPECT_FALSE(MainForm->m_btnNext->Enabled()) << Narrow(MainForm->cmbUsbList->Text());
    MakeMachine(100000, 8000);
    MainForm->BtnRefreshClick(nullptr);
    ASSERT_TRUE(MainForm->m_btnNext->Enabled());

    // The format confirmation, answered No, returns to page 1; Yes starts the job.
    g_answers = {IDNO};
    MainForm->btnNextClick(nullptr);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, T(L"Format warning1") + L" " + item + L" " + T(L"Format warning2"));
    EXPECT_TRUE(MainForm->panSelectUsb->Visible());
    g_boxes.clear();
    g_answers = {IDYES, IDNO};
    MainForm->btnNextClick(nullptr);
    auto seen = RunJob(L"usb");
    ASSERT_EQ(g_boxes.size(), 2u);
    EXPECT_EQ(g_boxes[1].text, T(L"SuccessMsg"));
    std::vector<std::wstring> states;
    for (auto& s : seen)
        states.push_back(s.first);
    std::string joined;
    for (auto& s : seen)
        joined += Narrow(s.first) + " @" + std::to_string(s.second) + "\n";
    // The steps the loop saw one by one; those still queued at the result are shown by it.
    for (const wchar_t* key : {L"Format", L"Format success", L"Copy", L"Copy success"})
        EXPECT_NE(std::find(states.begin(), states.end(), T(key)), states.end()) << Narrow(key) << "\n"
                                                                                 << joined;
    EXPECT_EQ(MainForm->lblState->Caption(), T(L"Successfully updated"));
    EXPECT_EQ(MainForm->pbDism->Position(), 100);
    std::string wim = ReadBytes(stick + L"sources\\boot.wim");
    EXPECT_NE(wim.find("commit index=2"), std::string::npos) << wim;
    EXPECT_TRUE(FileExists(stick + L"tool.exe"));
    EXPECT_TRUE(dlgFirst->Visible());
    std::vector<std::wstring> trace = TraceLines(dir / L"work\\");
    EXPECT_GE(FindTraceLine(trace, L"WIN7_OPERAT_INFO:szTagPath: " + stick), 0);

    // A second run in the same process: an image this time.
    g_boxes.clear();
    ToFirstPage(1);
    MainForm->btnNextClick(nullptr);
    OneFolder shell(dir / L"second");
    MakeDirs(dir / L"second");
    MainForm->btnBrowserClick(nullptr);
    ASSERT_TRUE(MainForm->m_btnNext->Enabled());
    MainForm->btnNextClick(nullptr);
    RunJob(L"second");
    ASSERT_FALSE(g_boxes.empty());
    EXPECT_EQ(g_boxes.back().text, T(L"SuccessMsg"));
    EXPECT_TRUE(FileExists(dir / L"second\\SAMPLE_X64_DVD.iso"));
}

TEST_F(WizardFlow, CancelDuringTheCopy)
{
    ToFirstPage(1);
    MainForm->btnNextClick(nullptr);
    OneFolder shell(dir / L"out");
    MakeDirs(dir / L"out");
    MainForm->btnBrowserClick(nullptr);
    // A slow copy, so the user can press Cancel while it runs.
    SetChunkObserver([](const std::wstring&, unsigned long long, unsigned long long) { Sleep(5); });
    bool pressed = false;
    MainForm->btnNextClick(nullptr);
    PumpUntil(
        [&] {
            if (!pressed && MainForm->lblState->Caption() == T(L"Copy OS")) {
                pressed = true;
                MainForm->btnNextClick(nullptr);
            }
            return !g_boxes.empty();
        },
        60000);
    ASSERT_FALSE(g_boxes.empty());
    EXPECT_TRUE(pressed);
    EXPECT_EQ(g_boxes.back().text, T(L"CancelMsg"));
    EXPECT_EQ(MainForm->pbDism->Position(), 0) << "the cancel step clears the bar";
    EXPECT_FALSE(FileExists(dir / L"out\\SAMPLE_X64_DVD.iso"));
    EXPECT_GE(FindTraceLine(TraceLines(dir / L"work\\"), L"[UpdateResult] Finish_UserCancel"), 0);
}

TEST_F(WizardFlow, AFailingDismStepEndsInOperationFailedAndExit)
{
    dism.Fail(L"DismMountImage", L"*");
    engineBoxes.QueueAnswer(IDOK);
    ToFirstPage(1);
    MainForm->btnNextClick(nullptr);
    OneFolder shell(dir / L"out");
    MakeDirs(dir / L"out");
    MainForm->btnBrowserClick(nullptr);
    MainForm->btnNextClick(nullptr);
    RunJob(L"fail");
    EXPECT_EQ(MainForm->m_btnNext->Caption(), T(L"Exit"));
    const String state = MainForm->lblState->Caption();
    const String failed = T(L"Operation failed");
    ASSERT_GE(state.Length(), failed.Length());
    EXPECT_EQ(state.substr(state.size() - failed.size()), failed) << Narrow(state);
    EXPECT_TRUE(MainForm->Visible());
    Shot(MainForm, L"fail-exit");
    EXPECT_TRUE(g_boxes.empty()) << "a failure shows no finish box";
}

TEST_F(WizardFlow, NoRoomForTheTemporaryFolder)
{
    ToFirstPage(1);
    MainForm->btnNextClick(nullptr);
    OneFolder shell(dir / L"out");
    MakeDirs(dir / L"out");
    MainForm->btnBrowserClick(nullptr);
    ASSERT_TRUE(MainForm->m_btnNext->Enabled());
    // The drives fill up between the choice and the start: no drive has room for the
    // temporary folder (the target's own drive needs twice the need).
    MakeMachine(MainForm->m_DvdSizeMB + 600, 300);
    MainForm->btnNextClick(nullptr);
    ASSERT_EQ(g_boxes.size(), 1u);
    const String w = T(L"Space warning1");
    EXPECT_EQ(g_boxes[0].text, w + L" " + IntToStr(2 * (MainForm->m_DvdSizeMB + 500)) + L" MB" + w);
    EXPECT_EQ(g_boxes[0].caption, T(L"Warning"));
    EXPECT_EQ(MainForm->m_pOperationThd, nullptr) << "no worker started";
    EXPECT_TRUE(Application->Terminated());
}
