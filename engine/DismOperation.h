#pragma once
// Adds the hotfix and driver packages to boot.wim (setup image) or to every image of
// install.wim on the medium being built.
#include "engine/BasicOperation.h"

#include <string>

class DismOperation : public BasicOperation {
public:
    DismOperation(HWND window, const std::wstring& mediaRoot, const std::wstring& driverFolder,
                  bool is64dvd, bool installMode, bool nvme);

    int Excute() override;

private:
    std::wstring mWimPath;
    std::wstring m_MediaRoot;
    std::wstring m_DriverFolder;
    bool is64dvd;
    bool m_InstallMode;
    bool m_NVMe;
};
