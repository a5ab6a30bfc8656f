#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "FormsTestSupport.h"
#include "forms/Threads.h"

using namespace forms_test;

namespace {

class ThreadTest : public ::testing::Test {
protected:
    void SetUp() override { SetUpApplication(); }
};

// Synchronises one call and checks it ran on the UI thread while the caller waited.
class SyncThread : public TThread {
public:
    SyncThread() : TThread(true) {}
    std::atomic<bool> ranOnUi{false};
    std::atomic<bool> sawResultAfterwards{false};
    int value = 0;
    bool throwInSync = false;
    std::atomic<bool> caught{false};

protected:
    void Execute() override
    {
        try {
            Synchronize(&SyncThread::OnUi);
            sawResultAfterwards = value == 42;
        } catch (EConvertError&) {
            caught = true;
        }
    }

private:
    void OnUi()
    {
        ranOnUi = GetCurrentThreadId() == MainThreadID;
        Sleep(50);
        value = 42;
        if (throwInSync)
            throw EConvertError(L"bad");
    }
};

TEST_F(ThreadTest, SynchronizeRunsOnTheUiThreadWhileTheCallerWaits)
{
    Watchdog dog(10000);
    SyncThread t;
    t.Start();
    EXPECT_TRUE(PumpUntil([&] { return t.Finished(); }));
    EXPECT_TRUE(t.ranOnUi);
    EXPECT_TRUE(t.sawResultAfterwards);
}

TEST_F(ThreadTest, WaitForOnTheUiThreadRunsSynchronisationsAndAnExceptionReachesTheCaller)
{
    Watchdog dog(10000);
    SyncThread t;
    t.throwInSync = true;
    t.Start();
    t.WaitFor();
    EXPECT_TRUE(t.ranOnUi);
    EXPECT_TRUE(t.caught);
}

// One pass per resume, like the source-size thread.
class PassThread : public TThread {
public:
    explicit PassThread(int sleepBeforeSuspend = 0) : TThread(true), m_sleep(sleepBeforeSuspend)
    {
        passDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    ~PassThread() override { CloseHandle(passDone); }
    std::atomic<int> passes{0};
    HANDLE passDone;

protected:
    void Execute() override
    {
        while (!Terminated()) {
            ++passes;
            SetEvent(passDone);
            if (m_sleep)
                Sleep(m_sleep);
            Suspend();
        }
    }

private:
    int m_sleep;
};

TEST_F(ThreadTest, AResumeThatComesBeforeTheSuspendIsKept)
{
    Watchdog dog(10000);
    PassThread t(150);
    t.Resume();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t.passDone, 3000));
    // The thread is still sleeping: this resume arrives before its Suspend.
    t.Resume();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t.passDone, 3000));
    EXPECT_EQ(2, t.passes);
    // And it then waits for the next one.
    Sleep(300);
    EXPECT_TRUE(t.Suspended());
    EXPECT_EQ(2, t.passes);
}

TEST_F(ThreadTest, ManyResumeSuspendRoundsNeverHang)
{
    Watchdog dog(20000);
    PassThread t;
    t.Start();
    for (int i = 1; i < 300; ++i) {
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t.passDone, 3000)) << "round " << i;
        t.Resume();
    }
}

class CountingThread : public TThread {
public:
    explicit CountingThread(std::atomic<int>* executed, std::atomic<int>* destroyed = nullptr)
        : TThread(true), m_executed(executed), m_destroyed(destroyed)
    {
    }
    ~CountingThread() override
    {
        if (m_destroyed)
            ++*m_destroyed;
    }
    int mode = 0; // 0 returns at once, 1 runs until terminated, 2 synchronises until terminated

protected:
    void Execute() override
    {
        ++*m_executed;
        SetReturnValue(7);
        if (mode == 1) {
            while (!Terminated())
                Sleep(1);
        } else if (mode == 2) {
            while (!Terminated())
                Synchronize(&CountingThread::Nothing);
        }
    }

private:
    void Nothing() { Sleep(1); }
    std::atomic<int>* m_executed;
    std::atomic<int>* m_destroyed;
};

TEST_F(ThreadTest, DestructionInEveryState)
{
    Watchdog dog(20000);
    std::atomic<int> executed{0};
    {
        // Never started: ends without Execute.
        auto* t = new CountingThread(&executed);
        delete t;
        EXPECT_EQ(0, executed);
    }
    {
        // Running.
        auto* t = new CountingThread(&executed);
        t->mode = 1;
        t->Start();
        Sleep(20);
        delete t;
        EXPECT_EQ(1, executed);
    }
    {
        // Finished.
        auto* t = new CountingThread(&executed);
        t->Start();
        EXPECT_EQ(7, t->WaitFor());
        delete t;
        EXPECT_EQ(2, executed);
    }
    {
        // Suspended by itself: leaves its loop without a further pass.
        auto* t = new PassThread();
        t->Start();
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t->passDone, 3000));
        Sleep(20);
        delete t;
    }
    {
        // Synchronising while the UI thread destroys it.
        auto* t = new CountingThread(&executed);
        t->mode = 2;
        t->Start();
        Sleep(30);
        delete t;
        EXPECT_EQ(3, executed);
    }
    {
        // Suspended by another thread.
        auto* t = new CountingThread(&executed);
        t->mode = 1;
        t->Start();
        Sleep(10);
        t->Suspend();
        EXPECT_TRUE(t->Suspended());
        delete t;
    }
    {
        // Freed by itself.
        std::atomic<int> destroyed{0};
        auto* t = new CountingThread(&executed, &destroyed);
        t->SetFreeOnTerminate(true);
        // The object is gone before the thread has ended: keep a handle to wait for its
        // end, or the process may exit while the thread still runs its exit code.
        HANDLE ended = nullptr;
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), t->Handle(), GetCurrentProcess(), &ended,
                                    SYNCHRONIZE, FALSE, 0));
        t->Start();
        EXPECT_TRUE(PumpUntil([&] { return destroyed == 1; }));
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ended, 5000));
        CloseHandle(ended);
    }
}

// A form that records the progress messages it receives.
class ProbeForm : public TForm {
public:
    explicit ProbeForm(TComponent* owner) : TForm(owner) {}
    std::vector<int> posted;
    std::atomic<LPARAM> sent{0};
    std::atomic<bool> sentWhileBoxShown{false};
    HWND box = nullptr;

    void Dispatch(TMessage& m) override
    {
        if (m.Msg == 1104) {
            posted.push_back(static_cast<int>(m.WParam));
            return;
        }
        if (m.Msg == 1105) {
            sent = m.LParam;
            m.Result = 42;
            return;
        }
        TForm::Dispatch(m);
    }
};

class PostingThread : public TThread {
public:
    explicit PostingThread(HWND target) : TThread(true), m_target(target) {}

protected:
    void Execute() override
    {
        for (int i = 0; i < 200; ++i)
            PostMessageW(m_target, 1104, static_cast<WPARAM>(i), 100);
    }

private:
    HWND m_target;
};

TEST_F(ThreadTest, MessagesPostedFromAThreadReachDispatchInOrder)
{
    Watchdog dog(10000);
    ProbeForm form(nullptr);
    PostingThread t(form.Handle());
    t.Start();
    t.WaitFor();
    ASSERT_TRUE(PumpUntil([&] { return form.posted.size() == 200; }));
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(i, form.posted[i]);
}

// Sends a message and synchronises while the UI thread sits in a real message box.
class ModalThread : public TThread {
public:
    ModalThread(ProbeForm* form, const wchar_t* title) : TThread(true), m_form(form), m_title(title) {}
    std::atomic<LRESULT> answer{0};
    std::atomic<bool> synced{false};

protected:
    void Execute() override
    {
        HWND box = nullptr;
        for (int i = 0; i < 500 && !box; ++i) {
            Sleep(10);
            box = FindWindowW(nullptr, m_title);
        }
        if (!box)
            return;
        answer = SendMessageW(m_form->Handle(), 1105, 0, 5);
        Synchronize(&ModalThread::OnUi);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }

private:
    void OnUi() { synced = true; }
    ProbeForm* m_form;
    const wchar_t* m_title;
};

TEST_F(ThreadTest, ASentMessageAndASynchronisationGetThroughWhileTheUiShowsAModalBox)
{
    Watchdog dog(15000);
    ProbeForm form(nullptr);
    form.HandleNeeded();
    const wchar_t* title = L"forms2 modal box probe";
    ModalThread t(&form, title);
    t.Start();
    MessageBoxW(nullptr, L"waiting", title, MB_OK);
    t.WaitFor();
    EXPECT_EQ(5, form.sent);
    EXPECT_EQ(42, t.answer);
    EXPECT_TRUE(t.synced);
}

} // namespace

namespace {

// Execute raises what it is told to; ExecuteFailed reports through a synchronised call.
struct FailingThread : TThread {
    explicit FailingThread(int kind) : TThread(true), kind(kind) {}
    void Execute() override
    {
        if (kind == 1)
            throw EOSError(L"The disk is gone");
        if (kind == 2)
            throw std::runtime_error("out of range");
        if (kind == 3)
            throw 7;
    }
    void ExecuteFailed() override { Synchronize(&FailingThread::Report); }
    void Report() { reportedOnUi = GetCurrentThreadId() == MainThreadID; }
    int kind;
    bool reportedOnUi = false;
};

} // namespace

TEST_F(ThreadTest, AnExceptionEscapingExecuteIsKeptAndReachesTheOwner)
{
    const wchar_t* messages[] = {L"", L"The disk is gone", L"out of range", L"Unknown exception"};
    for (int kind = 0; kind < 4; ++kind) {
        FailingThread thread(kind);
        thread.Start();
        thread.WaitFor();
        EXPECT_EQ(kind != 0, bool(thread.FatalException()));
        EXPECT_EQ(String(messages[kind]), thread.FatalExceptionMessage());
        EXPECT_EQ(kind != 0, thread.reportedOnUi);
    }
}
