// Stand-in until USB formatting is part of the build: the step fails, so a job never
// reports success without its format.
#include "engine/USBOperation.h"

#include "engine/TraceLog.h"

USBOperation::USBOperation(HWND window, const std::wstring& usbPath,
                           const std::wstring& sourceLabel)
    : BasicOperation(window), m_USBPath(usbPath), m_SourceLabel(sourceLabel)
{
    TraceLog(L"USBOperation::create");
}

USBOperation::~USBOperation() { TraceLog(L"USBOperation::Release"); }

int USBOperation::Excute()
{
    TraceLog(L"[USBOperation::Excute] USB formatting is not available in this build");
    return 0;
}
