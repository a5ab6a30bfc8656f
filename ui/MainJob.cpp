// TMainForm's job: the start on the progress page, the progress messages, the result and
// the finish box.
#include "ui/Main.h"

#include "widgets/GsButton.h"

#include "engine/AppPaths.h"
#include "engine/BrindleImp.h"
#include "engine/FileUtil.h"
#include "engine/MultiLang.h"
#include "engine/TraceLog.h"
#include "ui/JobSetup.h"
#include "ui/Operationthd.h"
#include "ui/Selection.h"
#include "ui/StepProgress.h"
#include "ui/Form1_description.h"

String FormatPercent(int value) { return Format(L"%i", value); }

void TMainForm::StartOperation()
{
    std::unique_ptr<_WIN7_OPERAT_INFO> info(new _WIN7_OPERAT_INFO());
    JobChoice choice;
    choice.sourcePath = m_SourcePath;
    choice.targetPath = m_TargetPath;
    choice.programFolder = GetProgramFolder();
    choice.dlgType = m_DlgType;
    String tooLong;
    // The paths known now first, so nothing is made on disk for a job that can't start.
    if (!FillJobPaths(*info, choice, tooLong)) {
        RefuseStart(tooLong);
        return;
    }
    const int need = m_DvdSizeMB + kJobExtraMB;
    m_TmpPath = SelectTmpFolder(need, m_TargetPath);
    if (m_TmpPath.IsEmpty()) {
        MessageBox(SpaceWarningText(m_DvdSizeMB, m_DlgType), T(L"Warning"), MB_OK);
        Application->Terminate();
        return;
    }
    choice.tmpPath = m_TmpPath;
    if (!FillJobPaths(*info, choice, tooLong)) {
        DeleteFolder(m_TmpPath);
        RefuseStart(tooLong);
        return;
    }
    info->bIs64bitDVD = Is64bitMedia(m_SourcePath.SubString(1, 1) + L":\\sources\\idwbinfo.txt") ? 1 : 0;
    TraceJobRecord(*info, m_DlgType);

    const bool compatible = CheckBox_USBODD->Checked();
    const bool nvme = m_DlgType != 0 ? CheckBox_ISO_NVME->Checked() : CheckBox_NVMe->Checked();
    // The earlier worker has finished with its record: both go before the new run.
    delete m_pOperationThd;
    m_pOperationThd = nullptr;
    m_pJobInfo = std::move(info);
    String failure;
    try {
        m_pOperationThd = MakeOperationThd(nvme, compatible, m_pJobInfo.get(), m_DlgType, Handle());
        m_pOperationThd->SetFreeOnTerminate(false);
        m_pOperationThd->OnJobResult = MakeEvent(this, &TMainForm::UpdateResult);
        m_pOperationThd->Start();
        return;
    } catch (const Exception& e) {
        failure = e.Message();
    } catch (const std::exception& e) {
        failure = AStringToWString(e.what());
    }
    // No worker runs: the job has failed, and the page must say so and let the user
    // leave, not wait on "Cancel" for a result that never comes.
    delete m_pOperationThd;
    m_pOperationThd = nullptr;
    TraceLog(L"[TMainForm::StartOperation] the worker could not be started: " + std::wstring(failure));
    UpdateResult(FINISH_FAILED);
}

void TMainForm::RefuseStart(const String& path)
{
    MessageBox(PathTooLongText(path), T(L"Error"), MB_OK | MB_ICONERROR);
    // Back to the target page, with Next in its forward role again.
    m_Page = PageFlowTable[m_DlgType][1];
    m_btnNext->SetCaption(T(L"Next"));
    m_btnNext->SetHint(T(L"Next"));
    m_btnNext->SetTag(1);
    SetupPage(m_Page);
}

void TMainForm::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_STEP_PROGRESS:
        WMStepProgress(message);
        break;
    case WM_WIM_IMAGE_COUNT:
        WMWimImageCount(message);
        break;
    default:
        TForm::Dispatch(message);
        break;
    }
}

void TMainForm::WMWimImageCount(TMessage& message) { m_WimStepCount = static_cast<int>(message.LParam) * 3; }

void TMainForm::WMStepProgress(TMessage& message)
{
    StepView view = ApplyStep(ProgressStateFor(m_DlgType), static_cast<int>(message.WParam),
                              static_cast<int>(message.LParam), m_WimStepCount);
    if (view.kind == StepText::Key)
        lblState->SetCaption(T(view.text));
    else if (view.kind == StepText::Fixed)
        lblState->SetCaption(view.text);
    pbDism->SetPosition(view.position);
    lblPercent->SetCaption(FormatPercent(view.position));
}

void TMainForm::UpdateResult(int code)
{
    // The message loop runs synchronised calls before queued messages: the steps the
    // worker posted before its result are shown first, or a late one would overwrite the
    // final status (and, during the finish box, the bar).
    MSG msg;
    while (PeekMessageW(&msg, Handle(), WM_STEP_PROGRESS, WM_STEP_PROGRESS, PM_REMOVE)) {
        TMessage step{msg.message, msg.wParam, msg.lParam, 0};
        WMStepProgress(step);
    }
    if (code == FINISH_SUCCESS)
        lblState->SetCaption(T(L"Successfully updated"));
    else if (code == FINISH_FAILED)
        lblState->SetCaption(lblState->Caption() + T(L"Operation failed"));
    Finish(code);
}

void TMainForm::Finish(int code)
{
    if (!DeleteFolder(m_TmpPath))
        EmptyFolder(m_TmpPath);
    if (code == FINISH_FAILED) {
        m_btnNext->SetCaption(T(L"Exit"));
        m_btnNext->SetHint(T(L"Exit"));
        m_btnNext->Repaint();
        return;
    }
    String text = code == FINISH_SUCCESS     ? T(L"SuccessMsg")
                  : code == FINISH_CANCELLED ? T(L"CancelMsg")
                                             : String();
    int answer = MessageBox(text, T(L"Finish"), MB_YESNO);
    if (answer == IDNO) {
        dlgFirst->Show();
        Hide();
    } else {
        dlgFirst->Close();
    }
}
