#include "engine/DismOperation.h"

#include "engine/AppPaths.h"
#include "engine/Dismmanager.h"
#include "engine/EngineMessageBox.h"
#include "engine/FileUtil.h"
#include "engine/TraceLog.h"

#include <exception>

namespace {

std::wstring WorkingFolder() { return AStringToWString(GetWorkingFolder()); }

bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

DismOperation::DismOperation(HWND window, const std::wstring& mediaRoot, const std::wstring& driverFolder,
                             unsigned char is64dvd_, unsigned char installMode, unsigned char nvme)
    : BasicOperation(window), m_MediaRoot(mediaRoot), m_DriverFolder(driverFolder), is64dvd(is64dvd_),
      m_InstallMode(installMode), m_NVMe(nvme)
{
    TraceLog(L"DismOperation::DismOperation is64dvd:" + IntToWString(is64dvd ? 1 : 0));
    mWimPath = m_MediaRoot + (m_InstallMode ? L"\\sources\\install.wim" : L"\\sources\\boot.wim");
    TraceLog(L"[DismOperation ] create, mWimPath: " + mWimPath);
}

int DismOperation::Excute()
{
    // DISM starts before the medium is touched: where it can't, the medium keeps its image.
    DismManager* dism = nullptr;
    try {
        dism = DismManager::Instance();
    } catch (const std::exception& e) {
        std::wstring what = AStringToWString(e.what());
        TraceLog(L"[DismOperation::Excute] " + what);
        EngineMessageBox(nullptr, what, L"DismCpp", MB_OK);
        return 0;
    }

    bool staged = !m_InstallMode && StageBootWim();
    TraceLog(L"DismOperation::Excute");
    if (!PathExists(mWimPath))
        return 0;
    ClearReadOnly(mWimPath);
    Sleep(1000);

    dism->SetImagePath(mWimPath);
    unsigned count = dism->GetImageCount();
    unsigned images = m_InstallMode ? count : 1;
    if (m_InstallMode && count == 0)
        return 0;
    if (m_hWnd)
        SendMessageW(m_hWnd, WM_WIM_IMAGE_COUNT, 0, static_cast<LPARAM>(images));

    for (unsigned i = 1; i <= images; ++i) {
        unsigned index = m_InstallMode ? i : 2;

        TraceLog(L"DismOperation::Excute - DISMMOUNT");
        m_StepCode = STEP_WIM_MOUNTING;
        if (!dism->Mount(index, OnDismProgress, this))
            return 0;

        m_StepCode = STEP_WIM_MOUNTED;
        TraceLog(L"DismOperation::Excute - DISMMOUNTOK");
        PostProgress(0);

        // From here on a failed step leaves a mounted image (and perhaps an open session):
        // both are undone at once, so no later job deletes files under a live mount.
        TraceLog(L"DismOperation::Excute - DISMADDDRIVER");
        m_StepCode = STEP_WIM_ADDING;
        PostProgress(0);
        if (!AddDriver())
            return Abandon(dism);

        TraceLog(L"DismOperation::Excute - DISMCOMMIT");
        m_StepCode = STEP_WIM_COMMITTING;
        if (!dism->Commit(OnDismProgress, this))
            return Abandon(dism);

        TraceLog(L"DismOperation::Excute - DISMCOMMITOK");
        m_StepCode = STEP_WIM_COMMITTED;
        PostProgress(0);

        TraceLog(L"DismOperation::Excute - DISMUNMOUNT");
        m_StepCode = STEP_WIM_UNMOUNTING;
        if (!dism->Unmount(OnDismProgress, this))
            return Abandon(dism);

        TraceLog(L"DismOperation::Excute - DISMUNMOUNTOK");
        m_StepCode = STEP_WIM_UNMOUNTED;
        PostProgress(0);
    }

    bool ok = (!staged || RestoreBootWim()) && (m_InstallMode || !m_NVMe || CopyUpdatedSource());
    return ok ? 1 : 0;
}

int DismOperation::Abandon(DismManager* dism)
{
    dism->Discard();
    return 0;
}

bool DismOperation::StageBootWim()
{
    std::wstring stage = WorkingFolder() + L"boot";
    if (!CopyFolder(mWimPath, stage))
        return false;
    DeleteFileW(mWimPath.c_str());
    mWimPath = stage + L"\\boot.wim";
    return true;
}

bool DismOperation::RestoreBootWim()
{
    bool copied = CopyFolder(mWimPath, m_MediaRoot + L"\\sources\\");
    // The medium's own copy is gone: the staged one is the only one left until it is back.
    if (copied)
        DeleteFolder(WorkingFolder() + L"boot");
    else
        TraceLog(L"[DismOperation::RestoreBootWim] copy back failed, staged image kept: " + mWimPath);
    return copied;
}

bool DismOperation::SaveUpdatedSource()
{
    std::wstring target = WorkingFolder() + L"UpdatedSource";
    if (PathExists(target))
        DeleteFolder(target);
    return CopyFolder(DismManager::Instance()->GetMountFolder() + L"\\sources", target);
}

bool DismOperation::CopyUpdatedSource()
{
    std::wstring saved = WorkingFolder() + L"UpdatedSource";
    bool copied = CopyFolder(saved, m_MediaRoot + L"\\sources");
    if (copied)
        DeleteFolder(saved);
    return copied;
}

int DismOperation::AddDriver()
{
    DismManager* dism = DismManager::Instance();
    std::vector<std::wstring> packages;
    AddHotfixPackages(is64dvd, packages, m_NVMe);
    for (const auto& package : packages)
        if (!dism->AddPackage(package))
            return 0;

    if (!m_InstallMode && m_NVMe) {
        Sleep(1000);
        if (!SaveUpdatedSource())
            return 0;
    }

    std::vector<std::wstring> drivers;
    AddDriverFolder(is64dvd, drivers);
    for (const auto& driver : drivers) {
        TraceLog(L"DismOperation::AddDriver, Path : " + driver);
        if (!dism->AddDriver(driver))
            return 0;
    }
    return 1;
}

void DismOperation::AddHotfixPackages(unsigned char is64, std::vector<std::wstring>& list, unsigned char nvme)
{
    std::wstring hotfix = GetProgramFolder() + L"Hotfix";
    std::wstring nvmeFolder = hotfix + L"\\NVMe";
    const wchar_t* arch = is64 ? L"\\x64" : L"\\x86";
    hotfix += arch;
    nvmeFolder += arch;

    TraceLog(L"DismOperation::Excute - DISMADDDRIVER: hotfixDir" + hotfix);
    FindFilesByExt(list, hotfix, L".msu");
    if (nvme) {
        TraceLog(L"DismOperation::Excute - DISMADDDRIVER: NVMEhotfixDir" + nvmeFolder);
        FindFilesByExt(list, nvmeFolder, L".msu");
    }
}

void DismOperation::AddDriverFolder(unsigned char is64, std::vector<std::wstring>& list)
{
    std::wstring folder = m_DriverFolder + (is64 ? L"\\x64" : L"\\x86");
    TraceLog(L"DismOperation::Excute - DISMADDDRIVER: DriverFolder" + folder);
    size_t before = list.size();
    FindFilesByExt(list, folder, L".INF");
    // Not a failure, but the medium then lacks its drivers: say so where a technician looks.
    if (list.size() == before)
        TraceLog(L"[DismOperation::AddDriverFolder] no driver package (.INF) under " + folder +
                 (PathExists(folder) ? L": the image gets no drivers"
                                     : L": the folder does not exist; the image gets no drivers"));
}

void CALLBACK DismOperation::OnDismProgress(UINT current, UINT total, PVOID userData)
{
    // DISM may report a total of 0; the product needs more than 32 bits.
    if (total == 0 || !userData)
        return;
    auto* self = static_cast<DismOperation*>(userData);
    unsigned long long percent = static_cast<unsigned long long>(current) * 100ULL / total;
    self->PostProgress(static_cast<int>(percent));
}
