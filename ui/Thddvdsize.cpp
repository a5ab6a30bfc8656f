#include "ui/Thddvdsize.h"

ThdDvdSize::ThdDvdSize(bool CreateSuspended) : TThread(CreateSuspended) {}

ThdDvdSize::~ThdDvdSize()
{
    if (!Finished()) {
        Terminate();
        Resume();
        WaitFor();
    }
}

void ThdDvdSize::RequestPass(const String& path)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_pendingPath = path;
        m_pending = true;
        ++m_requested;
        if (OnQueued)
            OnQueued();
    }
    // A resume that comes before the thread suspends is kept, so none is lost.
    Resume();
}

bool ThdDvdSize::Busy() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_pending || m_running;
}

bool ThdDvdSize::TakeRequest(String& path, unsigned& ticket)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_pending)
        return false;
    path = m_pendingPath;
    ticket = m_requested;
    m_pending = false;
    m_running = true;
    return true;
}

void ThdDvdSize::Execute()
{
    while (!Terminated()) {
        String path;
        unsigned ticket = 0;
        if (!TakeRequest(path, ticket)) {
            Suspend();
            continue;
        }
        int size = 0;
        try {
            size = OnMeasure ? OnMeasure(path) : 0;
        } catch (...) {
            size = 0;
        }
        std::lock_guard<std::mutex> lock(m_lock);
        // Still busy when a newer request waits: it runs on the next turn.
        m_running = false;
        if (ticket == m_requested && OnMeasured)
            OnMeasured(size);
    }
}
