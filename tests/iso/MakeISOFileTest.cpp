#include "engine/MakeISOFile.h"
#include "iso/IsoTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace testing_support;
using namespace iso_testing;

namespace {

TEST(ParseISOPercent, ReadsTheValueBeforeTheFirstMarkerInTheChunk)
{
    auto parse = [](const std::string& chunk) { return ParseISOPercent(chunk.data(), chunk.size()); };
    EXPECT_EQ(parse("  5% complete\r\n"), 5);
    EXPECT_EQ(parse("100% complete\r\n"), 100);
    EXPECT_EQ(parse("7% complete"), 7);
    EXPECT_EQ(parse(" 42% complete"), 42);
    EXPECT_EQ(parse("% complete"), 0);
    EXPECT_EQ(parse("Scanning source tree\r\n 12% complete"), 12);
    // Two values in one chunk: only the first counts.
    EXPECT_EQ(parse(" 41% complete\r\n 42% complete\r\n"), 41);
    // At most three characters before the sign.
    EXPECT_EQ(parse("12345% complete"), 345);
    EXPECT_EQ(parse("ab5% complete"), 0);
    EXPECT_EQ(parse("Scanning source tree\r\n"), -1);
    EXPECT_EQ(parse(""), -1);
    EXPECT_EQ(parse(" 50% comp"), -1);
}

TEST(ParseISOPercent, LooksOnlyAtTheBytesRead)
{
    // A value cut at the chunk's end is not completed from whatever follows in memory.
    std::string full(3996, 'x');
    full += " 88% complete\r\n";
    EXPECT_EQ(ParseISOPercent(full.data(), 4000), -1);
    EXPECT_EQ(ParseISOPercent(full.data(), full.size()), 88);
    // The chunk's tail piece on its own gives what it holds, never more.
    std::string tail = "8% complete";
    EXPECT_EQ(ParseISOPercent(tail.data(), tail.size()), 8);
    std::string head = " 8";
    EXPECT_EQ(ParseISOPercent(head.data(), head.size()), -1);
}

// Records what the runner reports and on which thread.
struct Recorder {
    std::mutex lock;
    std::vector<int> values;
    std::vector<DWORD> threads;

    static int Routine(int percent, void* user)
    {
        auto* self = static_cast<Recorder*>(user);
        std::lock_guard<std::mutex> guard(self->lock);
        self->values.push_back(percent);
        self->threads.push_back(GetCurrentThreadId());
        return 0;
    }
    std::vector<int> Values()
    {
        std::lock_guard<std::mutex> guard(lock);
        return values;
    }
};

class MakeISOFileTest : public ::testing::Test {
protected:
    MakeISOFileTest()
    {
        MakeDirs(dir / L"source\\sources");
        WriteBytes(dir / L"source\\sources\\boot.wim", "wim");
        MakeDirs(dir / L"out");
    }

    std::wstring Image() const { return dir / L"out\\W7.iso"; }
    std::wstring Command(const std::wstring& padding = L"") const
    {
        return L"\"" + tools.Tool() + L"\" -lWIN7 -m -o -u1 -udfver102 -bootdata:1#p0,e,b\"" + tools.X86() +
               L"etfsboot.com\" \"" + dir.Path() + L"source\\\"" + padding + L" \"" + Image() + L"\"";
    }
    bool Run(const std::string& mode, Recorder& recorder)
    {
        tools.SetMode(mode);
        MakeISOFile::Instance()->SetCmd(Command());
        return MakeISOFile::Instance()->Excute(&Recorder::Routine, &recorder);
    }
    std::vector<std::wstring> Trace() const { return TraceMessages(work.Path()); }

    TempDir dir;
    TempDir work;
    ScopedWorkingFolder working{work.Path()};
    ToolFolder tools;
};

TEST_F(MakeISOFileTest, NormalRunReportsRisingPercentagesOnItsOwnThreadAndSucceeds)
{
    Recorder recorder;
    ASSERT_TRUE(Run("normal", recorder));
    std::vector<int> values = recorder.Values();
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.back(), 100);
    for (size_t i = 1; i < values.size(); ++i)
        EXPECT_LT(values[i - 1], values[i]);
    EXPECT_GE(values.size(), 10u) << "lines written one by one arrive one by one";
    for (DWORD thread : recorder.threads)
        EXPECT_NE(thread, GetCurrentThreadId());
    EXPECT_TRUE(ImageFinished(Image()));
    // The tool got the command line exactly as set.
    EXPECT_EQ(tools.RawCommandLine(), Command());

    auto lines = Trace();
    int set = FindLine(lines, L"[MakeISOFile::SetCmd - m_cmd]" + Command());
    int start = FindLine(lines, L"[MakeISOFile::Excute]- start", set);
    int thread = FindLine(lines, L"[MakeISOFile::Excute]- MakeISOThread start", start);
    int command = FindLine(lines, Command(), thread);
    int created = FindLine(lines, L"[MakeISOFile::MakeISOThread]- CreateProcess", command);
    int read = FindLine(lines, L"[MakeISOFile::MakeISOThread]- ReadPipe", created);
    int ended = FindLine(lines, L"[MakeISOFile::MakeISOThread]- ReadPipe fail", read);
    EXPECT_GE(set, 0);
    EXPECT_GT(ended, read);
    EXPECT_GT(read, 0);
    EXPECT_FALSE(HasLine(lines, L"[MakeISOFile::MakeISOThread]-MakeISOFile  fail"));
}

TEST_F(MakeISOFileTest, FailureExitCodeReportsZeroAndFails)
{
    Recorder recorder;
    EXPECT_FALSE(Run("fail 40", recorder));
    std::vector<int> values = recorder.Values();
    ASSERT_GE(values.size(), 2u);
    EXPECT_EQ(values[values.size() - 2], 40);
    EXPECT_EQ(values.back(), 0);
    auto lines = Trace();
    int fail = FindLine(lines, L"[MakeISOFile::MakeISOThread]-MakeISOFile  fail");
    ASSERT_GE(fail, 0);
    EXPECT_EQ(FindLine(lines, L"[MakeISOFile::MakeISOThread]-Exit Code:1", fail), fail + 1);
    EXPECT_FALSE(ImageFinished(Image()));
}

TEST_F(MakeISOFileTest, ExitBeforeHundredEndsTheRunWithTheToolsExitCode)
{
    Recorder recorder;
    EXPECT_TRUE(Run("early 60", recorder));
    ASSERT_FALSE(recorder.Values().empty());
    EXPECT_EQ(recorder.Values().back(), 60);
    EXPECT_TRUE(ImageFinished(Image()));
}

TEST_F(MakeISOFileTest, HundredDoesNotEndTheRunWhileTheToolStillWorks)
{
    Recorder recorder;
    auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(Run("pause 1200 0", recorder));
    auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_GE(took, std::chrono::milliseconds(1100));
    EXPECT_TRUE(ImageFinished(Image())) << "the image was complete when the run ended";
    EXPECT_EQ(recorder.Values().back(), 100);
    EXPECT_FALSE(ProcessAlive(tools.ToolProcessId()));

    // A failure exit after 100 still fails the run.
    Recorder second;
    EXPECT_FALSE(Run("pause 300 3", second));
    std::vector<int> values = second.Values();
    ASSERT_GE(values.size(), 2u);
    EXPECT_EQ(values[values.size() - 2], 100);
    EXPECT_EQ(values.back(), 0);
    EXPECT_TRUE(HasLine(Trace(), L"[MakeISOFile::MakeISOThread]-Exit Code:3"));
}

TEST_F(MakeISOFileTest, OnlyRisingValuesArePassedOn)
{
    // The mode through the environment this time, which the tool inherits.
    SetEnvironmentVariableW(L"OSCDIMG_STANDIN_MODE", L"values 10 30 30 20 50 40 100 100 90");
    MakeISOFile::Instance()->SetCmd(Command());
    Recorder recorder;
    EXPECT_TRUE(MakeISOFile::Instance()->Excute(&Recorder::Routine, &recorder));
    SetEnvironmentVariableW(L"OSCDIMG_STANDIN_MODE", nullptr);
    EXPECT_EQ(recorder.Values(), (std::vector<int>{10, 30, 50, 100}));
}

TEST_F(MakeISOFileTest, ValuesAboveAHundredAreReportedAsAHundred)
{
    Recorder recorder;
    EXPECT_TRUE(Run("values 10 999 100", recorder));
    EXPECT_EQ(recorder.Values(), (std::vector<int>{10, 100}));
}

TEST_F(MakeISOFileTest, LinesWrittenInPiecesReportNothingFalse)
{
    Recorder recorder;
    EXPECT_TRUE(Run("pieces", recorder));
    for (int value : recorder.Values())
        EXPECT_EQ(value, 0) << "a cut value was read as another one";
    EXPECT_TRUE(ImageFinished(Image()));
}

TEST_F(MakeISOFileTest, SilentToolIsCancelledAtOnce)
{
    Recorder recorder;
    tools.SetMode("hang");
    MakeISOFile::Instance()->SetCmd(Command());
    bool result = false;
    std::chrono::steady_clock::duration took{};
    std::thread job([&] {
        auto begin = std::chrono::steady_clock::now();
        result = MakeISOFile::Instance()->Excute(&Recorder::Routine, &recorder);
        took = std::chrono::steady_clock::now() - begin;
    });
    for (int i = 0; i < 200 && !tools.ToolProcessId(); ++i)
        Sleep(20);
    DWORD pid = tools.ToolProcessId();
    ASSERT_TRUE(ProcessAlive(pid));
    Sleep(200);
    auto cancelAt = std::chrono::steady_clock::now();
    MakeISOFile::Instance()->Cancle();
    job.join();
    EXPECT_LT(std::chrono::steady_clock::now() - cancelAt, std::chrono::seconds(2));
    EXPECT_TRUE(result) << "a stop is told by the caller's own flag";
    EXPECT_EQ(recorder.Values(), std::vector<int>{0});
    for (int i = 0; i < 50 && ProcessAlive(pid); ++i)
        Sleep(20);
    EXPECT_FALSE(ProcessAlive(pid)) << "the tool was terminated";
    EXPECT_TRUE(HasLine(Trace(), L"MakeISOFile::Cancle"));
}

TEST_F(MakeISOFileTest, CancelBeforeTheRunIsKeptAndSetCmdForgetsAnEarlierOne)
{
    // Cancelled between SetCmd and Excute: the tool never starts.
    Recorder early;
    tools.SetMode("normal");
    MakeISOFile::Instance()->SetCmd(Command());
    MakeISOFile::Instance()->Cancle();
    EXPECT_TRUE(MakeISOFile::Instance()->Excute(&Recorder::Routine, &early));
    EXPECT_EQ(early.Values(), std::vector<int>{0});
    EXPECT_TRUE(tools.RawCommandLine().empty());

    // A cancel left from before the next SetCmd does not stop the next run.
    MakeISOFile::Instance()->Cancle();
    Recorder next;
    EXPECT_TRUE(Run("normal", next));
    ASSERT_FALSE(next.Values().empty());
    EXPECT_EQ(next.Values().back(), 100);
}

TEST_F(MakeISOFileTest, MissingToolFails)
{
    Recorder recorder;
    MakeISOFile::Instance()->SetCmd(L"\"" + dir.Path() + L"nowhere\\oscdimg.exe\" -lWIN7 \"" + dir.Path() +
                                    L"source\\\" \"" + Image() + L"\"");
    EXPECT_FALSE(MakeISOFile::Instance()->Excute(&Recorder::Routine, &recorder));
    EXPECT_EQ(recorder.Values(), std::vector<int>{0});
    bool traced = false;
    for (const std::wstring& line : Trace())
        traced |= line.rfind(L"[MakeISOFile::MakeISOThread]- CreateProcess fail", 0) == 0;
    EXPECT_TRUE(traced);
}

TEST_F(MakeISOFileTest, OverlongCommandLineIsRefusedNotCut)
{
    // Blanks between arguments lengthen the line without changing what the tool gets.
    std::wstring base = Command();
    std::wstring fits = Command(std::wstring(kMaxISOCommandLine - base.size(), L' '));
    ASSERT_EQ(fits.size(), kMaxISOCommandLine);
    Recorder ok;
    tools.SetMode("normal");
    MakeISOFile::Instance()->SetCmd(fits);
    EXPECT_TRUE(MakeISOFile::Instance()->Excute(&Recorder::Routine, &ok));
    EXPECT_EQ(tools.RawCommandLine(), fits);

    DeleteFileW((tools.X86() + L"oscdimg-cmdline.txt").c_str());
    Recorder refused;
    MakeISOFile::Instance()->SetCmd(fits + L" ");
    EXPECT_FALSE(MakeISOFile::Instance()->Excute(&Recorder::Routine, &refused));
    EXPECT_EQ(refused.Values(), std::vector<int>{0});
    EXPECT_TRUE(tools.RawCommandLine().empty()) << "the tool was not started";
    bool traced = false;
    for (const std::wstring& line : Trace())
        traced |= line.find(L"command line too long") != std::wstring::npos;
    EXPECT_TRUE(traced);
}

// Open handles of this process (GetProcessHandleCount answers 0 under Wine).
unsigned OpenHandleCount()
{
    unsigned count = 0;
    DWORD flags;
    for (ULONG_PTR value = 4; value < 65536; value += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    return count;
}

TEST_F(MakeISOFileTest, RunsLeaveNoHandlesBehind)
{
    Recorder warmup;
    ASSERT_TRUE(Run("normal 0", warmup));
    unsigned before = OpenHandleCount();
    for (int i = 0; i < 3; ++i) {
        Recorder ok, failed, missing;
        EXPECT_TRUE(Run("normal 0", ok));
        EXPECT_FALSE(Run("fail 5", failed));
        MakeISOFile::Instance()->SetCmd(L"\"" + dir.Path() + L"missing.exe\"");
        EXPECT_FALSE(MakeISOFile::Instance()->Excute(&Recorder::Routine, &missing));
    }
    unsigned after = OpenHandleCount();
    EXPECT_LE(after, before + 2) << before << " -> " << after;
}

} // namespace
