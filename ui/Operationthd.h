#pragma once
// The worker that runs one job's pipeline beside the UI thread and hands the result back
// to the UI thread through a synchronised call.
#include "engine/BrindleImp.h"
#include "engine/JobRecord.h"
#include "forms/Threads.h"

#include <atomic>
#include <functional>

// Finish codes handed to the form: the job's outcome as the finish box reports it.
enum JobFinishCode { FINISH_SUCCESS = 0, FINISH_FAILED = 1, FINISH_CANCELLED = 2 };

class TOperationThd : public TThread {
public:
    // The record must stay alive and unchanged until this worker has been deleted.
    TOperationThd(bool CreateSuspended, bool nvme, bool compatible, const _WIN7_OPERAT_INFO* info, int type,
                  HWND window);
    ~TOperationThd() override;

    // Resumes the suspended worker.
    void Start() { TThread::Start(); }
    // UI thread, while the job runs.
    void Cancel();

    int Result() const { return m_Result.load(); }
    bool IsCancel() const { return m_bCancel.load(); }
    // The code UpdateResult reports: cancelled beats the pipeline's own answer.
    int FinishCode() const;

    // Runs on the UI thread once the job has ended, with the finish code; the worker waits
    // for it to return (the finish box included).
    TEvent<int> OnJobResult;

protected:
    void Execute() override;

private:
    void UpdateResult();
    int RunPipeline();

    HWND m_hWnd;
    Win7InsCreator* m_pCreator;
    std::atomic<int> m_Result;
    std::atomic<bool> m_bCancel;
    // Set once the destructor runs: a result still due is then dropped, not shown.
    std::atomic<bool> m_bClosing;
};

// Makes a job's worker, suspended. Throws when the system can't make the thread. Tests
// put a maker of their own in place to see a creation fail; an empty one restores ours.
using OperationThdMaker = std::function<TOperationThd*(bool nvme, bool compatible,
                                                       const _WIN7_OPERAT_INFO* info, int type, HWND window)>;
void SetOperationThdMaker(OperationThdMaker maker);
TOperationThd* MakeOperationThd(bool nvme, bool compatible, const _WIN7_OPERAT_INFO* info, int type,
                                HWND window);
