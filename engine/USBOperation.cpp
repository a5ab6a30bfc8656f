#include "engine/USBOperation.h"

#include "engine/TraceLog.h"
#include "engine/USBManager.h"
#include "engine/VolumeQuery.h"

#include <cwctype>

USBOperation::USBOperation(HWND window, const std::wstring& usbPath, const std::wstring& sourceLabel)
    : BasicOperation(window), m_USBPath(usbPath), m_SourceLabel(sourceLabel)
{
    TraceLog(L"USBOperation::create");
}

USBOperation::~USBOperation()
{
    CUSBManager::Instance();
    CUSBManager::ReleaseInstance();
    TraceLog(L"USBOperation::Release");
}

int USBOperation::Excute()
{
    TraceLog(L"USBOperation::Excute - FORMATUSB");
    m_StepCode = STEP_USB_FORMATTING;
    PostProgress(10);
    TraceLog(L"[CUSBManager::Excute : m_USBPath:] " + m_USBPath);

    CUSBManager* usb = CUSBManager::Instance();
    if (!usb->FormatActiveUSB(m_USBPath)) {
        TraceLog(L"[CUSBManager::Instance()->FormatActiveUSB] is fail");
        return 0;
    }

    // Every later step writes to the job's target path: if formatting moved the stick to
    // another letter, that path now names some other volume, or none.
    const std::wstring letter = usb->m_USBLetter;
    if (letter.empty() || m_USBPath.empty() || std::towupper(letter[0]) != std::towupper(m_USBPath[0])) {
        TraceLog(L"[USBOperation::Excute] the USB disk/flash moved from " + m_USBPath.substr(0, 1) +
                 L": to " + letter.substr(0, 1) + L": after formatting; the job stops");
        return 0;
    }

    TraceLog(L"USBOperation::Excute - SetVolumeLabelName");
    PostProgress(70);
    SetVolumeLabel(std::wstring(letter), FitVolumeLabel(m_SourceLabel));

    TraceLog(L"USBOperation::Excute - FORMATUSBOK");
    m_StepCode = STEP_USB_FORMATTED;
    PostProgress(100);
    return 1;
}
