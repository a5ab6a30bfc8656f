#pragma once
// The operation pipeline: runs one job by walking the state table of its target kind.
#include "engine/BasicOperation.h"
#include "engine/JobRecord.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

// The codes of the state tables: which operation each round creates.
enum StateCode : int {
    STATE_END = -1, // a table's terminator
    STATE_CHECK = 1,
    STATE_COPY_TMP_TO_TARGET = 2,
    STATE_DISM_BOOT_IN_TMP = 3,
    STATE_BUILD_ISO = 4,
    STATE_FORMAT_USB = 5,
    STATE_COPY_SOURCE_TO_TMP = 6,
    STATE_COPY_OS_TO_TARGET = 7,
    STATE_COPY_SOURCE_TO_TARGET = 8,
    STATE_DISM_BOOT_ON_TARGET = 9,
    STATE_COPY_OS_TO_TMP = 16,
    STATE_DISM_INSTALL_IN_TMP = 17,
    STATE_DISM_INSTALL_ON_TARGET = 18,
    STATE_COPY_OTHER_TO_TARGET = 19,
    STATE_COPY_OTHER_TO_TMP = 20,
};

class Win7InsCreator {
public:
    // kind: 0 USB target, 1 ISO target. The record must stay unchanged and alive
    // until the pipeline is destroyed.
    Win7InsCreator(HWND window, unsigned kind, const _WIN7_OPERAT_INFO* info, bool compatible, bool nvme);
    ~Win7InsCreator();

    Win7InsCreator(const Win7InsCreator&) = delete;
    Win7InsCreator& operator=(const Win7InsCreator&) = delete;

    // Runs the job on the caller's thread: 1 success, 0 failure.
    int Excute();
    // From any thread while Excute runs.
    void Cancel();

    static int GetStateCount(unsigned kind);
    // An unknown kind stops the program on an assertion.
    static bool HasFormatStep(unsigned kind);

    const std::wstring& GetTmpPath() const { return m_TmpPath; }
    std::wstring GetTagPath() const { return m_pInfo->szTagPath; }
    std::wstring GetDriverPath() const { return m_pInfo->szDriverPath; }
    bool Is64bitDVD() const { return m_pInfo->bIs64bitDVD != 0; }
    bool IsNVMe() const { return m_bNVMe; }
    bool IsCancel() const { return m_bCancel.load(); }
    int GetStateCode() const;
    bool IsValidType() const;
    std::wstring GetSourceLabel() const;
    std::wstring GetOtherDriverFolder() const;
    std::wstring GetEfiFolder() const;
    void CopyEfiFolder();

    const std::vector<int>& GetStateTable() const { return m_StateTbl; }
    double GetCopyWeight(int code) const;

private:
    BasicOperation* CreateOperation();
    void NextOperation();
    void ReleaseOperation();
    bool NeedInstallWim() const;
    void UseInstallWimSteps();

    const _WIN7_OPERAT_INFO* m_pInfo;
    std::wstring m_TmpPath;
    // Replaced only by the worker, under m_OperationLock; Cancel uses it under the same
    // lock. The lock is never held while an operation runs.
    BasicOperation* m_pOperation;
    std::mutex m_OperationLock;
    unsigned m_Type;
    unsigned m_Index;
    HWND m_hWnd;
    std::atomic<bool> m_bCancel;
    bool m_bCompatible;
    bool m_bNVMe;
    std::vector<int> m_StateTbl;
};
