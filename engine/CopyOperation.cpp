#include "engine/CopyOperation.h"

#include "engine/Ccopyfileopt.h"
#include "engine/TraceLog.h"

#include <climits>

namespace {

bool IsExistingDirectory(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The x87 unit of the 32-bit build keeps intermediates in 80 bits, which truncates some
// percentages one lower than doubles do (30 x 0.7 gives 20, not 21): store each step.
double RoundToDouble(double value)
{
    volatile double stored = value;
    return stored;
}

} // namespace

CopyOperation::CopyOperation(HWND window, int stepCode, const std::wstring& source,
                             const std::wstring& target, double weight, const std::atomic<bool>* jobCancel)
    : BasicOperation(window, stepCode), m_SourcePath(source), m_TagPath(target), m_Weight(weight),
      m_pJobCancel(jobCancel)
{
    TraceLog(L"CopyOperation::Create");
    TraceLog(L"[CopyOperation:: m_SourcePath]" + m_SourcePath);
    TraceLog(L"[CopyOperation:: m_TagPath]" + m_TagPath);
}

int CopyOperation::IsStop() { return m_bStop.load() || (m_pJobCancel && m_pJobCancel->load()) ? 1 : 0; }

void CopyOperation::Stop()
{
    m_bStop.store(true);
    COptFile::Instance()->Stop();
}

int CopyOperation::Excute()
{
    TraceLog(L"CopyOperation::Excute");
    m_bStop.store(false);
    if (!IsExistingDirectory(m_TagPath)) {
        TraceLog(L"[CopyOperation:: m_TagPath] is not exist");
        return 0;
    }
    TraceLog(L"CopyOperation::Excute - SettingOptPath");

    COptFile* engine = COptFile::Instance();
    engine->SetPath(m_SourcePath.c_str(), m_TagPath.c_str());
    engine->SetWeight(m_Weight);
    engine->SetCancelSource(m_pJobCancel);
    bool copied = engine->Copy(&CopyOperation::OnCopyProgress, this);
    // The flag lives in the pipeline; the engine outlives it.
    engine->SetCancelSource(nullptr);

    if (copied) {
        if (IsStop()) {
            TraceLog(L"[CopyOperation:: Excute] IsStop");
            return 1;
        }
        m_StepCode = STEP_COPY_DONE;
        TraceLog(L"[CopyOperation:: Excute] BACKUPOK");
        PostProgress(100);
        return 1;
    }
    m_StepCode = STEP_COPY_FAILED;
    TraceLog(L"[CopyOperation:: Excute] BACKUPFAIL");
    if (unsigned long error = engine->GetLastCopyError())
        TraceSystemError(error);
    PostProgress(100);
    return 0;
}

DWORD CALLBACK CopyOperation::OnCopyProgress(LARGE_INTEGER totalFileSize, LARGE_INTEGER totalBytesTransferred,
                                             LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD, HANDLE, HANDLE,
                                             LPVOID data)
{
    if (totalFileSize.QuadPart <= 0)
        return PROGRESS_CONTINUE;
    auto* operation = static_cast<CopyOperation*>(data);
    COptFile* engine = COptFile::Instance();
    if (engine->IsStop()) {
        operation->PostStep(STEP_COPY_STOPPED, 0);
        return PROGRESS_CANCEL;
    }
    unsigned long long total = engine->GetTotalSize();
    double done =
        static_cast<double>(engine->GetCopiedSize()) + static_cast<double>(totalBytesTransferred.QuadPart);
    double value = total ? RoundToDouble(RoundToDouble(done / static_cast<double>(total)) * 100.0) : 0.0;
    value = RoundToDouble(value * engine->GetWeight());
    // A file that grew after measuring must not push the value out of range.
    if (!(value >= 0.0))
        value = 0.0;
    if (value > INT_MAX)
        value = INT_MAX;
    operation->PostProgress(static_cast<int>(value));
    return PROGRESS_CONTINUE;
}
