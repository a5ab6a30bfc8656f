#include "forms/Threads.h"

#include <process.h>

#include <deque>
#include <exception>

#include "forms/Forms.h"
#include "forms/FormsInternal.h"

DWORD MainThreadID = GetCurrentThreadId();

namespace {

struct SyncRequest {
    TThreadMethod method;
    HANDLE done;
    std::exception_ptr error;
};

std::mutex g_syncLock;
// Never destroyed: forms freed at exit may still wait for threads through it.
std::deque<SyncRequest*>& g_syncQueue = *new std::deque<SyncRequest*>();
// Manual reset: set while the queue holds a request.
HANDLE g_syncEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);

} // namespace

namespace forms_internal {

HANDLE SyncEvent() { return g_syncEvent; }
bool RunSynchronize() { return CheckSynchronize(); }

} // namespace forms_internal

bool CheckSynchronize()
{
    if (GetCurrentThreadId() != MainThreadID)
        return false;
    bool ran = false;
    for (;;) {
        SyncRequest* request;
        {
            std::lock_guard<std::mutex> lock(g_syncLock);
            if (g_syncQueue.empty()) {
                ResetEvent(g_syncEvent);
                return ran;
            }
            request = g_syncQueue.front();
            g_syncQueue.pop_front();
        }
        try {
            request->method();
        } catch (...) {
            request->error = std::current_exception();
        }
        SetEvent(request->done);
        ran = true;
    }
}

void TThread::Synchronize(TThread*, TThreadMethod method)
{
    if (GetCurrentThreadId() == MainThreadID) {
        method();
        return;
    }
    SyncRequest request{method, CreateEventW(nullptr, TRUE, FALSE, nullptr), nullptr};
    if (!request.done)
        RaiseLastOSError();
    {
        std::lock_guard<std::mutex> lock(g_syncLock);
        g_syncQueue.push_back(&request);
        SetEvent(g_syncEvent);
    }
    forms_internal::WakeMainThread();
    WaitForSingleObject(request.done, INFINITE);
    CloseHandle(request.done);
    if (request.error)
        std::rethrow_exception(request.error);
}

void TThread::Synchronize(TThreadMethod method) { Synchronize(this, method); }

TThread::TThread(bool CreateSuspended)
{
    // The UI thread's wake-up window must exist before any thread synchronises.
    if (GetCurrentThreadId() == MainThreadID)
        Application->Handle();
    unsigned id = 0;
    m_handle = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &id));
    if (!m_handle)
        RaiseLastOSError();
    m_threadId = id;
    if (!CreateSuspended)
        Start();
}

TThread::~TThread()
{
    if (m_handle && GetCurrentThreadId() != m_threadId) {
        if (!m_finished) {
            Terminate();
            if (!m_started.exchange(true)) {
                // Never started: end the thread without running Execute (the derived
                // part of the object is already gone).
                m_skipExecute = true;
                ResumeThread(m_handle);
            } else {
                while (m_externalSuspends > 0) {
                    --m_externalSuspends;
                    ResumeThread(m_handle);
                }
                {
                    std::lock_guard<std::mutex> lock(m_lock);
                    m_permit = true;
                }
                m_wake.notify_all();
            }
        }
        WaitFor();
    }
    if (m_handle)
        CloseHandle(m_handle);
}

unsigned __stdcall TThread::ThreadProc(void* param)
{
    auto* thread = static_cast<TThread*>(param);
    bool ran = !thread->m_skipExecute;
    if (ran) {
        try {
            thread->Execute();
        } catch (...) {
            // Kept for the owner, who decides what the failure means.
            thread->m_fatalException = std::current_exception();
        }
        if (thread->m_fatalException) {
            try {
                thread->ExecuteFailed();
            } catch (...) {
            }
        }
        try {
            thread->DoTerminate();
        } catch (...) {
        }
    }
    bool freeIt = ran && thread->m_freeOnTerminate;
    unsigned result = static_cast<unsigned>(thread->m_returnValue.load());
    thread->m_finished = true;
    if (freeIt)
        delete thread;
    return result;
}

String TThread::FatalExceptionMessage() const
{
    if (!m_fatalException)
        return String();
    try {
        std::rethrow_exception(m_fatalException);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        // Standard exceptions carry narrow text: taken as UTF-8 (ASCII in practice).
        std::string what = e.what();
        int n = MultiByteToWideChar(CP_UTF8, 0, what.data(), static_cast<int>(what.size()), nullptr, 0);
        std::wstring text(static_cast<size_t>(n > 0 ? n : 0), L'\0');
        if (n > 0)
            MultiByteToWideChar(CP_UTF8, 0, what.data(), static_cast<int>(what.size()), &text[0], n);
        return String(text);
    } catch (...) {
        return L"Unknown exception";
    }
}

void TThread::DoTerminate()
{
    if (OnTerminate)
        Synchronize(TThreadMethod(this, &TThread::CallOnTerminate));
}

void TThread::Start() { Resume(); }

void TThread::Resume()
{
    if (!m_started.exchange(true)) {
        ResumeThread(m_handle);
        return;
    }
    if (m_externalSuspends > 0) {
        --m_externalSuspends;
        ResumeThread(m_handle);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_permit = true;
    }
    m_wake.notify_all();
}

void TThread::Suspend()
{
    if (GetCurrentThreadId() == m_threadId) {
        std::unique_lock<std::mutex> lock(m_lock);
        m_selfSuspended = true;
        m_wake.wait(lock, [this] { return m_permit; });
        m_permit = false;
        m_selfSuspended = false;
        return;
    }
    if (m_started && !m_finished) {
        ++m_externalSuspends;
        SuspendThread(m_handle);
    }
}

bool TThread::Suspended() const
{
    if (!m_started || m_externalSuspends > 0)
        return true;
    std::lock_guard<std::mutex> lock(m_lock);
    return m_selfSuspended;
}

int TThread::WaitFor()
{
    if (GetCurrentThreadId() == m_threadId)
        throw EInvalidOperation(L"A thread cannot wait for itself");
    if (GetCurrentThreadId() == MainThreadID) {
        HANDLE handles[2] = {m_handle, g_syncEvent};
        for (;;) {
            DWORD r = MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_SENDMESSAGE);
            if (r == WAIT_OBJECT_0 || r == WAIT_FAILED)
                break;
            if (r == WAIT_OBJECT_0 + 1) {
                CheckSynchronize();
            } else {
                // Handles the messages other threads sent us; posted ones stay queued.
                MSG msg;
                PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
        }
    } else {
        WaitForSingleObject(m_handle, INFINITE);
    }
    DWORD code = 0;
    GetExitCodeThread(m_handle, &code);
    return static_cast<int>(code);
}
