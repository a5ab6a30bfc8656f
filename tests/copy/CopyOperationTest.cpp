#include "engine/Ccopyfileopt.h"
#include "engine/CopyOperation.h"
#include "support/ChunkedCopy.h"
#include "support/ProgressWindow.h"
#include "support/TestSupport.h"
#include "support/TraceLines.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

using Steps = std::vector<std::pair<int, int>>;

class CopyOperationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeDirs(src);
        MakeDirs(dst);
    }
    std::vector<std::wstring> Trace() { return TraceLines(dir / L"work\\"); }

    TempDir dir;
    ScopedWorkingFolder working{dir / L"work\\"};
    ScopedChunkedCopy chunked{4096};
    ProgressWindow window;
    std::wstring src = dir / L"src\\";
    std::wstring dst = dir / L"dst\\";
};

TEST_F(CopyOperationTest, ConstructionLogsItsPaths)
{
    CopyOperation op(window.Handle(), STEP_COPY_TO_TARGET, src, dst, 1.0);
    auto lines = Trace();
    int first = FindTraceLine(lines, L"CopyOperation::Create");
    ASSERT_GE(first, 0);
    EXPECT_EQ(FindTraceLine(lines, L"[CopyOperation:: m_SourcePath]" + src), first + 1);
    EXPECT_EQ(FindTraceLine(lines, L"[CopyOperation:: m_TagPath]" + dst), first + 2);
    EXPECT_EQ(op.IsInvalid(), 0);
    EXPECT_EQ(op.IsStop(), 0);
}

TEST_F(CopyOperationTest, WeightedProgressNeverFallsAndEndsNearTheWeight)
{
    MakeDirs(src + L"sub");
    WriteBytes(src + L"a.bin", std::string(40000, 'a'));
    WriteBytes(src + L"sub\\b.bin", std::string(30000, 'b'));
    WriteBytes(src + L"sub\\c.bin", std::string(50000, 'c'));
    CopyOperation op(window.Handle(), STEP_COPY_TO_TEMP, src, dst, 2.5);
    ASSERT_EQ(op.Excute(), 1);

    Steps steps = window.Steps();
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps.back(), std::make_pair(int(STEP_COPY_DONE), 100));
    int last = -1;
    for (size_t i = 0; i + 1 < steps.size(); ++i) {
        EXPECT_EQ(steps[i].first, STEP_COPY_TO_TEMP);
        EXPECT_GE(steps[i].second, last) << "progress fell at message " << i;
        last = steps[i].second;
    }
    EXPECT_GE(last, 249);
    EXPECT_LE(last, 250);
    EXPECT_GE(FindTraceLine(Trace(), L"[CopyOperation:: Excute] BACKUPOK"), 0);
}

// Each step of the value is a double before the cut to an integer; 80-bit intermediates
// would post 20, 41 and 69 here.
TEST_F(CopyOperationTest, PostedValuesAreTruncatedFromDoubles)
{
    SetCopyChunkSize(3);
    WriteBytes(src + L"ten.bin", "0123456789");
    CopyOperation op(window.Handle(), STEP_COPY_TO_TARGET, src, dst, 0.7);
    ASSERT_EQ(op.Excute(), 1);
    EXPECT_EQ(window.Steps(), (Steps{{STEP_COPY_TO_TARGET, 0},
                                     {STEP_COPY_TO_TARGET, 21},
                                     {STEP_COPY_TO_TARGET, 42},
                                     {STEP_COPY_TO_TARGET, 62},
                                     {STEP_COPY_TO_TARGET, 70},
                                     {STEP_COPY_DONE, 100}}));
}

TEST_F(CopyOperationTest, ATreeOfEmptyFilesPostsOnlyTheEnd)
{
    WriteBytes(src + L"a", "");
    WriteBytes(src + L"b", "");
    CopyOperation op(window.Handle(), STEP_COPY_TO_TARGET, src, dst, 1.0);
    ASSERT_EQ(op.Excute(), 1);
    EXPECT_EQ(window.Steps(), (Steps{{STEP_COPY_DONE, 100}}));
    EXPECT_TRUE(FileExists(dst + L"b"));
}

TEST_F(CopyOperationTest, AMissingTargetFailsWithoutAnyMessage)
{
    WriteBytes(src + L"a", "a");
    CopyOperation op(window.Handle(), STEP_COPY_TO_TARGET, src, dir / L"gone\\", 1.0);
    EXPECT_EQ(op.Excute(), 0);
    EXPECT_TRUE(window.Steps().empty());
    EXPECT_GE(FindTraceLine(Trace(), L"[CopyOperation:: m_TagPath] is not exist"), 0);
}

TEST_F(CopyOperationTest, AFailedCopyTracesItsSystemErrorAfterTheFailureLine)
{
    WriteBytes(src + L"a", "new");
    WriteBytes(dst + L"a", "old");
    SetFileAttributesW((dst + L"a").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(CopyOperation(window.Handle(), STEP_COPY_TO_TARGET, src, dst, 1.0).Excute(), 0);
    auto lines = Trace();
    int failed = FindTraceLine(lines, L"[CopyOperation:: Excute] BACKUPFAIL");
    ASSERT_TRUE(failed >= 0 && failed + 1 < static_cast<int>(lines.size()));
    EXPECT_EQ(lines[failed + 1].rfind(L"  system error 5:", 0), 0u) << Narrow(lines[failed + 1]);
}

TEST_F(CopyOperationTest, AStopDuringAFilePostsStoppedThenFailed)
{
    WriteBytes(src + L"big.bin", std::string(40000, 'x'));
    CopyOperation op(window.Handle(), STEP_COPY_TO_TARGET, src, dst, 1.0);
    SetChunkObserver([&](const std::wstring&, unsigned long long done, unsigned long long) {
        if (done == 8192)
            op.Stop();
    });
    EXPECT_EQ(op.Excute(), 0);
    Steps steps = window.Steps();
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps[steps.size() - 2], std::make_pair(int(STEP_COPY_STOPPED), 0));
    EXPECT_EQ(steps.back(), std::make_pair(int(STEP_COPY_FAILED), 100));
    EXPECT_FALSE(FileExists(dst + L"big.bin"));
    EXPECT_TRUE(DirExists(dst)) << "the target is made again after emptying";
    EXPECT_GE(FindTraceLine(Trace(), L"[CopyOperation:: Excute] BACKUPFAIL"), 0);
}

TEST_F(CopyOperationTest, AStopBetweenFilesSucceedsQuietlyWithAnEmptyTarget)
{
    for (int i = 0; i < 4; ++i)
        WriteBytes(src + L"f" + std::to_wstring(i), std::string(100, 'f'));
    CopyOperation op(window.Handle(), STEP_COPY_TO_TARGET, src, dst, 1.0);
    SetChunkObserver([&](const std::wstring&, unsigned long long done, unsigned long long total) {
        if (done == total)
            op.Stop();
    });
    EXPECT_EQ(op.Excute(), 1);
    EXPECT_EQ(op.IsStop(), 1);
    for (const auto& step : window.Steps())
        EXPECT_EQ(step.first, STEP_COPY_TO_TARGET) << "no end message after a stop";
    EXPECT_TRUE(DirExists(dst));
    EXPECT_FALSE(FileExists(dst + L"f0"));
    auto lines = Trace();
    EXPECT_GE(FindTraceLine(lines, L"[OnCopyfileCallback::false]!IsStop"), 0);
    EXPECT_GE(FindTraceLine(lines, L"[CopyOperation:: Excute] IsStop"), 0);
}

TEST_F(CopyOperationTest, TheJobCancelHoldsThoughTheCopyClearsItsOwnFlags)
{
    WriteBytes(src + L"a", "a");
    std::atomic<bool> jobCancel{false};
    CopyOperation op(window.Handle(), STEP_COPY_TO_TARGET, src, dst, 1.0, &jobCancel);
    // The cancel lands after the pipeline looked at its flag but before the copy began.
    jobCancel.store(true);
    op.Stop();
    EXPECT_EQ(op.Excute(), 1);
    EXPECT_FALSE(FileExists(dst + L"a"));
    EXPECT_TRUE(window.Steps().empty());
    EXPECT_FALSE(COptFile::Instance()->IsStop()) << "the engine forgets the job's flag afterwards";
}

TEST_F(CopyOperationTest, TheJobCancelStopsAFileInProgress)
{
    WriteBytes(src + L"big.bin", std::string(40000, 'x'));
    std::atomic<bool> jobCancel{false};
    CopyOperation op(window.Handle(), STEP_COPY_TO_TARGET, src, dst, 1.0, &jobCancel);
    SetChunkObserver([&](const std::wstring&, unsigned long long done, unsigned long long) {
        if (done == 4096)
            jobCancel.store(true);
    });
    EXPECT_EQ(op.Excute(), 0);
    Steps steps = window.Steps();
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps[steps.size() - 2].first, STEP_COPY_STOPPED);
}

} // namespace
