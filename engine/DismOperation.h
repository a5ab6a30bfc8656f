#pragma once
// Adds the hotfix and driver packages to boot.wim (setup image) or to every image of
// install.wim on the medium being built.
#include "engine/BasicOperation.h"

#include <string>
#include <vector>

class DismManager;

class DismOperation : public BasicOperation {
public:
    DismOperation(HWND window, const std::wstring& mediaRoot, const std::wstring& driverFolder,
                  unsigned char is64dvd, unsigned char installMode, unsigned char nvme);

    int Excute() override;

    // DISM's progress callback; userData is the operation.
    static void CALLBACK OnDismProgress(UINT current, UINT total, PVOID userData);

private:
    // Undoes the current mount after a failed step; always 0.
    int Abandon(DismManager* dism);
    bool StageBootWim();
    bool RestoreBootWim();
    bool SaveUpdatedSource();
    bool CopyUpdatedSource();
    int AddDriver();
    void AddHotfixPackages(unsigned char is64dvd, std::vector<std::wstring>& list, unsigned char nvme);
    void AddDriverFolder(unsigned char is64dvd, std::vector<std::wstring>& list);

    std::wstring mWimPath;
    std::wstring m_MediaRoot;
    std::wstring m_DriverFolder;
    unsigned char is64dvd;
    unsigned char m_InstallMode;
    unsigned char m_NVMe;
};
