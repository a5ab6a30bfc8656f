#pragma once
// Formats the USB stick and gives it the source disc's volume label.
#include "engine/BasicOperation.h"

#include <string>

class USBOperation : public BasicOperation {
public:
    USBOperation(HWND window, const std::wstring& usbPath, const std::wstring& sourceLabel);
    // Releases the USB formatting singletons, so the next job reads the disks afresh.
    ~USBOperation() override;

    int Excute() override;

private:
    std::wstring m_USBPath;
    std::wstring m_SourceLabel;
};
