#include "ui/Operationthd.h"

#include "engine/TraceLog.h"
#include "forms/SysUtils.h"

#include <exception>

TOperationThd::TOperationThd(bool CreateSuspended, bool nvme, bool compatible, const _WIN7_OPERAT_INFO* info,
                             int type, HWND window)
    : TThread(CreateSuspended), m_hWnd(window), m_pCreator(nullptr), m_Result(0), m_bCancel(false),
      m_bClosing(false)
{
    m_pCreator = new Win7InsCreator(window, static_cast<unsigned>(type), info, compatible, nvme);
}

TOperationThd::~TOperationThd()
{
    // The pipeline may only go once the thread can no longer reach it: end the thread
    // first (a job still running is cancelled so the wait is short), then free it.
    m_bClosing = true;
    if (!Finished()) {
        if (m_pCreator)
            m_pCreator->Cancel();
        Terminate();
        Resume();
        WaitFor();
    }
    delete m_pCreator;
    m_pCreator = nullptr;
}

void TOperationThd::Cancel()
{
    m_bCancel = true;
    if (m_pCreator)
        m_pCreator->Cancel();
}

int TOperationThd::FinishCode() const
{
    if (m_bCancel.load())
        return FINISH_CANCELLED;
    return m_Result.load() != 0 ? FINISH_SUCCESS : FINISH_FAILED;
}

int TOperationThd::RunPipeline()
{
    // Whatever escapes the pipeline here would end the thread silently and leave the form
    // waiting on "Cancel": it is a failed job instead.
    try {
        return m_pCreator->Excute();
    } catch (const Exception& e) {
        TraceLog(L"[TOperationThd::Execute] exception: " + std::wstring(e.Message()));
    } catch (const std::exception& e) {
        TraceLog(L"[TOperationThd::Execute] exception: " + AStringToWString(e.what()));
    } catch (...) {
        TraceLog(L"[TOperationThd::Execute] unknown exception");
    }
    return 0;
}

void TOperationThd::Execute()
{
    while (!Terminated()) {
        m_Result = RunPipeline();
        if (!m_bCancel.load() && m_Result.load() != 0 && m_hWnd)
            PostMessageW(m_hWnd, WM_STEP_PROGRESS, STEP_JOB_FINISHED, 100);
        if (!m_bClosing.load()) {
            try {
                Synchronize(TThreadMethod(this, &TOperationThd::UpdateResult));
            } catch (...) {
                // Raised by the form while finishing; the job itself has ended.
                TraceLog(L"[TOperationThd::UpdateResult] exception");
            }
        }
        if (Terminated())
            break;
        Suspend();
    }
}

void TOperationThd::UpdateResult()
{
    if (m_bClosing.load())
        return;
    int code = FinishCode();
    switch (code) {
    case FINISH_CANCELLED:
        TraceLog(L"[UpdateResult] Finish_UserCancel");
        break;
    case FINISH_SUCCESS:
        TraceLog(L"[UpdateResult] finish_Success");
        break;
    default:
        TraceLog(L"[UpdateResult] finish_Fail");
        break;
    }
    OnJobResult(code);
}

namespace {
OperationThdMaker g_maker;
} // namespace

void SetOperationThdMaker(OperationThdMaker maker) { g_maker = std::move(maker); }

TOperationThd* MakeOperationThd(bool nvme, bool compatible, const _WIN7_OPERAT_INFO* info, int type,
                                HWND window)
{
    if (g_maker)
        return g_maker(nvme, compatible, info, type, window);
    return new TOperationThd(true, nvme, compatible, info, type, window);
}
