#pragma once
// Builds the bootable ISO image from the temporary work folder with the mastering tool.
#include "engine/BasicOperation.h"

#include <atomic>
#include <string>

class ISOOperation : public BasicOperation {
public:
    ISOOperation(HWND window, int stepCode, const std::wstring& sourceFolder,
                 const std::wstring& isoFolder, const std::wstring& volumeLabel, bool is64dvd);

    int Excute() override;
    int IsStop() override { return m_bStop.load() ? 1 : 0; }
    void Stop() override { m_bStop.store(true); }

private:
    std::wstring m_SourceFolder;
    std::wstring m_ISOFolder;
    std::wstring m_ToolPath;
    std::wstring m_BootFile;
    std::wstring m_EfiBootFile;
    std::wstring m_VolumeLabel;
    std::atomic<bool> m_bStop{false};
    bool m_Is64bitDVD;
};
