#include "engine/DismOperation.h"
#include "engine/Dismmanager.h"
#include "engine/TraceLog.h"
#include "support/DismStandin.h"
#include "support/TestSupport.h"
#include "support/TraceLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

using namespace testing_support;

namespace {

using Step = std::pair<int, int>;

// A message-only window that records the image count (sent) and the steps (posted).
class MessageSink {
public:
    MessageSink()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DismOperationTestSink";
        RegisterClassW(&wc);
        m_hwnd =
            CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~MessageSink() { DestroyWindow(m_hwnd); }

    HWND Window() const { return m_hwnd; }
    std::vector<LPARAM> counts;
    std::function<void()> onCount;

    std::vector<Step> Steps()
    {
        std::vector<Step> steps;
        MSG msg;
        while (PeekMessageW(&msg, m_hwnd, WM_STEP_PROGRESS, WM_STEP_PROGRESS, PM_REMOVE))
            steps.emplace_back(static_cast<int>(msg.wParam), static_cast<int>(msg.lParam));
        return steps;
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<MessageSink*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message == WM_WIM_IMAGE_COUNT) {
            self->counts.push_back(lParam);
            if (self->onCount)
                self->onCount();
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    HWND m_hwnd;
};

const std::vector<Step> kOneImage = {{6, 0},    {6, 50}, {6, 100}, {7, 0},   {9, 0},    {10, 0}, {10, 50},
                                     {10, 100}, {11, 0}, {13, 0},  {13, 50}, {13, 100}, {14, 0}};

class DismOperationTest : public ::testing::Test {
protected:
    TempDir dir;
    std::wstring working = dir / L"work\\";
    std::wstring program = dir / L"prog\\";
    std::wstring media = dir / L"media\\";
    std::wstring drivers = dir / L"prog\\OS\\AutoUnattend";
    ScopedWorkingFolder scopedWorking{working};
    ScopedProgramFolder scopedProgram{program};
    DismStandin standin{dir / L"state\\"};
    MessageBoxRecorder boxes;
    MessageSink sink;

    void SetUp() override
    {
        MakeDirs(media + L"sources");
        for (const wchar_t* f :
             {L"Hotfix\\x64\\a.msu", L"Hotfix\\x64\\sub\\b.MSU", L"Hotfix\\x64\\notes.txt",
              L"Hotfix\\NVMe\\x64\\n.msu", L"Hotfix\\x86\\old.msu", L"OS\\AutoUnattend\\x64\\UPPER.INF",
              L"OS\\AutoUnattend\\x64\\sub\\deeper\\lower.inf", L"OS\\AutoUnattend\\x64\\skip.inf_",
              L"OS\\AutoUnattend\\x86\\x86.inf"}) {
            std::wstring path = program + f;
            MakeDirs(path.substr(0, path.find_last_of(L'\\')));
            WriteBytes(path, "x");
        }
    }
    void TearDown() override { DismManager::Release(); }

    std::wstring Wim(const wchar_t* name) { return media + L"\\sources\\" + name; }

    std::vector<DismCall> Calls(const wchar_t* name)
    {
        std::vector<DismCall> found;
        for (const auto& c : standin.Journal())
            if (c.name == name)
                found.push_back(c);
        return found;
    }
    std::vector<std::wstring> Added(const wchar_t* name)
    {
        std::vector<std::wstring> paths;
        for (const auto& c : Calls(name))
            paths.push_back(c.args[1]);
        return paths;
    }
    std::wstring Trace() { return TraceText(working); }
    // Each text appears in the trace, in this order.
    void ExpectTraceInOrder(const std::vector<std::wstring>& texts)
    {
        std::wstring trace = Trace();
        size_t at = 0;
        for (const auto& t : texts) {
            size_t found = trace.find(t, at);
            EXPECT_NE(found, std::wstring::npos) << Utf8(t);
            if (found != std::wstring::npos)
                at = found + t.size();
        }
    }
};

std::vector<std::wstring> Sorted(std::vector<std::wstring> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

TEST_F(DismOperationTest, BootModeUpdatesTheSetupImageThroughAStagedCopy)
{
    ASSERT_TRUE(WriteFakeImage(Wim(L"boot.wim"), 2));
    SetFileAttributesW(Wim(L"boot.wim").c_str(), FILE_ATTRIBUTE_READONLY);

    DismOperation op(sink.Window(), media, drivers, 1, 0, 0);
    EXPECT_EQ(op.Excute(), 1);

    EXPECT_EQ(sink.counts, std::vector<LPARAM>{1});
    EXPECT_EQ(sink.Steps(), kOneImage);

    auto mounts = Calls(L"DismMountImage");
    ASSERT_EQ(mounts.size(), 1u);
    EXPECT_EQ(mounts[0].args[0], working + L"boot\\boot.wim");
    EXPECT_EQ(mounts[0].args[2], L"2");
    EXPECT_EQ(mounts[0].args[5], L"0"); // read-write

    EXPECT_EQ(Sorted(Added(L"DismAddPackage")),
              Sorted({program + L"Hotfix\\x64\\a.msu", program + L"Hotfix\\x64\\sub\\b.MSU"}));
    EXPECT_EQ(Sorted(Added(L"DismAddDriver")),
              Sorted({drivers + L"\\x64\\UPPER.INF", drivers + L"\\x64\\sub\\deeper\\lower.inf"}));
    EXPECT_EQ(standin.JournalNames(),
              (std::vector<std::wstring>{L"DismInitialize", L"DismGetImageInfo", L"DismDelete",
                                         L"DismGetMountedImageInfo", L"DismDelete", L"DismMountImage",
                                         L"DismOpenSession", L"DismAddPackage", L"DismAddPackage",
                                         L"DismAddDriver", L"DismAddDriver", L"DismCommitImage",
                                         L"DismCloseSession", L"DismUnmountImage"}));
    auto unmount = Calls(L"DismUnmountImage");
    ASSERT_EQ(unmount.size(), 1u);
    EXPECT_EQ(unmount[0].args[0], mounts[0].args[1]);
    EXPECT_EQ(unmount[0].args[1], L"0"); // commit
    EXPECT_EQ(unmount[0].args[4], Calls(L"DismCommitImage")[0].args[4]);

    // The staged copy is back on the medium with the commit, writable, and the stage gone.
    std::string wim = ReadBytes(Wim(L"boot.wim"));
    EXPECT_EQ(wim.compare(0, 9, "images=2\n"), 0);
    EXPECT_NE(wim.find("commit index=2"), std::string::npos);
    EXPECT_NE(wim.find("lower.inf ForceUnsigned=1"), std::string::npos);
    EXPECT_FALSE(GetFileAttributesW(Wim(L"boot.wim").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(DirExists(working + L"boot"));
    EXPECT_FALSE(DirExists(working + L"UpdatedSource"));

    ExpectTraceInOrder({L"DismOperation::DismOperation is64dvd:1",
                        L"[DismOperation ] create, mWimPath: " + media + L"\\sources\\boot.wim",
                        L"DismOperation::Excute\r\n", L"DismOperation::Excute - DISMMOUNT\r\n",
                        L"DismOperation::Excute - DISMMOUNTOK", L"DismOperation::Excute - DISMADDDRIVER\r\n",
                        L"DismOperation::Excute - DISMADDDRIVER: hotfixDir" + program + L"Hotfix\\x64",
                        L"DismOperation::Excute - DISMADDDRIVER: DriverFolder" + drivers + L"\\x64",
                        L"DismOperation::AddDriver, Path : " + drivers,
                        L"DismOperation::Excute - DISMCOMMIT\r\n", L"DismOperation::Excute - DISMCOMMITOK",
                        L"DismOperation::Excute - DISMUNMOUNT\r\n",
                        L"DismOperation::Excute - DISMUNMOUNTOK"});
    EXPECT_EQ(Trace().find(L"NVMEhotfixDir"), std::wstring::npos);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(standin.LiveAllocations(), 0);
}

TEST_F(DismOperationTest, InstallModeUpdatesEveryImageInPlace)
{
    ASSERT_TRUE(WriteFakeImage(Wim(L"install.wim"), 4));
    DismOperation op(sink.Window(), media, drivers, 1, 1, 1);
    EXPECT_EQ(op.Excute(), 1);

    EXPECT_EQ(sink.counts, std::vector<LPARAM>{4});
    std::vector<Step> expected;
    for (int i = 0; i < 4; ++i)
        expected.insert(expected.end(), kOneImage.begin(), kOneImage.end());
    EXPECT_EQ(sink.Steps(), expected);

    auto mounts = Calls(L"DismMountImage");
    ASSERT_EQ(mounts.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mounts[i].args[0], media + L"\\sources\\install.wim");
        EXPECT_EQ(mounts[i].args[2], std::to_wstring(i + 1));
    }
    // NVMe hotfixes go into every image; nothing is saved for the setup files.
    EXPECT_EQ(Calls(L"DismAddPackage").size(), 12u);
    EXPECT_EQ(Calls(L"DismAddDriver").size(), 8u);
    EXPECT_EQ(Added(L"DismAddPackage")[2], program + L"Hotfix\\NVMe\\x64\\n.msu");
    EXPECT_FALSE(DirExists(working + L"UpdatedSource"));
    EXPECT_FALSE(DirExists(working + L"boot"));
    std::string wim = ReadBytes(Wim(L"install.wim"));
    for (int i = 1; i <= 4; ++i)
        EXPECT_NE(wim.find("commit index=" + std::to_string(i)), std::string::npos);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(standin.LiveAllocations(), 0);
}

TEST_F(DismOperationTest, BootModeWithNVMeCarriesTheSetupFilesOver)
{
    ASSERT_TRUE(WriteFakeImage(Wim(L"boot.wim"), 2));
    DismOperation op(sink.Window(), media, drivers, 1, 0, 1);
    EXPECT_EQ(op.Excute(), 1);

    auto packages = Added(L"DismAddPackage");
    ASSERT_EQ(packages.size(), 3u);
    EXPECT_EQ(packages[2], program + L"Hotfix\\NVMe\\x64\\n.msu");
    // The setup files were saved after the packages and before the first driver.
    std::string added = ReadBytes(media + L"sources\\added.txt");
    EXPECT_NE(added.find("n.msu"), std::string::npos);
    EXPECT_EQ(added.find("driver "), std::string::npos);
    EXPECT_FALSE(DirExists(working + L"UpdatedSource"));
    EXPECT_NE(Trace().find(L"DismOperation::Excute - DISMADDDRIVER: NVMEhotfixDir" + program +
                           L"Hotfix\\NVMe\\x64"),
              std::wstring::npos);
}

TEST_F(DismOperationTest, UpdatedSourceReachesTheMediumOnlyAfterTheUnmount)
{
    ASSERT_TRUE(WriteFakeImage(Wim(L"boot.wim"), 2));
    standin.Fail(L"DismUnmountImage", L"1");
    DismOperation op(sink.Window(), media, drivers, 0, 0, 1);
    EXPECT_EQ(op.Excute(), 0);
    EXPECT_FALSE(FileExists(media + L"sources\\added.txt"));
    std::string saved = ReadBytes(working + L"UpdatedSource\\added.txt");
    EXPECT_NE(saved.find("Hotfix\\x86\\old.msu"), std::string::npos);
    EXPECT_EQ(saved.find("driver "), std::string::npos);
    // Nothing is undone: the staged image stays, the medium has none.
    EXPECT_TRUE(FileExists(working + L"boot\\boot.wim"));
    EXPECT_FALSE(FileExists(Wim(L"boot.wim")));
}

TEST_F(DismOperationTest, FailuresEndTheOperationWithTheirBox)
{
    struct Case {
        const wchar_t* call;
        const wchar_t* boxStart;
    } cases[] = {{L"DismMountImage", L"DismMountImage failed 0x"},
                 {L"DismOpenSession", L"DismOpenSession  failed 0x"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.call));
        DismManager::Release();
        RemoveTree(standin.StateFolder());
        RemoveTree(working);
        MakeDirs(standin.StateFolder());
        ASSERT_TRUE(WriteFakeImage(Wim(L"install.wim"), 2));
        standin.Fail(c.call, L"1");
        size_t before = boxes.Count();
        DismOperation op(sink.Window(), media, drivers, 1, 1, 0);
        EXPECT_EQ(op.Excute(), 0);
        auto shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), before + 1);
        EXPECT_EQ(shown.back().text.find(c.boxStart), 0u) << Utf8(shown.back().text);
        // Nothing after the failed call: the first image's packages were never added.
        EXPECT_TRUE(Calls(L"DismAddPackage").empty());
        sink.Steps();
    }
}

TEST_F(DismOperationTest, UnreadableImageCountInInstallModeStopsBeforeTheCount)
{
    ASSERT_TRUE(WriteFakeImage(Wim(L"install.wim"), 2));
    standin.Fail(L"DismGetImageInfo", L"1");
    DismOperation op(sink.Window(), media, drivers, 1, 1, 0);
    EXPECT_EQ(op.Excute(), 0);
    EXPECT_TRUE(sink.counts.empty());
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text.find(L"DismGetImageInfo failed 0x80004005 : "), 0u);
    EXPECT_TRUE(Calls(L"DismMountImage").empty());
}

TEST_F(DismOperationTest, MissingImageFileFailsQuietly)
{
    DismOperation op(sink.Window(), media, drivers, 1, 0, 0);
    EXPECT_EQ(op.Excute(), 0);
    EXPECT_TRUE(sink.counts.empty());
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_TRUE(Calls(L"DismGetImageInfo").empty());
}

TEST_F(DismOperationTest, FailedRestoreKeepsTheStagedImage)
{
    ASSERT_TRUE(WriteFakeImage(Wim(L"boot.wim"), 2));
    // Once the image is staged, a file takes the place of the medium's "sources" folder.
    sink.onCount = [&] {
        RemoveTree(media + L"sources");
        WriteBytes(media + L"sources", "in the way");
    };
    DismOperation op(sink.Window(), media, drivers, 1, 0, 1);
    EXPECT_EQ(op.Excute(), 0);
    std::wstring staged = working + L"boot\\boot.wim";
    EXPECT_TRUE(FileExists(staged));
    EXPECT_NE(ReadBytes(staged).find("commit index=2"), std::string::npos);
    EXPECT_NE(Trace().find(L"[DismOperation::RestoreBootWim] copy back failed, staged image kept: " + staged),
              std::wstring::npos);
    // The setup files are not carried over after a failed restore.
    EXPECT_TRUE(DirExists(working + L"UpdatedSource"));
}

TEST_F(DismOperationTest, FailedStartUpIsReportedAndLeavesTheMediumAlone)
{
    DismManager::Release();
    standin.Fail(L"DismInitialize", L"*");
    ASSERT_TRUE(WriteFakeImage(Wim(L"boot.wim"), 2));
    DismOperation op(sink.Window(), media, drivers, 1, 0, 0);
    EXPECT_EQ(op.Excute(), 0);
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"Unable to DismInitialize");
    EXPECT_EQ(shown[0].caption, L"DismCpp");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK));
    EXPECT_NE(Trace().find(L"[DismOperation::Excute] Unable to DismInitialize"), std::wstring::npos);
    EXPECT_TRUE(FileExists(Wim(L"boot.wim")));
    EXPECT_FALSE(DirExists(working + L"boot"));
    EXPECT_TRUE(sink.counts.empty());
}

TEST_F(DismOperationTest, ProgressIsGuardedAndComputedWide)
{
    DismOperation op(sink.Window(), media, drivers, 1, 0, 0);
    sink.Steps();
    DismOperation::OnDismProgress(5, 0, &op);
    DismOperation::OnDismProgress(4000000000u, 4000000000u, &op);
    DismOperation::OnDismProgress(2000000000u, 4000000000u, &op);
    DismOperation::OnDismProgress(1, 3, &op);
    EXPECT_EQ(sink.Steps(), (std::vector<Step>{{20, 100}, {20, 50}, {20, 33}}));
}

// No drivers for the medium is no failure, but the log must say why the medium lacks them.
TEST_F(DismOperationTest, MissingDriverPackagesAreNamedInTheTrace)
{
    MakeDirs(dir / L"empty\\x64");
    const struct {
        std::wstring folder;
        const wchar_t* why;
    } cases[] = {{dir / L"empty", L": the image gets no drivers"},
                 {dir / L"absent", L": the folder does not exist; the image gets no drivers"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.folder));
        ASSERT_TRUE(WriteFakeImage(Wim(L"boot.wim"), 2));
        DismOperation op(nullptr, media, c.folder, 1, 0, 0);
        EXPECT_EQ(op.Excute(), 1);
        EXPECT_NE(Trace().find(L"[DismOperation::AddDriverFolder] no driver package (.INF) under " +
                               c.folder + L"\\x64" + c.why + L"\r\n"),
                  std::wstring::npos);
    }
    EXPECT_TRUE(Calls(L"DismAddDriver").empty());
    // With drivers present nothing of the kind is said.
    DismOperation withDrivers(nullptr, media, drivers, 1, 0, 0);
    ASSERT_TRUE(WriteFakeImage(Wim(L"boot.wim"), 2));
    RemoveTree(working);
    MakeDirs(working);
    EXPECT_EQ(withDrivers.Excute(), 1);
    EXPECT_EQ(Trace().find(L"no driver package"), std::wstring::npos);
}

} // namespace
