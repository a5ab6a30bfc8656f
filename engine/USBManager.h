#pragma once
// Formats the USB stick chosen as the target through diskpart scripts, with a fallback
// that wipes and re-partitions the whole stick when the user agrees.
#include <windows.h>

#include <string>

class CUSBManager {
public:
    // Created on first use; released by the USB operation when its step is over.
    static CUSBManager* Instance();
    // Deletes the drive manager, then this object; the next use starts afresh.
    static void ReleaseInstance();

    // Formats the stick whose root is `path` ("E:\"); on success m_USBLetter holds the
    // drive letter the stick has afterwards ("E").
    bool FormatActiveUSB(const std::wstring& path);
    bool FormatUSB();
    // Finds the USB disk and partition that carry m_USBLetter.
    bool CheckCond(int& diskIndex, int& partIndex);
    bool ReGetUSBLtr(int diskIndex, int partIndex);
    // The stick is larger than 40000 MB.
    bool IsLargeUSB();
    int GetUSBDiskIndex(const std::wstring& path);
    long long GetUSBSizeMB(const std::wstring& path);

    // The pause after formatting, for the volume to settle (2000 ms); tests shorten it.
    static void SetSettleDelay(DWORD milliseconds);

    std::wstring m_USBLetter;

private:
    CUSBManager() = default;
    CUSBManager(const CUSBManager&) = delete;
    CUSBManager& operator=(const CUSBManager&) = delete;
};
