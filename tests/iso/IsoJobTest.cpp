// Whole ISO jobs: the pipeline on a worker thread posting to a window, with the stand-in
// mastering tool, the stand-in DISM API and a small fake installation disc.
#include "engine/BrindleImp.h"
#include "engine/DiskSystem.h"
#include "engine/Dismmanager.h"
#include "engine/JobRecord.h"
#include "iso/IsoTestSupport.h"
#include "support/ChunkedCopy.h"
#include "support/DismStandin.h"
#include "support/ForwardingDiskSystem.h"
#include "support/JobFolders.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace testing_support;
using namespace iso_testing;

namespace {

const unsigned long long MB = 1048576ull;

void Write(const std::wstring& path, const std::string& bytes)
{
    MakeDirs(path.substr(0, path.find_last_of(L'\\')));
    EXPECT_TRUE(WriteBytes(path, bytes)) << Narrow(path);
}

// The real disk calls, except that the fake disc's folder answers as a volume with a label.
class LabelledDisc : public ForwardingDiskSystem {
public:
    LabelledDisc(std::wstring root, std::wstring label)
        : ForwardingDiskSystem(GetRealDiskSystem()), m_root(std::move(root)), m_label(std::move(label))
    {
        SetDiskSystem(this);
    }
    ~LabelledDisc() override { SetDiskSystem(nullptr); }

    BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize, DWORD* serial,
                               DWORD* maxComponent, DWORD* fsFlags, wchar_t* fsName,
                               DWORD fsNameSize) override
    {
        if (!root || m_root != root)
            return ForwardingDiskSystem::GetVolumeInformationW(root, volumeName, volumeNameSize, serial,
                                                               maxComponent, fsFlags, fsName, fsNameSize);
        if (volumeName && volumeNameSize > m_label.size())
            wcscpy(volumeName, m_label.c_str());
        if (serial)
            *serial = 0x1234ABCD;
        if (maxComponent)
            *maxComponent = 110;
        if (fsFlags)
            *fsFlags = FILE_READ_ONLY_VOLUME | FILE_UNICODE_ON_DISK;
        if (fsName && fsNameSize > 3)
            wcscpy(fsName, L"UDF");
        return TRUE;
    }

private:
    std::wstring m_root;
    std::wstring m_label;
};

// The operation each step belongs to, in the order they ran: "copy" ends with its code 3
// (or 4), "dism" starts with the image count, "iso" is a run of code 17.
std::vector<std::string> Operations(const std::vector<Step>& steps)
{
    std::vector<std::string> operations;
    std::string last;
    for (const Step& step : steps) {
        int code = step.first;
        if (code == STEP_COPY_DONE || code == STEP_COPY_FAILED)
            operations.push_back("copy");
        else if (code == ProgressWindow::kImageCount)
            operations.push_back("dism");
        else if (code == STEP_ISO_BUILDING && last != "iso")
            operations.push_back("iso");
        if (code == STEP_ISO_BUILDING)
            last = "iso";
        else
            last.clear();
    }
    return operations;
}

class IsoJobTest : public ::testing::Test {
protected:
    IsoJobTest()
    {
        PutPath(info.szSourcePath, Disc());
        PutPath(info.szDriverPath, tools.Program() + L"OS\\AutoUnattend");
        PutPath(info.szImgDriverPath, tools.Program() + L"OS");
        PutPath(info.szTagPath, IsoFolder());
        PutPath(info.szTmpPath, Tmp());
        info.m_DlgType = 1;
        MakeDirs(IsoFolder());
        MakeDirs(Tmp());
        MakeProgramFolders();
    }
    ~IsoJobTest() override { DismManager::Release(); }

    std::wstring Disc() const { return dir / L"dvd\\"; }
    std::wstring Tmp() const { return dir / L"work\\TervoToolTmp\\"; }
    std::wstring IsoFolder() const { return dir / L"ISO images"; }
    std::wstring Image() const { return IsoFolder() + L"\\GRMCULXFRER_EN_DVD.iso"; }
    std::vector<std::wstring> Trace() const { return TraceMessages(dir / L"work\\"); }

    // The folders shipped beside the program.
    void MakeProgramFolders()
    {
        const std::wstring p = tools.Program();
        for (const char* arch : {"x64", "x86"}) {
            std::wstring a(arch, arch + 3);
            Write(p + L"OS\\AutoUnattend\\" + a + L"\\usb3\\xhci" + a + L".INF", "[Version]");
            Write(p + L"OS\\AutoUnattend\\" + a + L"\\nvme" + a + L".inf", "[Version]");
            Write(p + L"Hotfix\\" + a + L"\\KB2990941-" + a + L".msu", "msu");
            Write(p + L"Hotfix\\NVMe\\" + a + L"\\KB3087873-" + a + L".msu", "msu");
            Write(p + L"Other\\" + a + L"\\drivertool-" + a + L".exe", "tool");
        }
        Write(p + L"OS\\AutoUnattend.xml", "<unattend/>");
        Write(p + L"efi\\boot\\bootx64.efi", "efi");
    }

    // A Windows 7 disc made of stand-ins: fake images and a few hundred MB of sparse files.
    void MakeDisc(bool x64)
    {
        info.bIs64bitDVD = x64 ? 1 : 0;
        const std::wstring d = Disc();
        MakeDirs(d + L"sources");
        MakeDirs(d + L"upgrade");
        ASSERT_TRUE(WriteFakeImage(d + L"sources\\boot.wim", 2));
        ASSERT_TRUE(WriteFakeImage(d + L"sources\\install.wim", 4));
        Write(d + L"sources\\idwbinfo.txt",
              std::string("[BUILDINFO]\r\nBuildArch=") + (x64 ? "AMD64" : "x86") + "\r\n");
        Write(d + L"sources\\product.ini", "[SKU]\r\nType=Retail\r\n");
        Write(d + L"AUTORUN.INF", "[AutoRun]\r\nopen=setup.exe\r\n");
        Write(d + L"setup.exe", "setup");
        Write(d + L"bootmgr", "bootmgr");
        Write(d + L"boot\\etfsboot.com", "etfs");
        if (x64)
            Write(d + L"efi\\microsoft\\boot\\efisys.bin", "efi");
        ASSERT_TRUE(MakeSizedFile(d + L"sources\\setup.dll", 3 * MB));
        ASSERT_TRUE(MakeSizedFile(d + L"sources\\license.cab", 140 * MB));
        ASSERT_TRUE(MakeSizedFile(d + L"upgrade\\upgrade.dat", 160 * MB));
    }

    // Runs the job on a worker thread while this thread pumps the window, as the wizard does.
    // `tick` runs on this thread between pumps.
    int RunJob(Win7InsCreator& creator, const std::function<void()>& tick = {})
    {
        HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::atomic<int> result{-1};
        std::thread worker([&] {
            result = creator.Excute();
            SetEvent(done);
        });
        DWORD start = GetTickCount();
        while (!window.Pump(done, 20)) {
            if (tick)
                tick();
            if (GetTickCount() - start > 120000) {
                ADD_FAILURE() << "the job did not end";
                creator.Cancel();
            }
        }
        worker.join();
        CloseHandle(done);
        return result;
    }

    // Lines the stand-in listed in the image: what the temporary folder held.
    std::string ImageListing() const { return ReadBytes(Image()); }

    TempDir dir;
    ToolFolder tools;
    ScopedProgramFolder program{tools.Program()};
    ScopedWorkingFolder working{dir / L"work\\"};
    DismStandin dism{dir / L"dism-state\\"};
    ScopedChunkedCopy chunkedCopy{1 << 20};
    LabelledDisc disc{Disc(), L"GRMCULXFRER_EN_DVD"};
    MessageBoxRecorder boxes;
    ProgressWindow window;
    _WIN7_OPERAT_INFO info = {};
};

// What every finished ISO job shows, whatever its architecture and flags.
void ExpectFinishedJob(const std::vector<std::wstring>& lines, const std::vector<Step>& steps)
{
    int first = FindLine(lines, L"[Win7InsCreator::Excute] State: 0");
    ASSERT_GE(first, 0);
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(lines[first + i], L"[Win7InsCreator::Excute] State: " + std::to_wstring(i));
    EXPECT_EQ(FindLine(lines, L"[Win7InsCreator::Excute] State: 5"), -1);
    int iso = FindLine(lines, L"ISOOperation create", first);
    int end = FindLine(lines, L"ISOOperation Excute - end(TRUE)", iso);
    EXPECT_GT(iso, first);
    EXPECT_GT(end, iso);
    EXPECT_GT(FindLine(lines, L"CompleteOperation create", end), end);

    // Copy percentages never fall within one copy; the ISO's rise to 100.
    int lastCopy = -1;
    for (const Step& step : steps) {
        if (step.first == STEP_COPY_TO_TEMP) {
            EXPECT_GE(step.second, lastCopy);
            lastCopy = step.second;
        } else if (step.first == STEP_COPY_DONE) {
            EXPECT_EQ(step.second, 100);
            lastCopy = -1;
        }
        EXPECT_NE(step.first, STEP_COPY_TO_TARGET) << "an ISO job copies into the work folder";
        EXPECT_NE(step.first, STEP_COPY_FAILED);
        EXPECT_NE(step.first, STEP_COPY_STOPPED);
    }
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), Step(STEP_ISO_BUILDING, 100));
}

TEST_F(IsoJobTest, Disc64BitMakesTheImageWithBothBootEntries)
{
    ASSERT_NO_FATAL_FAILURE(MakeDisc(true));
    Win7InsCreator creator(window.Handle(), 1, &info, false, false);
    ASSERT_EQ(RunJob(creator), 1);
    EXPECT_FALSE(creator.IsCancel());
    EXPECT_EQ(boxes.Count(), 0u);

    const std::vector<Step>& steps = window.Messages();
    EXPECT_EQ(Operations(steps), (std::vector<std::string>{"copy", "dism", "copy", "copy", "iso"}));
    EXPECT_EQ(window.Values(ProgressWindow::kImageCount), std::vector<int>{1}) << "boot mode: one image";
    ExpectFinishedJob(Trace(), steps);

    const std::wstring x86 = tools.X86(), amd64 = tools.Amd64();
    EXPECT_EQ(tools.RawCommandLine(), L"\"" + x86 +
                                          L"oscdimg.exe\" -lWIN7 -m -o -u1 -udfver102 -bootdata:2#p0,e,b\"" +
                                          amd64 + L"etfsboot.com\"#pEF,e,b\"" + amd64 + L"efisys.bin\" \"" +
                                          Tmp() + L"\" \"" + Image() + L"\"");
    ASSERT_TRUE(ImageFinished(Image()));
    std::string listing = ImageListing();
    for (const char* entry :
         {"\r\nAUTORUN.INF 27\r\n", "\r\nsetup.exe 5\r\n", "\r\nupgrade\\upgrade.dat 167772160\r\n",
          "\r\nefi\\microsoft\\boot\\efisys.bin 3\r\n", "\r\ndrivertool-x64.exe 4\r\n",
          "\r\nAutoUnattend.xml 11\r\n", "\r\nAutoUnattend\\x64\\usb3\\xhcix64.INF 9\r\n"})
        EXPECT_NE(listing.find(entry), std::string::npos) << entry;
    EXPECT_EQ(listing.find("drivertool-x86.exe"), std::string::npos);

    // boot.wim's setup image got the x64 hotfix and both x64 drivers; install.wim is untouched.
    std::string boot = ReadBytes(Tmp() + L"sources\\boot.wim");
    EXPECT_NE(boot.find("commit index=2"), std::string::npos) << boot;
    EXPECT_NE(boot.find("KB2990941-x64.msu"), std::string::npos) << boot;
    EXPECT_NE(boot.find("xhcix64.INF"), std::string::npos) << boot;
    EXPECT_NE(boot.find("nvmex64.inf"), std::string::npos) << boot;
    EXPECT_EQ(boot.find("x86"), std::string::npos) << boot;
    EXPECT_EQ(ReadBytes(Tmp() + L"sources\\install.wim"), "images=4\n");
}

TEST_F(IsoJobTest, Disc32BitMakesTheImageWithOneBootEntry)
{
    ASSERT_NO_FATAL_FAILURE(MakeDisc(false));
    Win7InsCreator creator(window.Handle(), 1, &info, false, false);
    ASSERT_EQ(RunJob(creator), 1);
    const std::vector<Step>& steps = window.Messages();
    EXPECT_EQ(Operations(steps), (std::vector<std::string>{"copy", "dism", "copy", "copy", "iso"}));
    ExpectFinishedJob(Trace(), steps);

    const std::wstring x86 = tools.X86();
    EXPECT_EQ(tools.RawCommandLine(), L"\"" + x86 +
                                          L"oscdimg.exe\" -lWIN7 -m -o -u1 -udfver102 -bootdata:1#p0,e,b\"" +
                                          x86 + L"etfsboot.com\" \"" + Tmp() + L"\" \"" + Image() + L"\"");
    ASSERT_TRUE(ImageFinished(Image()));
    std::string listing = ImageListing();
    EXPECT_NE(listing.find("\r\ndrivertool-x86.exe 4\r\n"), std::string::npos);
    EXPECT_NE(listing.find("\r\nAutoUnattend\\x86\\usb3\\xhcix86.INF 9\r\n"), std::string::npos);
    EXPECT_EQ(listing.find("drivertool-x64.exe"), std::string::npos);
    std::string boot = ReadBytes(Tmp() + L"sources\\boot.wim");
    EXPECT_NE(boot.find("KB2990941-x86.msu"), std::string::npos) << boot;
    EXPECT_EQ(boot.find("x64"), std::string::npos) << boot;
}

TEST_F(IsoJobTest, CompatibilityModeUpdatesInstallWimInsteadOfCopyingOS)
{
    ASSERT_NO_FATAL_FAILURE(MakeDisc(true));
    Win7InsCreator creator(window.Handle(), 1, &info, true, false);
    ASSERT_EQ(RunJob(creator), 1);
    const std::vector<Step>& steps = window.Messages();
    EXPECT_EQ(Operations(steps), (std::vector<std::string>{"copy", "dism", "copy", "dism", "iso"}));
    EXPECT_EQ(window.Values(ProgressWindow::kImageCount), (std::vector<int>{1, 4}));
    ExpectFinishedJob(Trace(), steps);

    ASSERT_TRUE(ImageFinished(Image()));
    std::string listing = ImageListing();
    EXPECT_EQ(listing.find("AutoUnattend"), std::string::npos) << "the OS folder is not copied";
    EXPECT_NE(listing.find("\r\ndrivertool-x64.exe 4\r\n"), std::string::npos);
    std::string install = ReadBytes(Tmp() + L"sources\\install.wim");
    for (int index = 1; index <= 4; ++index)
        EXPECT_NE(install.find("commit index=" + std::to_string(index)), std::string::npos) << install;
    EXPECT_NE(install.find("xhcix64.INF"), std::string::npos);
}

TEST_F(IsoJobTest, FailingDismStepStopsTheJobBeforeTheImage)
{
    ASSERT_NO_FATAL_FAILURE(MakeDisc(true));
    dism.Fail(L"DismMountImage", L"*");
    Win7InsCreator creator(window.Handle(), 1, &info, false, false);
    EXPECT_EQ(RunJob(creator), 0);
    EXPECT_EQ(Operations(window.Messages()), (std::vector<std::string>{"copy", "dism"}));
    EXPECT_TRUE(window.Values(STEP_ISO_BUILDING).empty());
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, L"DismCpp");
    auto lines = Trace();
    EXPECT_FALSE(HasLine(lines, L"ISOOperation create"));
    EXPECT_FALSE(HasLine(lines, L"CompleteOperation create"));
    EXPECT_TRUE(tools.RawCommandLine().empty());
    EXPECT_FALSE(FileExists(Image()));
}

TEST_F(IsoJobTest, CancelDuringTheCopyEndsTheJobWithoutFurtherSteps)
{
    ASSERT_NO_FATAL_FAILURE(MakeDisc(true));
    Win7InsCreator creator(window.Handle(), 1, &info, false, false);
    std::atomic<bool> cancelled{false};
    SetChunkObserver([&](const std::wstring& source, unsigned long long done, unsigned long long) {
        if (!cancelled && source.find(L"upgrade.dat") != std::wstring::npos && done >= 20 * MB) {
            cancelled = true;
            creator.Cancel();
        }
    });
    RunJob(creator);
    ASSERT_TRUE(cancelled.load());
    EXPECT_TRUE(creator.IsCancel());
    std::vector<int> stopped = window.Values(STEP_COPY_STOPPED);
    EXPECT_EQ(stopped, std::vector<int>{0});
    EXPECT_TRUE(window.Values(ProgressWindow::kImageCount).empty()) << "no DISM step ran";
    EXPECT_TRUE(dism.Journal().empty());
    EXPECT_TRUE(window.Values(STEP_ISO_BUILDING).empty());
    EXPECT_TRUE(tools.RawCommandLine().empty());
    EXPECT_FALSE(FileExists(Image()));
}

TEST_F(IsoJobTest, CancelDuringTheImageBuildStopsTheToolAtOnce)
{
    ASSERT_NO_FATAL_FAILURE(MakeDisc(false));
    tools.SetMode("normal 100");
    Win7InsCreator creator(window.Handle(), 1, &info, false, false);
    DWORD cancelAt = 0;
    int result = RunJob(creator, [&] {
        if (!cancelAt && !window.Values(STEP_ISO_BUILDING).empty()) {
            cancelAt = GetTickCount();
            creator.Cancel();
        }
    });
    ASSERT_NE(cancelAt, 0u);
    EXPECT_LT(GetTickCount() - cancelAt, 2000u);
    EXPECT_EQ(result, 1) << "the stopped ISO step reports success; the cancel flag tells";
    EXPECT_TRUE(creator.IsCancel());
    std::vector<int> iso = window.Values(STEP_ISO_BUILDING);
    ASSERT_FALSE(iso.empty());
    EXPECT_EQ(iso.back(), 0);
    EXPECT_FALSE(ImageFinished(Image()));
    EXPECT_FALSE(FileExists(Image())) << "a stopped build leaves no image to mistake for a good one";
    DWORD pid = tools.ToolProcessId();
    for (int i = 0; i < 50 && ProcessAlive(pid); ++i)
        Sleep(20);
    EXPECT_FALSE(ProcessAlive(pid));
    EXPECT_TRUE(HasLine(Trace(), L"MakeISOFile::Cancle"));
}

} // namespace
