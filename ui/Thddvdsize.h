#pragma once
// The background thread that measures the chosen source, one pass per request.
#include "forms/SysUtils.h"
#include "forms/Threads.h"

#include <functional>
#include <mutex>

class ThdDvdSize : public TThread {
public:
    explicit ThdDvdSize(bool CreateSuspended);
    // Ends the thread while the callbacks it runs still exist; a pass in progress ends first.
    ~ThdDvdSize() override;

    // One pass: runs on this thread with the path of its request and returns the size in MB.
    std::function<int(const String& path)> OnMeasure;
    // Runs on this thread after the pass of the newest request, with its size; a pass
    // overtaken by a newer request reports nothing.
    std::function<void(int sizeMB)> OnMeasured;
    // Runs on the requesting thread as a request is queued. It and OnMeasured run under
    // one lock, so a result can't land between them: both must be quick and never wait
    // for the UI thread.
    std::function<void()> OnQueued;

    // Asks for a pass over path (UI thread). The path is taken now, so later changes to
    // the caller's fields don't reach the pass. A request made while a pass runs is kept
    // and runs after it; of several such requests only the newest runs.
    void RequestPass(const String& path);
    // A pass is running or waiting to run.
    bool Busy() const;

protected:
    void Execute() override;

private:
    bool TakeRequest(String& path, unsigned& ticket);

    mutable std::mutex m_lock;
    String m_pendingPath;
    bool m_pending = false;
    bool m_running = false;
    unsigned m_requested = 0; // number of the newest request
};
