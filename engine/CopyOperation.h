#pragma once
// Copies a folder tree (or one file) into an existing target folder through the copy
// engine and posts weighted progress.
#include "engine/BasicOperation.h"

#include <atomic>
#include <string>

class CopyOperation : public BasicOperation {
public:
    // stepCode is 2 for copies into the temporary folder, 5 for copies onto the target.
    // jobCancel, when given, is the pipeline's cancel flag: it stops the copy too and is
    // never cleared by the copy, so a cancel that arrives just before the copy starts holds.
    CopyOperation(HWND window, int stepCode, const std::wstring& source, const std::wstring& target,
                  double weight, const std::atomic<bool>* jobCancel = nullptr);

    int Excute() override;
    int IsStop() override;
    void Stop() override;

    // The copy engine hands this to every file copy; data is the operation.
    static DWORD CALLBACK OnCopyProgress(LARGE_INTEGER totalFileSize, LARGE_INTEGER totalBytesTransferred,
                                         LARGE_INTEGER streamSize, LARGE_INTEGER streamBytesTransferred,
                                         DWORD streamNumber, DWORD callbackReason, HANDLE sourceFile,
                                         HANDLE destinationFile, LPVOID data);

    double GetWeight() const { return m_Weight; }
    const std::wstring& GetSourcePath() const { return m_SourcePath; }
    const std::wstring& GetTagPath() const { return m_TagPath; }
    int GetStepCode() const { return m_StepCode; }

private:
    std::wstring m_SourcePath;
    std::wstring m_TagPath;
    std::atomic<bool> m_bStop{false};
    double m_Weight;
    const std::atomic<bool>* m_pJobCancel;
};
