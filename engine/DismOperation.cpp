// Stand-in until the image update is part of the build: the step fails, so a job never
// reports success without it.
#include "engine/DismOperation.h"

#include "engine/TraceLog.h"

DismOperation::DismOperation(HWND window, const std::wstring& mediaRoot,
                             const std::wstring& driverFolder, bool is64, bool installMode,
                             bool nvme)
    : BasicOperation(window), m_MediaRoot(mediaRoot), m_DriverFolder(driverFolder),
      is64dvd(is64), m_InstallMode(installMode), m_NVMe(nvme)
{
    mWimPath = m_MediaRoot + (m_InstallMode ? L"\\sources\\install.wim" : L"\\sources\\boot.wim");
}

int DismOperation::Excute()
{
    TraceLog(L"[DismOperation::Excute] image update is not available in this build: " + mWimPath);
    return 0;
}
