// The wizard's two threads: the source measurer's requests and the job worker's result.
#include "ui/Operationthd.h"
#include "ui/Thddvdsize.h"

#include "engine/TraceLog.h"
#include "forms2/FormsTestSupport.h"
#include "support/ChunkedCopy.h"
#include "support/JobFolders.h"
#include "support/ProgressWindow.h"
#include "support/TestSupport.h"
#include "support/TraceLines.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

class Threads : public ::testing::Test {
protected:
    void SetUp() override { forms_test::SetUpApplication(); }
};

// A measurer whose passes wait for the test to let them end.
struct Passes {
    std::mutex lock;
    std::vector<std::wstring> paths;
    std::vector<int> reported;
    std::atomic<int> running{0};
    std::atomic<int> most{0};
    HANDLE release = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE started = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ~Passes()
    {
        CloseHandle(release);
        CloseHandle(started);
    }

    void Attach(ThdDvdSize& t)
    {
        t.OnMeasure = [this](const String& path) {
            int now = ++running;
            if (now > most)
                most = now;
            {
                std::lock_guard<std::mutex> g(lock);
                paths.push_back(path);
            }
            SetEvent(started);
            WaitForSingleObject(release, 10000);
            --running;
            return static_cast<int>(path.size());
        };
        t.OnMeasured = [this](int mb) {
            std::lock_guard<std::mutex> g(lock);
            reported.push_back(mb);
        };
    }
    size_t Reported()
    {
        std::lock_guard<std::mutex> g(lock);
        return reported.size();
    }
};

} // namespace

TEST_F(Threads, RequestsDuringAPassAreKeptAndRunOneAtATime)
{
    forms_test::Watchdog dog(30000);
    Passes p;
    ThdDvdSize t(true);
    p.Attach(t);
    String source = L"D:\\";
    t.RequestPass(source);
    ASSERT_EQ(WaitForSingleObject(p.started, 5000), WAIT_OBJECT_0);
    source = L"rewritten by the UI thread"; // the running pass keeps its own path
    t.RequestPass(L"E:\\disc\\");
    t.RequestPass(L"F:\\newest\\"); // overtakes E: before it ran
    EXPECT_TRUE(t.Busy());
    SetEvent(p.release);
    ASSERT_EQ(WaitForSingleObject(p.started, 5000), WAIT_OBJECT_0);
    SetEvent(p.release);
    ASSERT_TRUE(forms_test::PumpUntil([&] { return p.Reported() == 1 && !t.Busy(); }, 5000));
    EXPECT_EQ(p.paths, (std::vector<std::wstring>{L"D:\\", L"F:\\newest\\"}));
    EXPECT_EQ(p.reported, std::vector<int>{10}) << "only the newest request reports";
    EXPECT_EQ(p.most.load(), 1) << "never two passes at once";

    // A request after the thread suspended starts a pass again.
    t.RequestPass(L"G:\\");
    ASSERT_EQ(WaitForSingleObject(p.started, 5000), WAIT_OBJECT_0);
    SetEvent(p.release);
    ASSERT_TRUE(forms_test::PumpUntil([&] { return p.Reported() == 2; }, 5000));
    EXPECT_EQ(p.reported.back(), 3);
}

TEST_F(Threads, AQueuedRequestAndAResultNeverCross)
{
    // The form clears its done flag as a request is queued and sets it with the result:
    // a pass that ends just as a new request comes must not leave the flag set.
    forms_test::Watchdog dog(60000);
    ThdDvdSize t(true);
    std::atomic<bool> done{false};
    std::atomic<int> lastSize{-1};
    t.OnMeasure = [](const String& path) { return static_cast<int>(path.size()); };
    t.OnQueued = [&] { done = false; };
    t.OnMeasured = [&](int mb) {
        lastSize = mb;
        done = true;
    };
    for (int i = 1; i <= 300; ++i) {
        String path(static_cast<size_t>(i), L'p');
        t.RequestPass(path);
        if (i % 7 == 0)
            Sleep(0);
        if (done.load()) {
            EXPECT_EQ(lastSize.load(), i) << "a stale result was taken as the newest";
        }
    }
    ASSERT_TRUE(forms_test::PumpUntil([&] { return done.load(); }, 10000));
    EXPECT_EQ(lastSize.load(), 300);
}

namespace {

// Records the results the worker hands to the UI thread.
class ResultSink : public TObject {
public:
    void JobResult(int code)
    {
        onUiThread = GetCurrentThreadId() == MainThreadID;
        codes.push_back(code);
        stepsBefore = window ? window->Messages().size() : 0;
    }
    std::vector<int> codes;
    bool onUiThread = false;
    size_t stepsBefore = 0;
    ProgressWindow* window = nullptr;
};

class Worker : public Threads {
protected:
    Worker()
    {
        PointJobAt(info, dir / L"job\\");
        WriteBytes(dir / L"job\\src\\setup.exe", std::string(300000, 's'));
        sink.window = &window;
    }
    TOperationThd* Make(int type = 1)
    {
        auto* w = new TOperationThd(true, false, false, &info, type, window.Handle());
        w->OnJobResult = MakeEvent(&sink, &ResultSink::JobResult);
        return w;
    }
    bool WaitResult(int ms = 20000)
    {
        return forms_test::PumpUntil(
            [&] {
                window.Pump();
                return !sink.codes.empty();
            },
            ms);
    }

    TempDir dir;
    ScopedWorkingFolder working{dir / L"work\\"};
    ScopedChunkedCopy chunked{8192};
    ProgressWindow window;
    ResultSink sink;
    _WIN7_OPERAT_INFO info = {};
};

} // namespace

TEST_F(Worker, AnExceptionInThePipelineIsAFailedJob)
{
    forms_test::Watchdog dog(60000);
    SetChunkObserver([](const std::wstring&, unsigned long long done, unsigned long long) {
        if (done >= 16384)
            throw std::runtime_error("disk gone");
    });
    TOperationThd* w = Make();
    w->Start();
    bool ended = WaitResult();
    SetChunkObserver(nullptr);
    ASSERT_TRUE(ended) << "the worker never reported";
    EXPECT_EQ(sink.codes, std::vector<int>{FINISH_FAILED});
    EXPECT_TRUE(sink.onUiThread);
    EXPECT_EQ(window.Values(STEP_JOB_FINISHED).size(), 0u);
    std::vector<std::wstring> lines = TraceLines(dir / L"work\\");
    EXPECT_GE(FindTraceLine(lines, L"[TOperationThd::Execute] exception: disk gone"), 0);
    EXPECT_GE(FindTraceLine(lines, L"[UpdateResult] finish_Fail"), 0);
    delete w;
    EXPECT_EQ(sink.codes.size(), 1u) << "one job per worker";
}

TEST_F(Worker, ACancelledJobReportsCancelWhateverThePipelineSaid)
{
    forms_test::Watchdog dog(60000);
    TOperationThd* w = nullptr;
    SetChunkObserver([&](const std::wstring&, unsigned long long done, unsigned long long) {
        if (done == 8192 && !w->IsCancel())
            w->Cancel(); // as the UI thread does; the flag is atomic
    });
    w = Make();
    w->Start();
    bool ended = WaitResult();
    SetChunkObserver(nullptr);
    ASSERT_TRUE(ended);
    EXPECT_EQ(sink.codes, std::vector<int>{FINISH_CANCELLED});
    EXPECT_GE(FindTraceLine(TraceLines(dir / L"work\\"), L"[UpdateResult] Finish_UserCancel"), 0);
    delete w;
}

TEST_F(Worker, DeletingAWorkerMidJobEndsItWithoutAResult)
{
    forms_test::Watchdog dog(60000);
    HANDLE inCopy = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetChunkObserver([&](const std::wstring&, unsigned long long, unsigned long long) {
        SetEvent(inCopy);
        Sleep(20);
    });
    WriteBytes(dir / L"job\\src\\big.bin", std::string(4000000, 'b'));
    TOperationThd* w = Make();
    w->Start();
    ASSERT_EQ(WaitForSingleObject(inCopy, 20000), WAIT_OBJECT_0);
    delete w; // cancels, waits for the thread, then frees the pipeline
    SetChunkObserver(nullptr);
    CloseHandle(inCopy);
    forms_test::Pump(50);
    EXPECT_TRUE(sink.codes.empty());
}
