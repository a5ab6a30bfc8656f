// Stand-in until the ISO build is part of the build: the step fails, so a job never
// reports success without its image.
#include "engine/ISOOperation.h"

#include "engine/TraceLog.h"

ISOOperation::ISOOperation(HWND window, int stepCode, const std::wstring& sourceFolder,
                           const std::wstring& isoFolder, const std::wstring& volumeLabel,
                           bool is64dvd)
    : BasicOperation(window, stepCode), m_SourceFolder(sourceFolder), m_ISOFolder(isoFolder),
      m_VolumeLabel(volumeLabel), m_Is64bitDVD(is64dvd)
{
    TraceLog(L"ISOOperation create");
}

int ISOOperation::Excute()
{
    TraceLog(L"[ISOOperation::Excute] ISO image building is not available in this build");
    return 0;
}
