// Whole USB jobs through the pipeline, from the format to the last copy, against the disk
// fake, the diskpart stand-in and the DISM stand-in. The stick's letter is the drive of a
// test folder, which stands for the stick's root.
#include "usb/UsbFixture.h"

#include "engine/BrindleImp.h"
#include "engine/Dismmanager.h"
#include "support/DismStandin.h"
#include "support/JobFolders.h"
#include "support/ProgressWindow.h"

#include <algorithm>

using namespace testing_support;
using namespace usbtest;

namespace {

using Steps = std::vector<std::pair<int, int>>;

class UsbJobTest : public UsbFixture {
protected:
    TempDir dir;
    TempDir stick{StickBase()};
    DismStandin standin{dir / L"state\\"};
    _WIN7_OPERAT_INFO info = {};

    void SetUp() override
    {
        UsbFixture::SetUp();
        PutStickAtLetterOf(stick.Path());
        PointJobAt(info, dir.Path());
        MakeDirs(stick / L"tag");
        wcscpy(info.szTagPath, (stick / L"tag\\").c_str());
        for (const wchar_t* file :
             {L"src\\setup.exe", L"src\\efi\\boot\\bootx64.efi", L"drivers\\x64\\usb3\\usb3.inf",
              L"os\\AutoUnattend.xml", L"prog\\Other\\x64\\tool.exe", L"prog\\Hotfix\\x64\\kb1.msu",
              L"prog\\Hotfix\\NVMe\\x64\\kb2.msu"}) {
            std::wstring path = dir / file;
            MakeDirs(path.substr(0, path.find_last_of(L'\\')));
            WriteBytes(path, "x");
        }
        MakeDirs(dir / L"src\\sources");
        WriteFakeImage(dir / L"src\\sources\\boot.wim", 2);
        WriteFakeImage(dir / L"src\\sources\\install.wim", 3);
    }
    void TearDown() override
    {
        DismManager::Release();
        UsbFixture::TearDown();
    }

    std::vector<std::wstring> Added(const wchar_t* call)
    {
        std::vector<std::wstring> paths;
        for (const auto& c : standin.Journal())
            if (c.name == call)
                paths.push_back(c.args[1]);
        return paths;
    }
};

// The DISM operation's steps, in arrival order.
Steps DismSteps(const Steps& steps)
{
    Steps dism;
    for (const auto& s : steps)
        if (s.first >= 6 && s.first <= 14)
            dism.push_back(s);
    return dism;
}

TEST_F(UsbJobTest, FormatsCopiesAndUpdatesTheSetupImage)
{
    ScopedProgramFolder program(dir / L"prog\\");
    ProgressWindow window;
    int result;
    {
        Win7InsCreator creator(window.Handle(), 0, &info, false, false);
        result = creator.Excute();
    }
    EXPECT_EQ(result, 1);
    Steps steps = window.Steps();
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ(Steps(steps.begin(), steps.begin() + 3), (Steps{{0, 10}, {0, 70}, {1, 100}}));
    EXPECT_EQ(window.ImageCounts(), std::vector<int>{1});
    EXPECT_EQ(DismSteps(steps), (Steps{{6, 0},
                                       {6, 50},
                                       {6, 100},
                                       {7, 0},
                                       {9, 0},
                                       {10, 0},
                                       {10, 50},
                                       {10, 100},
                                       {11, 0},
                                       {13, 0},
                                       {13, 50},
                                       {13, 100},
                                       {14, 0}}));

    // The stick holds the source, the updated setup image, the "OS" and "Other" folders.
    std::wstring tag = stick / L"tag\\";
    EXPECT_TRUE(FileExists(tag + L"setup.exe"));
    EXPECT_TRUE(FileExists(tag + L"efi\\boot\\bootx64.efi"));
    EXPECT_TRUE(FileExists(tag + L"AutoUnattend.xml"));
    EXPECT_TRUE(FileExists(tag + L"tool.exe"));
    std::string wim = ReadBytes(tag + L"sources\\boot.wim");
    EXPECT_NE(wim.find("commit index=2"), std::string::npos);
    EXPECT_NE(wim.find("usb3.inf ForceUnsigned=1"), std::string::npos);
    EXPECT_NE(wim.find("kb1.msu IgnoreCheck=1"), std::string::npos);
    EXPECT_EQ(wim.find("kb2.msu"), std::string::npos);
    EXPECT_EQ(ReadBytes(tag + L"sources\\install.wim"), "images=3\n");
    EXPECT_FALSE(DirExists(work.Path() + L"boot"));
    EXPECT_TRUE(standin.Mounts().empty());
    EXPECT_EQ(standin.LiveAllocations(), 0);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(UsbJobTest, WithNVMeTheInstallImageIsUpdatedInsteadOfCopyingOS)
{
    ScopedProgramFolder program(dir / L"prog\\");
    ProgressWindow window;
    int result;
    {
        Win7InsCreator creator(window.Handle(), 0, &info, false, true);
        result = creator.Excute();
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(window.ImageCounts(), (std::vector<int>{1, 3}));

    std::wstring tag = stick / L"tag\\";
    EXPECT_FALSE(FileExists(tag + L"AutoUnattend.xml"));
    EXPECT_TRUE(FileExists(tag + L"tool.exe"));
    std::string install = ReadBytes(tag + L"sources\\install.wim");
    for (int i = 1; i <= 3; ++i)
        EXPECT_NE(install.find("commit index=" + std::to_string(i)), std::string::npos);
    // Each image got both hotfixes; the setup image's files came over with the NVMe one.
    auto packages = Added(L"DismAddPackage");
    EXPECT_EQ(std::count_if(packages.begin(), packages.end(),
                            [](const std::wstring& p) { return p.find(L"kb2.msu") != p.npos; }),
              4);
    std::string added = ReadBytes(tag + L"sources\\added.txt");
    EXPECT_NE(added.find("kb2.msu"), std::string::npos);
    EXPECT_FALSE(DirExists(work.Path() + L"UpdatedSource"));
    EXPECT_EQ(standin.LiveAllocations(), 0);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(UsbJobTest, FailingDismStepStopsTheJob)
{
    ScopedProgramFolder program(dir / L"prog\\");
    standin.Fail(L"DismCommitImage", L"1");
    ProgressWindow window;
    int result;
    {
        Win7InsCreator creator(window.Handle(), 0, &info, false, false);
        result = creator.Excute();
    }
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, L"DismCpp");
    // Neither "OS" nor "Other" was copied.
    EXPECT_FALSE(FileExists(stick / L"tag\\AutoUnattend.xml"));
    EXPECT_FALSE(FileExists(stick / L"tag\\tool.exe"));
}

// The wizard keeps DISM (and so its sessions) for the whole run: a job that fails with an
// image mounted must leave nothing that breaks the next one.
TEST_F(UsbJobTest, AJobFailingWithTheImageMountedLeavesNothingForTheNextJob)
{
    ScopedProgramFolder program(dir / L"prog\\");
    struct Case {
        const wchar_t* call;
        const wchar_t* failing; // which calls fail: the unmount's discard must not
    } cases[] = {{L"DismAddPackage", L"*"},
                 {L"DismAddDriver", L"*"},
                 {L"DismCommitImage", L"*"},
                 {L"DismUnmountImage", L"1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.call));
        standin.Fail(c.call, c.failing);
        {
            Win7InsCreator first(nullptr, 0, &info, false, false);
            EXPECT_EQ(first.Excute(), 0);
        }
        // Discarded at once: no mount, no open session, no folder with a live image in it.
        EXPECT_TRUE(standin.Mounts().empty());
        auto names = standin.JournalNames();
        EXPECT_EQ(std::count(names.begin(), names.end(), L"DismOpenSession"),
                  std::count(names.begin(), names.end(), L"DismCloseSession"));

        standin.Fail(c.call, L"");
        {
            Win7InsCreator second(nullptr, 0, &info, false, false);
            EXPECT_EQ(second.Excute(), 1);
        }
        std::string wim = ReadBytes(stick / L"tag\\sources\\boot.wim");
        EXPECT_NE(wim.find("commit index=2"), std::string::npos);
        EXPECT_TRUE(standin.Mounts().empty());
        standin.ClearJournal();
    }
    EXPECT_EQ(boxes.Count(), 4u) << "one box for each failed call, none for the clean-up";
}

// A cancel that reaches the pipeline before the worker calls Excute keeps the stick as it is.
TEST_F(UsbJobTest, ACancelBeforeTheJobStartsFormatsNothing)
{
    ScopedProgramFolder program(dir / L"prog\\");
    Win7InsCreator creator(nullptr, 0, &info, false, false);
    creator.Cancel();
    creator.Excute();
    EXPECT_TRUE(creator.IsCancel());
    EXPECT_TRUE(diskpart.Runs().empty());
    EXPECT_FALSE(FileExists(stick / L"tag\\setup.exe"));
    EXPECT_TRUE(standin.Journal().empty());
}

} // namespace
