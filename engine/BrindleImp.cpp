#include "engine/BrindleImp.h"

#include "engine/AppPaths.h"
#include "engine/CheckOperation.h"
#include "engine/CopyOperation.h"
#include "engine/DismOperation.h"
#include "engine/FileUtil.h"
#include "engine/ISOOperation.h"
#include "engine/TraceLog.h"
#include "engine/USBOperation.h"
#include "engine/VolumeQuery.h"

#include <assert.h>

namespace {

const int kUsbTable[] = {5, 8, 9, 7, 19, -1};
const int kIsoTable[] = {6, 3, 20, 16, 4, -1};
const int* const StateTbl[] = {kUsbTable, kIsoTable, nullptr};

unsigned TableCount()
{
    unsigned count = 0;
    while (StateTbl[count])
        ++count;
    return count;
}

double SizeMB(const std::wstring& path)
{
    return static_cast<double>(GetFolderSize(path, true) / 1048576ull);
}

} // namespace

Win7InsCreator::Win7InsCreator(HWND window, unsigned kind, const _WIN7_OPERAT_INFO* info,
                               bool compatible, bool nvme)
    : m_pInfo(info), m_pOperation(nullptr), m_Type(kind), m_Index(0), m_hWnd(window),
      m_bCancel(false), m_bCompatible(compatible), m_bNVMe(nvme)
{
    m_TmpPath = m_pInfo->szTmpPath;
    if (IsValidType())
        for (const int* code = StateTbl[m_Type];; ++code) {
            m_StateTbl.push_back(*code);
            if (*code == -1)
                break;
        }
    if (NeedInstallWim() || m_bNVMe)
        UseInstallWimSteps();
}

Win7InsCreator::~Win7InsCreator() { ReleaseOperation(); }

int Win7InsCreator::GetStateCount(unsigned kind)
{
    if (kind >= TableCount())
        return 0;
    int count = 0;
    while (StateTbl[kind][count] != -1)
        ++count;
    return count;
}

bool Win7InsCreator::HasFormatStep(unsigned kind)
{
    // A caller error, stopped even in release builds.
    if (kind >= TableCount())
        _wassert(L"kind < StateTbl count", L"BrindleImp.cpp", __LINE__);
    for (const int* code = StateTbl[kind]; *code != -1; ++code)
        if (*code == 5)
            return true;
    return false;
}

int Win7InsCreator::GetStateCode() const
{
    return m_Index < m_StateTbl.size() ? m_StateTbl[m_Index] : -1;
}

bool Win7InsCreator::IsValidType() const { return m_Type < TableCount(); }

std::wstring Win7InsCreator::GetSourceLabel() const
{
    std::wstring label;
    GetVolumeLabel(m_pInfo->szSourcePath, label);
    return label;
}

std::wstring Win7InsCreator::GetOtherDriverFolder() const
{
    return GetProgramFolder() + (Is64bitDVD() ? L"Other\\x64" : L"Other\\x86");
}

std::wstring Win7InsCreator::GetEfiFolder() const
{
    return Is64bitDVD() ? GetProgramFolder() + L"efi" : std::wstring();
}

void Win7InsCreator::CopyEfiFolder()
{
    if (!Is64bitDVD())
        return;
    CopyFolder(GetEfiFolder(), GetTagPath() + L"efi");
}

bool Win7InsCreator::NeedInstallWim() const
{
    bool embedded = IsEmbeddedSku(m_pInfo->szSourcePath);
    if (embedded)
        return m_bCompatible;
    return m_Type != 0 && m_bCompatible;
}

void Win7InsCreator::UseInstallWimSteps()
{
    for (int& code : m_StateTbl) {
        if (code == 16)
            code = 17;
        else if (code == 7)
            code = 18;
    }
}

double Win7InsCreator::GetCopyWeight(int code) const
{
    double sum = 0, source = 0, os = 0, other = 0;
    int copies = 0;
    for (int entry : m_StateTbl) {
        if (entry == -1)
            break;
        double size;
        switch (entry) {
        case 6:
        case 8:
            size = source = SizeMB(m_pInfo->szSourcePath);
            break;
        case 7:
        case 16:
            size = os = SizeMB(m_pInfo->szImgDriverPath);
            break;
        case 19:
        case 20:
            size = other = SizeMB(GetOtherDriverFolder());
            break;
        default:
            continue;
        }
        sum += size;
        ++copies;
    }
    double share;
    switch (code) {
    case 6:
    case 8:
        share = source;
        break;
    case 7:
    case 16:
        share = os;
        break;
    case 19:
    case 20:
        share = other;
        break;
    default:
        return 1.0;
    }
    // Every source under 1 MB: no measure to share out.
    if (sum <= 0)
        return 1.0;
    return copies * share / sum;
}

BasicOperation* Win7InsCreator::CreateOperation()
{
    const std::wstring source = m_pInfo->szSourcePath;
    const std::wstring os = m_pInfo->szImgDriverPath;
    const std::wstring tag = GetTagPath();
    const int code = GetStateCode();
    switch (code) {
    case 1:
        return new CheckOperation();
    case 2:
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TARGET, m_TmpPath, tag, 1.0, &m_bCancel);
    case 3:
        return new DismOperation(m_hWnd, m_TmpPath, GetDriverPath(), Is64bitDVD(), false, m_bNVMe);
    case 4:
        return new ISOOperation(m_hWnd, STEP_ISO_BUILDING, m_TmpPath, tag, GetSourceLabel(),
                                Is64bitDVD());
    case 5:
        return new USBOperation(m_hWnd, tag, GetSourceLabel());
    case 6:
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TEMP, source, m_TmpPath, GetCopyWeight(6),
                                 &m_bCancel);
    case 7:
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TARGET, os, tag, GetCopyWeight(7),
                                 &m_bCancel);
    case 8:
        CopyEfiFolder();
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TARGET, source, tag, GetCopyWeight(8),
                                 &m_bCancel);
    case 9:
        return new DismOperation(m_hWnd, tag, GetDriverPath(), Is64bitDVD(), false, m_bNVMe);
    case 16:
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TEMP, os, m_TmpPath, GetCopyWeight(16),
                                 &m_bCancel);
    case 17:
        return new DismOperation(m_hWnd, m_TmpPath, GetDriverPath(), Is64bitDVD(), true, m_bNVMe);
    case 18:
        return new DismOperation(m_hWnd, tag, GetDriverPath(), Is64bitDVD(), true, m_bNVMe);
    case 19:
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TARGET, GetOtherDriverFolder(), tag,
                                 GetCopyWeight(19), &m_bCancel);
    case 20:
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TEMP, GetOtherDriverFolder(), m_TmpPath,
                                 GetCopyWeight(20), &m_bCancel);
    default:
        return new CompleteOperation();
    }
}

void Win7InsCreator::ReleaseOperation()
{
    BasicOperation* old;
    {
        std::lock_guard<std::mutex> lock(m_OperationLock);
        old = m_pOperation;
        m_pOperation = nullptr;
    }
    delete old;
}

void Win7InsCreator::NextOperation()
{
    ReleaseOperation();
    // Built outside the lock: a constructor may copy a folder (code 8's efi copy).
    BasicOperation* next = CreateOperation();
    std::lock_guard<std::mutex> lock(m_OperationLock);
    m_pOperation = next;
}

int Win7InsCreator::Excute()
{
    // The cancel flag is left as it is: one pipeline runs one job, and a cancel that came
    // between the worker's start and this call must keep the stick from being formatted.
    if (!IsValidType())
        return 0;
    size_t codes = m_StateTbl.empty() ? 0 : m_StateTbl.size() - 1;
    for (size_t i = 0; i < codes; ++i)
        TraceLog(L"[Win7InsCreator::Excute] State: " + std::to_wstring(i));

    for (m_Index = 0; m_Index <= codes; ++m_Index) {
        NextOperation();
        // Only this thread replaces the operation, so it can run it without the lock.
        BasicOperation* operation = m_pOperation;
        if (operation->IsInvalid() == 0 && !m_bCancel.load()) {
            if (operation->Excute() == 0)
                return 0;
        }
    }
    return 1;
}

void Win7InsCreator::Cancel()
{
    m_bCancel.store(true);
    std::lock_guard<std::mutex> lock(m_OperationLock);
    if (m_pOperation && m_pOperation->IsInvalid() == 0)
        m_pOperation->Stop();
}
