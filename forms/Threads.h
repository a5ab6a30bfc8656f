#pragma once
// Threads: TThread runs its Execute on a thread of its own.
//
// - A thread made suspended starts with Start (or Resume). One made running starts at
//   once, before a derived constructor has finished: make it suspended when Execute
//   needs the derived class's members.
// - Suspend, called by the thread itself, waits for a Resume; a Resume that arrives
//   before the Suspend is kept, so the thread never misses it. (Suspend from another
//   thread stops the thread where it is until Resume.)
// - Synchronize runs a method on the UI thread while the calling thread waits; an
//   exception raised there is raised again in the caller.
// - WaitFor on the UI thread keeps running synchronisations and sent messages, so
//   waiting for a thread that synchronises cannot deadlock.
// - The destructor of a thread that is still running asks it to terminate, resumes it
//   once and waits for it; a thread that was never started is ended without Execute.
// - An exception escaping Execute ends the thread but is not lost: it is kept in
//   FatalException (with its text in FatalExceptionMessage), then ExecuteFailed runs on
//   the thread itself (it may Synchronize), then DoTerminate and OnTerminate as after a
//   normal end. Override ExecuteFailed, or look at FatalException in OnTerminate or after
//   WaitFor, to turn it into a reported failure.
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>

#include "forms/Classes.h"

using TThreadMethod = TEvent<>;

// The UI thread (the thread that started the program).
extern DWORD MainThreadID;

class TThread : public TObject {
public:
    explicit TThread(bool CreateSuspended);
    ~TThread() override;

    void Start();
    void Resume();
    void Suspend();
    void Terminate() { m_terminated = true; }
    bool Terminated() const { return m_terminated; }
    // Waits until Execute has returned; the thread's ReturnValue.
    int WaitFor();

    bool FreeOnTerminate() const { return m_freeOnTerminate; }
    void SetFreeOnTerminate(bool value) { m_freeOnTerminate = value; }
    bool Suspended() const;
    bool Finished() const { return m_finished; }
    HANDLE Handle() const { return m_handle; }
    DWORD ThreadID() const { return m_threadId; }
    int ReturnValue() const { return m_returnValue; }
    void SetReturnValue(int value) { m_returnValue = value; }
    // The exception that escaped Execute (null when none did); read it once the thread has
    // finished, or from ExecuteFailed, DoTerminate or OnTerminate.
    std::exception_ptr FatalException() const { return m_fatalException; }
    // Its text: an Exception's Message, a standard exception's what(), or
    // "Unknown exception"; empty when none escaped.
    String FatalExceptionMessage() const;

    // Runs method on the UI thread and waits for it (directly when called on the UI thread).
    void Synchronize(TThreadMethod method);
    static void Synchronize(TThread* thread, TThreadMethod method);
    template <class C>
    void Synchronize(void (C::*method)())
    {
        Synchronize(TThreadMethod(static_cast<C*>(this), method));
    }

    // Fired on the UI thread after Execute has returned.
    TNotifyEvent OnTerminate;

protected:
    virtual void Execute() = 0;
    // Runs on the thread after an exception escaped Execute (FatalException holds it).
    // Nothing by default; an exception raised here is dropped.
    virtual void ExecuteFailed() {}
    virtual void DoTerminate();

private:
    static unsigned __stdcall ThreadProc(void* param);
    void CallOnTerminate() { OnTerminate(this); }

    HANDLE m_handle = nullptr;
    DWORD m_threadId = 0;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_skipExecute{false};
    std::atomic<bool> m_freeOnTerminate{false};
    std::atomic<int> m_returnValue{0};
    std::atomic<int> m_externalSuspends{0};
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_permit = false;
    bool m_selfSuspended = false;
    std::exception_ptr m_fatalException;
};

// Runs the queued synchronisations on the UI thread; true when one ran.
bool CheckSynchronize();
