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

const int kUsbTable[] = {STATE_FORMAT_USB,        STATE_COPY_SOURCE_TO_TARGET, STATE_DISM_BOOT_ON_TARGET,
                         STATE_COPY_OS_TO_TARGET, STATE_COPY_OTHER_TO_TARGET,  STATE_END};
const int kIsoTable[] = {STATE_COPY_SOURCE_TO_TMP, STATE_DISM_BOOT_IN_TMP, STATE_COPY_OTHER_TO_TMP,
                         STATE_COPY_OS_TO_TMP,     STATE_BUILD_ISO,        STATE_END};
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

// What a copy code copies; the weights share the job's copy work out by it.
enum class CopySource { None, Source, OSFolder, OtherFolder };

CopySource CopySourceOf(int code)
{
    switch (code) {
    case STATE_COPY_SOURCE_TO_TMP:
    case STATE_COPY_SOURCE_TO_TARGET:
        return CopySource::Source;
    case STATE_COPY_OS_TO_TARGET:
    case STATE_COPY_OS_TO_TMP:
        return CopySource::OSFolder;
    case STATE_COPY_OTHER_TO_TARGET:
    case STATE_COPY_OTHER_TO_TMP:
        return CopySource::OtherFolder;
    default:
        return CopySource::None;
    }
}

} // namespace

Win7InsCreator::Win7InsCreator(HWND window, unsigned kind, const _WIN7_OPERAT_INFO* info, bool compatible,
                               bool nvme)
    : m_pInfo(info), m_pOperation(nullptr), m_Type(kind), m_Index(0), m_hWnd(window), m_bCancel(false),
      m_bCompatible(compatible), m_bNVMe(nvme)
{
    m_TmpPath = m_pInfo->szTmpPath;
    if (IsValidType())
        for (const int* code = StateTbl[m_Type];; ++code) {
            m_StateTbl.push_back(*code);
            if (*code == STATE_END)
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
    while (StateTbl[kind][count] != STATE_END)
        ++count;
    return count;
}

bool Win7InsCreator::HasFormatStep(unsigned kind)
{
    // A caller error, stopped even in release builds.
    if (kind >= TableCount())
        _wassert(L"kind < StateTbl count", L"BrindleImp.cpp", __LINE__);
    for (const int* code = StateTbl[kind]; *code != STATE_END; ++code)
        if (*code == STATE_FORMAT_USB)
            return true;
    return false;
}

int Win7InsCreator::GetStateCode() const
{
    return m_Index < m_StateTbl.size() ? m_StateTbl[m_Index] : STATE_END;
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
    const std::wstring efi = GetEfiFolder();
    const std::wstring target = GetTagPath() + L"efi";
    DWORD attributes = GetFileAttributesW(efi.c_str());
    bool present = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    // The shell may report an empty success for a folder that isn't there.
    if (CopyFolder(efi, target) && present)
        return;
    // No failure of the job, but the stick then lacks what UEFI machines start from.
    TraceLog(
        L"[Win7InsCreator::CopyEfiFolder] the efi folder " + efi +
        (present ? L" was not copied to " + target : L" does not exist; nothing was copied to " + target) +
        L": the media will not start on UEFI machines");
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
        if (code == STATE_COPY_OS_TO_TMP)
            code = STATE_DISM_INSTALL_IN_TMP;
        else if (code == STATE_COPY_OS_TO_TARGET)
            code = STATE_DISM_INSTALL_ON_TARGET;
    }
}

double Win7InsCreator::GetCopyWeight(int code) const
{
    double sum = 0, sizes[4] = {0, 0, 0, 0};
    int copies = 0;
    for (int entry : m_StateTbl) {
        if (entry == STATE_END)
            break;
        CopySource kind = CopySourceOf(entry);
        if (kind == CopySource::None)
            continue;
        double size = SizeMB(kind == CopySource::Source     ? std::wstring(m_pInfo->szSourcePath)
                             : kind == CopySource::OSFolder ? std::wstring(m_pInfo->szImgDriverPath)
                                                            : GetOtherDriverFolder());
        sizes[static_cast<int>(kind)] = size;
        sum += size;
        ++copies;
    }
    CopySource kind = CopySourceOf(code);
    // Every source under 1 MB: no measure to share out.
    if (kind == CopySource::None || sum <= 0)
        return 1.0;
    return copies * sizes[static_cast<int>(kind)] / sum;
}

BasicOperation* Win7InsCreator::CreateOperation()
{
    const std::wstring source = m_pInfo->szSourcePath;
    const std::wstring os = m_pInfo->szImgDriverPath;
    const std::wstring tag = GetTagPath();
    const int code = GetStateCode();
    switch (code) {
    case STATE_CHECK:
        return new CheckOperation();
    case STATE_COPY_TMP_TO_TARGET:
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TARGET, m_TmpPath, tag, 1.0, &m_bCancel);
    case STATE_DISM_BOOT_IN_TMP:
        return new DismOperation(m_hWnd, m_TmpPath, GetDriverPath(), Is64bitDVD(), false, m_bNVMe);
    case STATE_BUILD_ISO:
        return new ISOOperation(m_hWnd, STEP_ISO_BUILDING, m_TmpPath, tag, GetSourceLabel(), Is64bitDVD());
    case STATE_FORMAT_USB:
        return new USBOperation(m_hWnd, tag, GetSourceLabel());
    case STATE_COPY_SOURCE_TO_TMP:
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TEMP, source, m_TmpPath, GetCopyWeight(code),
                                 &m_bCancel);
    case STATE_COPY_OS_TO_TARGET:
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TARGET, os, tag, GetCopyWeight(code), &m_bCancel);
    case STATE_COPY_SOURCE_TO_TARGET:
        // The efi folder goes first when this copy runs (Excute), not here: the rounds
        // after a cancel still create their operations, and nothing may reach the stick.
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TARGET, source, tag, GetCopyWeight(code), &m_bCancel);
    case STATE_DISM_BOOT_ON_TARGET:
        return new DismOperation(m_hWnd, tag, GetDriverPath(), Is64bitDVD(), false, m_bNVMe);
    case STATE_COPY_OS_TO_TMP:
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TEMP, os, m_TmpPath, GetCopyWeight(code), &m_bCancel);
    case STATE_DISM_INSTALL_IN_TMP:
        return new DismOperation(m_hWnd, m_TmpPath, GetDriverPath(), Is64bitDVD(), true, m_bNVMe);
    case STATE_DISM_INSTALL_ON_TARGET:
        return new DismOperation(m_hWnd, tag, GetDriverPath(), Is64bitDVD(), true, m_bNVMe);
    case STATE_COPY_OTHER_TO_TARGET:
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TARGET, GetOtherDriverFolder(), tag,
                                 GetCopyWeight(code), &m_bCancel);
    case STATE_COPY_OTHER_TO_TMP:
        return new CopyOperation(m_hWnd, STEP_COPY_TO_TEMP, GetOtherDriverFolder(), m_TmpPath,
                                 GetCopyWeight(code), &m_bCancel);
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
    // Built outside the lock: constructors measure folders and log.
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
            if (GetStateCode() == STATE_COPY_SOURCE_TO_TARGET)
                CopyEfiFolder();
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
