#pragma once
// Last step of an ISO job: builds the image file from the temporary work folder's tree with
// the mastering tool beside the program.
#include "engine/BasicOperation.h"

#include <atomic>
#include <string>

class ISOOperation : public BasicOperation {
public:
    // sourcePath: the temporary work folder; isoPath: the folder receiving the image;
    // volumeLabel: the source disc's label, which names the image file.
    ISOOperation(HWND window, int stepCode, const std::wstring& sourcePath, const std::wstring& isoPath,
                 const std::wstring& volumeLabel, unsigned char is64bit);

    int Excute() override;
    int IsStop() override { return m_Stop.load(); }
    void Stop() override;

protected:
    bool PreCheck();
    int RunOperate();
    std::wstring GetISOFileName() const;
    static std::wstring QuotePath(const std::wstring& path);
    // The disc's label made safe as the image's file name (without ".iso"): it comes from
    // the disc, and must neither leave the chosen folder nor break the tool's command line.
    static std::wstring FileNameFromLabel(const std::wstring& label);
    // Deletes the image file of a failed or stopped run.
    static void RemovePartialImage(const std::wstring& isoFile);

    // Called by the runner on its own thread.
    static int OnISOProgress(int value, void* userData);

    std::wstring m_SourcePath;
    std::wstring m_ISOPath;
    std::wstring m_ToolPath;
    std::wstring m_BootFile;
    std::wstring m_EfiBootFile;
    std::wstring m_VolumeLabel;
    std::atomic<unsigned char> m_Stop;
    unsigned char m_Is64bit;
};
