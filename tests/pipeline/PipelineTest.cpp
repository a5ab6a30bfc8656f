#include "engine/BrindleImp.h"
#include "engine/Ccopyfileopt.h"
#include "engine/TraceLog.h"
#include "support/ChunkedCopy.h"
#include "support/FakeDiskSystem.h"
#include "support/JobFolders.h"
#include "support/ProgressWindow.h"
#include "support/TestSupport.h"
#include "support/TraceLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

using namespace testing_support;

namespace {

const unsigned long long MB = 1048576ull;
using Table = std::vector<int>;

class PipelineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PointJobAt(info, dir.Path());
        for (const wchar_t* folder :
             {L"src\\sources", L"prog\\Other\\x64", L"prog\\Other\\x86", L"prog\\efi\\boot"})
            MakeDirs(dir / folder);
    }
    void SetEmbedded(bool embedded)
    {
        WriteBytes(dir / L"src\\sources\\product.ini",
                   embedded ? "[SKU]\r\nType=Embedded\r\n" : "[SKU]\r\nType=Retail\r\n");
    }
    std::vector<std::wstring> Trace() { return TraceLines(dir / L"work\\"); }

    TempDir dir;
    ScopedWorkingFolder working{dir / L"work\\"};
    ScopedProgramFolder program{dir / L"prog\\"};
    _WIN7_OPERAT_INFO info = {};
};

TEST_F(PipelineTest, TablesFollowKindEmbeddedCompatibilityAndNVMe)
{
    const Table usbPlain{5, 8, 9, 7, 19, -1}, usbWim{5, 8, 9, 18, 19, -1};
    const Table isoPlain{6, 3, 20, 16, 4, -1}, isoWim{6, 3, 20, 17, 4, -1};
    for (unsigned kind : {0u, 1u})
        for (bool embedded : {false, true})
            for (bool compatible : {false, true})
                for (bool nvme : {false, true}) {
                    SetEmbedded(embedded);
                    Win7InsCreator creator(nullptr, kind, &info, compatible, nvme);
                    bool wim = nvme || (embedded ? compatible : kind != 0 && compatible);
                    const Table& expected = kind == 0 ? (wim ? usbWim : usbPlain) : (wim ? isoWim : isoPlain);
                    EXPECT_EQ(creator.GetStateTable(), expected)
                        << "kind " << kind << " embedded " << embedded << " compatibility " << compatible
                        << " NVMe " << nvme;
                }
    // The built-in tables themselves are never changed.
    SetEmbedded(false);
    Win7InsCreator plain(nullptr, 1, &info, false, false);
    EXPECT_EQ(plain.GetStateTable(), isoPlain);
    EXPECT_EQ(Win7InsCreator::GetStateCount(1), 5) << "after jobs with install.wim steps";
}

TEST_F(PipelineTest, StaticQueries)
{
    EXPECT_EQ(Win7InsCreator::GetStateCount(0), 5);
    EXPECT_EQ(Win7InsCreator::GetStateCount(1), 5);
    EXPECT_EQ(Win7InsCreator::GetStateCount(2), 0);
    EXPECT_EQ(Win7InsCreator::GetStateCount(0xFFFFFFFFu), 0);
    EXPECT_TRUE(Win7InsCreator::HasFormatStep(0));
    EXPECT_FALSE(Win7InsCreator::HasFormatStep(1));
}

TEST_F(PipelineTest, HasFormatStepOfAnUnknownKindStopsTheProgram)
{
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_DEATH(Win7InsCreator::HasFormatStep(2), "BrindleImp");
}

TEST_F(PipelineTest, CopyWeightsShareTheCopyStepsBySize)
{
    ASSERT_TRUE(MakeSizedFile(dir / L"src\\sources\\install.wim", 2500 * MB));
    ASSERT_TRUE(MakeSizedFile(dir / L"os\\drivers.cab", 40 * MB + 5));
    ASSERT_TRUE(MakeSizedFile(dir / L"prog\\Other\\x64\\tool.exe", 10 * MB));
    WriteBytes(dir / L"prog\\Other\\x86\\tool.exe", "x86 is not measured for 64-bit media");

    Win7InsCreator usb(nullptr, 0, &info, false, false);
    EXPECT_DOUBLE_EQ(usb.GetCopyWeight(8), 3.0 * 2500 / 2550);
    EXPECT_DOUBLE_EQ(usb.GetCopyWeight(7), 3.0 * 40 / 2550);
    EXPECT_DOUBLE_EQ(usb.GetCopyWeight(19), 3.0 * 10 / 2550);
    EXPECT_NEAR(usb.GetCopyWeight(8), 2.941, 0.001);
    EXPECT_NEAR(usb.GetCopyWeight(19), 0.0118, 0.0001);
    EXPECT_DOUBLE_EQ(usb.GetCopyWeight(2), 1.0);
    EXPECT_DOUBLE_EQ(usb.GetCopyWeight(5), 1.0);

    Win7InsCreator wim(nullptr, 0, &info, false, true);
    EXPECT_DOUBLE_EQ(wim.GetCopyWeight(8), 2.0 * 2500 / 2510);
    EXPECT_DOUBLE_EQ(wim.GetCopyWeight(19), 2.0 * 10 / 2510);

    Win7InsCreator iso(nullptr, 1, &info, false, false);
    EXPECT_DOUBLE_EQ(iso.GetCopyWeight(6), 3.0 * 2500 / 2550);
    EXPECT_DOUBLE_EQ(iso.GetCopyWeight(16), 3.0 * 40 / 2550);
    EXPECT_DOUBLE_EQ(iso.GetCopyWeight(20), 3.0 * 10 / 2550);
}

TEST_F(PipelineTest, CopyWeightsAreOneWhenEverySourceIsUnderOneMB)
{
    WriteBytes(dir / L"src\\setup.exe", std::string(1000, 's'));
    WriteBytes(dir / L"os\\a.inf", "a");
    for (unsigned kind : {0u, 1u}) {
        Win7InsCreator creator(nullptr, kind, &info, false, false);
        for (int code : {6, 7, 8, 16, 19, 20}) {
            double weight = creator.GetCopyWeight(code);
            EXPECT_FALSE(std::isnan(weight)) << "code " << code;
            EXPECT_DOUBLE_EQ(weight, 1.0) << "code " << code;
        }
    }
}

TEST_F(PipelineTest, FoldersBesideTheProgramFollowTheArchitecture)
{
    Win7InsCreator x64(nullptr, 0, &info, false, false);
    EXPECT_EQ(x64.GetOtherDriverFolder(), dir / L"prog\\Other\\x64");
    EXPECT_EQ(x64.GetEfiFolder(), dir / L"prog\\efi");
    WriteBytes(dir / L"prog\\efi\\boot\\bootx64.efi", "efi");
    x64.CopyEfiFolder();
    EXPECT_EQ(ReadBytes(dir / L"tag\\efi\\boot\\bootx64.efi"), "efi");

    info.bIs64bitDVD = 0;
    RemoveTree(dir / L"tag\\efi");
    Win7InsCreator x86(nullptr, 0, &info, false, false);
    EXPECT_EQ(x86.GetOtherDriverFolder(), dir / L"prog\\Other\\x86");
    EXPECT_EQ(x86.GetEfiFolder(), L"");
    x86.CopyEfiFolder();
    EXPECT_FALSE(DirExists(dir / L"tag\\efi"));
}

TEST_F(PipelineTest, AnUnknownKindRunsNothingAndLogsNothing)
{
    Win7InsCreator creator(nullptr, 2, &info, true, true);
    EXPECT_TRUE(creator.GetStateTable().empty());
    EXPECT_EQ(creator.Excute(), 0);
    EXPECT_TRUE(Trace().empty());
}

TEST_F(PipelineTest, AUsbJobStopsAtTheFormatStepWhenTheTargetIsNoUsbStick)
{
    FakeDiskSystem noDisks;
    ScopedDiskSystem useNoDisks(noDisks);
    MessageBoxRecorder boxes;
    ProgressWindow window;
    WriteBytes(dir / L"src\\setup.exe", "setup");
    Win7InsCreator creator(window.Handle(), 0, &info, false, false);
    EXPECT_EQ(creator.Excute(), 0);
    auto lines = Trace();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(FindTraceLine(lines, L"[Win7InsCreator::Excute] State: " + std::to_wstring(i)), i);
    EXPECT_EQ(FindTraceLine(lines, L"USBOperation::create"), 5);
    EXPECT_EQ(FindTraceLine(lines, L"CopyOperation::Create"), -1) << "nothing after the failure";
    EXPECT_FALSE(FileExists(dir / L"tag\\setup.exe"));
    for (const auto& step : window.Steps())
        EXPECT_NE(step.first, STEP_JOB_FINISHED);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, L"This is not a USB disk/flash.");
}

TEST_F(PipelineTest, AnIsoJobCopiesTheSourceThenStopsAtTheImageUpdateWhileItIsNotBuilt)
{
    ScopedChunkedCopy chunked(1024);
    ProgressWindow window;
    MakeDirs(dir / L"src\\boot");
    WriteBytes(dir / L"src\\setup.exe", std::string(5000, 's'));
    WriteBytes(dir / L"src\\boot\\bcd", std::string(3000, 'b'));
    WriteBytes(dir / L"src\\autorun.inf", "[autorun]");
    Win7InsCreator creator(window.Handle(), 1, &info, false, false);
    EXPECT_EQ(creator.Excute(), 0);

    EXPECT_EQ(ReadBytes(dir / L"tmp\\setup.exe"), std::string(5000, 's'));
    EXPECT_EQ(ReadBytes(dir / L"tmp\\boot\\bcd"), std::string(3000, 'b'));
    EXPECT_TRUE(FileExists(dir / L"tmp\\autorun.inf"));
    auto steps = window.Steps();
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front().first, STEP_COPY_TO_TEMP);
    EXPECT_EQ(steps.back(), std::make_pair(int(STEP_COPY_DONE), 100));

    auto lines = Trace();
    EXPECT_EQ(FindTraceLine(lines, L"[Win7InsCreator::Excute] State: 4"), 4);
    int create = FindTraceLine(lines, L"CopyOperation::Create");
    EXPECT_EQ(create, 5);
    EXPECT_EQ(FindTraceLine(lines, L"[CopyOperation:: m_SourcePath]" + dir / L"src\\"), create + 1);
    EXPECT_EQ(FindTraceLine(lines, L"[CopyOperation:: m_TagPath]" + dir / L"tmp\\"), create + 2);
    EXPECT_GE(FindTraceLine(lines, L"[CopyOperation:: Excute] BACKUPOK"), 0);
    EXPECT_EQ(FindTraceLine(lines, L"ISOOperation create"), -1);
}

TEST_F(PipelineTest, ACancelDuringACopyRunsNothingMoreButStillCreatesTheRest)
{
    ScopedChunkedCopy chunked(1024);
    ProgressWindow window;
    for (int i = 0; i < 4; ++i)
        WriteBytes(dir / (L"src\\f" + std::to_wstring(i)), std::string(4000, 'f'));
    Win7InsCreator creator(window.Handle(), 1, &info, false, false);
    // The cancel comes while the source copy runs, as the wizard's button would send it.
    SetChunkObserver([&](const std::wstring&, unsigned long long done, unsigned long long) {
        if (done == 2048)
            creator.Cancel();
    });
    EXPECT_EQ(creator.Excute(), 0) << "the cancelled file fails the copy, so the job fails";
    EXPECT_TRUE(creator.IsCancel());

    auto steps = window.Steps();
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps[steps.size() - 2], std::make_pair(int(STEP_COPY_STOPPED), 0));
    EXPECT_EQ(steps.back(), std::make_pair(int(STEP_COPY_FAILED), 100));
}

TEST_F(PipelineTest, ACancelBetweenFilesLetsTheRemainingRoundsCreateButNotRun)
{
    ScopedChunkedCopy chunked(8192);
    for (int i = 0; i < 4; ++i)
        WriteBytes(dir / (L"src\\f" + std::to_wstring(i)), std::string(100, 'f'));
    WriteBytes(dir / L"prog\\Other\\x64\\other.txt", "other");
    Win7InsCreator creator(nullptr, 1, &info, false, false);
    SetChunkObserver([&](const std::wstring&, unsigned long long done, unsigned long long total) {
        if (done == total)
            creator.Cancel();
    });
    EXPECT_EQ(creator.Excute(), 1);

    auto lines = Trace();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), L"CopyOperation::Create"), 3)
        << "codes 6, 20 and 16 are all created";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), L"CopyOperation::Excute"), 1) << "only the first runs";
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), L"CompleteOperation create");
    EXPECT_FALSE(FileExists(dir / L"tmp\\other.txt"));
    EXPECT_FALSE(FileExists(dir / L"tmp\\f0")) << "the stopped copy empties its target";
}

// The efi copy's result never fails the job, but a stick without it must be explained.
TEST_F(PipelineTest, AMissingEfiFolderIsNamedInTheTrace)
{
    RemoveTree(dir / L"prog\\efi");
    Win7InsCreator creator(nullptr, 0, &info, false, false);
    creator.CopyEfiFolder();
    auto lines = Trace();
    EXPECT_GE(FindTraceLine(lines, L"[Win7InsCreator::CopyEfiFolder] the efi folder " + dir / L"prog\\efi" +
                                       L" does not exist; nothing was copied to " + dir / L"tag\\efi" +
                                       L": the media will not start on UEFI machines"),
              0);
}

TEST_F(PipelineTest, ACancelledUsbJobWritesNoEfiFolder)
{
    WriteBytes(dir / L"prog\\efi\\boot\\bootx64.efi", "efi");
    Win7InsCreator creator(nullptr, 0, &info, false, false);
    creator.Cancel();
    EXPECT_EQ(creator.Excute(), 1);
    EXPECT_FALSE(DirExists(dir / L"tag\\efi"));
}

TEST_F(PipelineTest, CancelFromAnotherThreadIsSafeWhileOperationsAreReplaced)
{
    ScopedChunkedCopy chunked(512);
    MessageBoxRecorder boxes;
    for (int i = 0; i < 8; ++i)
        WriteBytes(dir / (L"src\\f" + std::to_wstring(i)), std::string(3000, 'f'));
    WriteBytes(dir / L"os\\os.txt", "os");
    WriteBytes(dir / L"prog\\Other\\x64\\other.txt", "other");
    const std::wstring mark = L"-- cancel returned --";
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Win7InsCreator creator(nullptr, 1, &info, false, false);
        std::atomic<bool> done{false};
        std::thread worker([&] {
            creator.Excute();
            done.store(true);
        });
        // Spread the cancel over the job's life, from its first round to its end.
        for (int spin = 0; spin < round * 50 && !done.load(); ++spin)
            std::this_thread::yield();
        creator.Cancel();
        TraceLog(mark);
        worker.join();

        EXPECT_TRUE(creator.IsCancel()) << "the job ends cancelled";
        // At most the operation already under way when the cancel came runs on; none
        // starts after it.
        auto lines = Trace();
        auto at = std::find(lines.rbegin(), lines.rend(), mark);
        ASSERT_NE(at, lines.rend());
        int started = 0;
        for (size_t i = static_cast<size_t>(lines.rend() - at); i < lines.size(); ++i)
            if (lines[i] == L"CopyOperation::Excute" || lines[i] == L"DismOperation::Excute" ||
                lines[i] == L"ISOOperation Excute")
                ++started;
        EXPECT_LE(started, 1);
    }
}

} // namespace
