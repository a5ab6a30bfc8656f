#pragma once
// The engine's only contact with the DISM API. dismapi.dll is bound at run time, so the
// program starts where DISM is missing; the DISM step then fails as a failed start-up.
#include "engine/Handles.h"

#include <windows.h>
#include <dismapi.h>

#include <string>

namespace DismCpp {

// An open DISM session; closing it quietly is for clean-up paths only (the commit path
// closes it itself and reports a failure).
struct DismSessionTraits {
    static DismSession Empty() { return 0; }
    static bool IsValid(DismSession session) { return session != 0; }
    static void Close(DismSession session);
};
using UniqueDismSession = UniqueResource<DismSession, DismSessionTraits>;

// Error reporting and freeing of DISM structures.
class DismBasic {
public:
    DismBasic() : m_pLastError(nullptr) {}
    virtual ~DismBasic() = default;
    DismBasic(const DismBasic&) = delete;
    DismBasic& operator=(const DismBasic&) = delete;

    // Frees a structure DISM handed out; a null pointer is nothing to free.
    virtual bool Delete(void* structure);
    // Shows the "DismCpp" box naming the call, its result and DISM's last error text, and
    // writes the same text to the trace.
    int ReportError(const std::wstring& callName, HRESULT result);

protected:
    DismString* m_pLastError;
};

// The one image path, mount and session the DISM operation works on.
class DismImgManager : public DismBasic {
public:
    // Binds and initialises DISM; throws std::runtime_error("Unable to DismInitialize").
    DismImgManager();
    ~DismImgManager() override;

    void SetImagePath(const std::wstring& path);
    unsigned GetImageCount();
    bool Mount(const std::wstring& mountFolder, bool readOnly, unsigned index,
               DISM_PROGRESS_CALLBACK progress, void* userData);
    bool AddDriver(const std::wstring& infPath);
    bool AddPackage(const std::wstring& packagePath);
    bool CommitAndClose(DISM_PROGRESS_CALLBACK progress, void* userData);
    bool Unmount(DISM_PROGRESS_CALLBACK progress, void* userData);
    // A failure is traced with DISM's code and message.
    bool UnmountDiscard(std::wstring folder);
    // Discards and deletes the mount folders an earlier run left; one whose discard fails
    // is kept, since its image may still be mounted.
    void CleanMountFolders();
    HRESULT Shutdown();

    bool HasSession() const { return m_Session.IsValid(); }
    // After a failed step: closes the session if one is open and discards the mounted
    // image without saving it. DISM refuses to unmount an image while a session is open.
    bool DiscardMount();

private:
    std::wstring m_ImagePath;
    std::wstring m_MountPath;
    DismImageInfo* m_pImageInfo;
    unsigned m_ImageCount;
    UniqueDismSession m_Session;
    BOOL m_bReadOnly;
};

} // namespace DismCpp

// The process-wide object the DISM operation calls.
class DismManager {
public:
    // Created on first use, which initialises DISM; throws when that fails, and the
    // next call tries again.
    static DismManager* Instance();
    // Deletes the object (DISM is shut down); the next Instance starts afresh.
    static void Release();

    bool SetImagePath(const std::wstring& path);
    unsigned GetImageCount();
    // A fresh mount folder, then the mount; without a folder a "DismCpp" box says so.
    bool Mount(unsigned index, DISM_PROGRESS_CALLBACK progress, void* userData);
    std::wstring GetMountFolder() const { return m_MountFolder; }
    bool AddDriver(const std::wstring& infPath);
    bool AddPackage(const std::wstring& packagePath);
    bool Commit(DISM_PROGRESS_CALLBACK progress, void* userData);
    bool Unmount(DISM_PROGRESS_CALLBACK progress, void* userData);
    bool CreateMountFolder();
    bool DeleteMountFolder();
    // Undoes a mount that a later step failed on: the session closed, the image
    // discarded and its folder deleted. True when nothing is left mounted.
    bool Discard();

    // Working folder + hour, minute and second without leading zeros, run together,
    // ending in a backslash: 14:05:09 gives "1459\".
    static std::string MountFolderName(const std::string& workingFolder, unsigned hour, unsigned minute,
                                       unsigned second);
    // Tries CreateMountFolder makes before it gives up.
    static const int kMountFolderTries = 30;
    // Pause between two tries, in milliseconds (tests shorten it).
    static void SetMountFolderRetryWait(DWORD milliseconds);

private:
    DismManager();
    ~DismManager();
    DismManager(const DismManager&) = delete;
    DismManager& operator=(const DismManager&) = delete;

    DismCpp::DismImgManager* m_pImgManager;
    std::wstring m_MountFolder;
};
