#include "engine/Dismmanager.h"

#include "engine/AppPaths.h"
#include "engine/EngineMessageBox.h"
#include "engine/FileUtil.h"
#include "engine/TraceLog.h"

#include <imagehlp.h>

#include <atomic>
#include <cwchar>
#include <mutex>
#include <stdexcept>

namespace {

// The DISM functions, looked up by their exact names.
struct DismApi {
    HMODULE module = nullptr;
    decltype(&::DismInitialize) Initialize = nullptr;
    decltype(&::DismShutdown) Shutdown = nullptr;
    decltype(&::DismGetImageInfo) GetImageInfo = nullptr;
    decltype(&::DismGetMountedImageInfo) GetMountedImageInfo = nullptr;
    decltype(&::DismCleanupMountpoints) CleanupMountpoints = nullptr;
    decltype(&::DismMountImage) MountImage = nullptr;
    decltype(&::DismOpenSession) OpenSession = nullptr;
    decltype(&::DismAddDriver) AddDriver = nullptr;
    decltype(&::DismAddPackage) AddPackage = nullptr;
    decltype(&::DismCommitImage) CommitImage = nullptr;
    decltype(&::DismCloseSession) CloseSession = nullptr;
    decltype(&::DismUnmountImage) UnmountImage = nullptr;
    decltype(&::DismGetLastErrorMessage) GetLastErrorMessage = nullptr;
    decltype(&::DismDelete) Delete = nullptr;
};

DismApi g_api;
std::wstring g_boundFrom;
std::atomic<DWORD> g_retryWait{1000};
DismManager* g_instance = nullptr;

template <typename T>
bool Resolve(HMODULE module, const char* name, T& slot)
{
    slot = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return slot != nullptr;
}

// Binds the DISM functions from one file. A failure says why in `why` and returns the
// system error (0 when the file loaded but lacks a function).
bool BindFrom(const std::wstring& path, std::wstring& why, DWORD& error)
{
    error = 0;
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        error = GetLastError();
        why = L"cannot load " + path;
        return false;
    }
    DismApi api;
    api.module = module;
    const char* missing = nullptr;
    auto resolve = [&](const char* name, auto& slot) {
        if (!missing && !Resolve(module, name, slot))
            missing = name;
    };
    resolve("DismInitialize", api.Initialize);
    resolve("DismShutdown", api.Shutdown);
    resolve("DismGetImageInfo", api.GetImageInfo);
    resolve("DismGetMountedImageInfo", api.GetMountedImageInfo);
    resolve("DismCleanupMountpoints", api.CleanupMountpoints);
    resolve("DismMountImage", api.MountImage);
    resolve("DismOpenSession", api.OpenSession);
    resolve("DismAddDriver", api.AddDriver);
    resolve("DismAddPackage", api.AddPackage);
    resolve("DismCommitImage", api.CommitImage);
    resolve("DismCloseSession", api.CloseSession);
    resolve("DismUnmountImage", api.UnmountImage);
    resolve("DismGetLastErrorMessage", api.GetLastErrorMessage);
    resolve("DismDelete", api.Delete);
    if (missing) {
        why = path + L" lacks " + AStringToWString(missing);
        FreeLibrary(module);
        return false;
    }
    g_api = api;
    g_boundFrom = path;
    return true;
}

// Every candidate that fails is traced with its reason, so a DISM step that cannot start
// says where it looked and what the system answered.
bool BindDism()
{
    if (g_api.module)
        return true;
    for (const std::wstring& path : GetDismLibraryCandidates()) {
        std::wstring why;
        DWORD error = 0;
        if (BindFrom(path, why, error))
            return true;
        TraceLog(L"[DismImgManager::DismImgManager] " + why);
        if (error)
            TraceSystemError(error);
    }
    return false;
}

void UnbindDism()
{
    if (g_api.module)
        FreeLibrary(g_api.module);
    g_api = DismApi();
    g_boundFrom.clear();
}

std::wstring Hex(HRESULT value)
{
    wchar_t buffer[16];
    swprintf(buffer, 16, L"%lx", static_cast<unsigned long>(value));
    return buffer;
}

// DISM's last error text, fetched into `slot` and freed again; empty when DISM has none.
std::wstring TakeLastError(DismString*& slot)
{
    // Cleared first: a failed query leaves the pointer untouched.
    slot = nullptr;
    if (g_api.GetLastErrorMessage)
        g_api.GetLastErrorMessage(&slot);
    std::wstring text;
    if (slot && slot->Value)
        text = slot->Value;
    if (slot && g_api.Delete)
        g_api.Delete(slot);
    slot = nullptr;
    return text;
}

// "Call failed 0x<code> : <DISM's message>", the form the error box uses.
std::wstring FailureText(const std::wstring& callName, HRESULT result, const std::wstring& message)
{
    return callName + L" failed 0x" + Hex(result) + L" : " + message;
}

// The trace line of a DISM call that failed without a box (clean-up paths).
void TraceDismFailure(const wchar_t* where, const wchar_t* call, HRESULT result,
                      const std::wstring& context = std::wstring())
{
    DismString* last = nullptr;
    std::wstring message = TakeLastError(last);
    TraceLog(std::wstring(L"[") + where + L"] " + FailureText(call, result, message) + context);
}

} // namespace

namespace DismCpp {

void DismSessionTraits::Close(DismSession session)
{
    if (!g_api.CloseSession)
        return;
    HRESULT hr = g_api.CloseSession(session);
    if (hr < 0)
        TraceDismFailure(L"DismSession", L"DismCloseSession", hr);
}

bool DismBasic::Delete(void* structure)
{
    if (!structure)
        return true;
    return g_api.Delete && g_api.Delete(structure) >= 0;
}

int DismBasic::ReportError(const std::wstring& callName, HRESULT result)
{
    std::wstring text = FailureText(callName, result, TakeLastError(m_pLastError));
    // The trace keeps the whole text: the box may cut it, and the box is gone once read.
    TraceLog(L"[DismCpp] " + text);

    // The box text is held in 260 characters; a longer DISM message is cut there.
    text += L"  ";
    if (text.size() > MAX_PATH - 1)
        text.resize(MAX_PATH - 1);
    return EngineMessageBox(nullptr, text, L"DismCpp", MB_OK);
}

DismImgManager::DismImgManager() : m_pImageInfo(nullptr), m_ImageCount(0), m_bReadOnly(FALSE)
{
    std::wstring logPath = AStringToWString(GetWorkingFolder() + "log.txt");
    if (!BindDism())
        throw std::runtime_error("Unable to DismInitialize");
    HRESULT hr = g_api.Initialize(DismLogErrorsWarningsInfo, logPath.c_str(), nullptr);
    if (hr < 0) {
        TraceDismFailure(L"DismImgManager::DismImgManager", L"DismInitialize", hr,
                         L" (" + g_boundFrom + L")");
        throw std::runtime_error("Unable to DismInitialize");
    }
    TraceLog(L"[DismImgManager::DismImgManager] DismInitialize 0x" + Hex(hr) + L" (" + g_boundFrom +
             L"), log " + logPath);
}

DismImgManager::~DismImgManager()
{
    m_Session.Reset();
    Shutdown();
}

void DismImgManager::SetImagePath(const std::wstring& path) { m_ImagePath = path; }

unsigned DismImgManager::GetImageCount()
{
    m_pImageInfo = nullptr;
    m_ImageCount = 0;
    HRESULT hr = g_api.GetImageInfo(m_ImagePath.c_str(), &m_pImageInfo, &m_ImageCount);
    if (hr < 0) {
        m_pImageInfo = nullptr;
        ReportError(L"DismGetImageInfo", hr);
        return 0;
    }
    unsigned count = m_ImageCount;
    Delete(m_pImageInfo);
    m_pImageInfo = nullptr;
    return count;
}

bool DismImgManager::Mount(const std::wstring& mountFolder, bool readOnly, unsigned index,
                           DISM_PROGRESS_CALLBACK progress, void* userData)
{
    // A session left open by an earlier failure would keep its image from being discarded
    // by the clean-up below.
    if (m_Session) {
        TraceLog(L"[DismImgManager::Mount] closing the session left open on " + m_MountPath);
        m_Session.Reset();
    }
    m_MountPath.clear();

    DismMountedImageInfo* mounted = nullptr;
    UINT count = 0;
    HRESULT hr = g_api.GetMountedImageInfo(&mounted, &count);
    if (hr < 0) {
        TraceDismFailure(L"DismImgManager::Mount", L"DismGetMountedImageInfo", hr);
        mounted = nullptr;
        count = 0;
    }
    for (UINT i = 0; i < count; ++i)
        if (mounted[i].MountStatus == DismMountStatusInvalid) {
            HRESULT cleaned = g_api.CleanupMountpoints();
            if (cleaned < 0)
                TraceDismFailure(L"DismImgManager::Mount", L"DismCleanupMountpoints", cleaned);
        }
    Delete(mounted);

    CleanMountFolders();

    hr = g_api.MountImage(m_ImagePath.c_str(), mountFolder.c_str(), index, nullptr, DismImageIndex,
                          readOnly ? DISM_MOUNT_READONLY : DISM_MOUNT_READWRITE, nullptr, progress, userData);
    if (hr < 0) {
        ReportError(L"DismMountImage", hr);
        return false;
    }
    hr = g_api.OpenSession(mountFolder.c_str(), nullptr, nullptr, m_Session.Receive());
    if (hr < 0) {
        // Whatever DISM left in the handle is no session.
        m_Session.Release();
        ReportError(L"DismOpenSession ", hr);
        // Nothing later could reach an image left mounted without a session: it goes now.
        m_MountPath = mountFolder;
        DiscardMount();
        return false;
    }
    m_bReadOnly = readOnly ? TRUE : FALSE;
    m_MountPath = mountFolder;
    return true;
}

bool DismImgManager::AddDriver(const std::wstring& infPath)
{
    HRESULT hr = g_api.AddDriver(m_Session.Get(), infPath.c_str(), TRUE);
    if (hr < 0) {
        ReportError(L"DismAddDriver  ", hr);
        return false;
    }
    return true;
}

bool DismImgManager::AddPackage(const std::wstring& packagePath)
{
    HRESULT hr =
        g_api.AddPackage(m_Session.Get(), packagePath.c_str(), TRUE, FALSE, nullptr, nullptr, nullptr);
    if (hr < 0) {
        ReportError(L"DismAddPackage  ", hr);
        return false;
    }
    return true;
}

bool DismImgManager::CommitAndClose(DISM_PROGRESS_CALLBACK progress, void* userData)
{
    HRESULT hr = g_api.CommitImage(m_Session.Get(), 0, nullptr, progress, userData);
    if (hr < 0) {
        ReportError(L"DismCommitImage ", hr);
        return false;
    }
    // Closed or not, the handle is spent.
    hr = g_api.CloseSession(m_Session.Release());
    if (hr < 0) {
        ReportError(L"DismCloseSession", hr);
        return false;
    }
    return true;
}

bool DismImgManager::Unmount(DISM_PROGRESS_CALLBACK progress, void* userData)
{
    // A read-only image is never committed, so its session is still open here; DISM
    // refuses to unmount under an open session.
    m_Session.Reset();
    HRESULT hr = g_api.UnmountImage(m_MountPath.c_str(), m_bReadOnly ? DISM_DISCARD_IMAGE : DISM_COMMIT_IMAGE,
                                    nullptr, progress, userData);
    if (hr < 0) {
        ReportError(L"DismUnmountImage  ", hr);
        return false;
    }
    m_MountPath.clear();
    return true;
}

bool DismImgManager::UnmountDiscard(std::wstring folder)
{
    HRESULT hr = g_api.UnmountImage(folder.c_str(), DISM_DISCARD_IMAGE, nullptr, nullptr, nullptr);
    if (hr < 0) {
        TraceDismFailure(L"DismImgManager::UnmountDiscard", L"DismUnmountImage", hr, L" on " + folder);
        return false;
    }
    return true;
}

void DismImgManager::CleanMountFolders()
{
    std::wstring working = AStringToWString(GetWorkingFolder());
    // Without a working folder the scan would run over the current folder and could
    // discard folders that were never ours.
    if (working.empty())
        return;
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileW((working + L"*").c_str(), &data));
    if (!find)
        return;
    do {
        std::wstring name = data.cFileName;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..")
            continue;
        std::wstring folder = working + name;
        if (GetFileAttributesW((folder + L"\\Windows").c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        // Deleting files under an image that is still mounted would break the image and
        // the mount: a folder that could not be discarded stays as it is.
        if (UnmountDiscard(folder))
            DeleteFolder(folder);
        else
            TraceLog(L"[DismImgManager::CleanMountFolders] " + folder +
                     L" is kept: its image may still be mounted");
    } while (FindNextFileW(find.Get(), &data));
}

bool DismImgManager::DiscardMount()
{
    if (m_Session) {
        HRESULT hr = g_api.CloseSession(m_Session.Release());
        if (hr < 0)
            TraceDismFailure(L"DismImgManager::DiscardMount", L"DismCloseSession", hr);
    }
    if (m_MountPath.empty())
        return true;
    std::wstring folder = m_MountPath;
    m_MountPath.clear();
    HRESULT hr = g_api.UnmountImage(folder.c_str(), DISM_DISCARD_IMAGE, nullptr, nullptr, nullptr);
    if (hr < 0) {
        TraceDismFailure(L"DismImgManager::DiscardMount", L"DismUnmountImage", hr, L" on " + folder);
        return false;
    }
    return true;
}

HRESULT DismImgManager::Shutdown()
{
    HRESULT hr = g_api.Shutdown();
    if (hr < 0)
        ReportError(L"DismShutdown", hr);
    return hr;
}

} // namespace DismCpp

DismManager::DismManager() : m_pImgManager(nullptr) { m_pImgManager = new DismCpp::DismImgManager(); }

DismManager::~DismManager() { delete m_pImgManager; }

DismManager* DismManager::Instance()
{
    if (!g_instance)
        g_instance = new DismManager();
    return g_instance;
}

void DismManager::Release()
{
    delete g_instance;
    g_instance = nullptr;
    UnbindDism();
}

bool DismManager::SetImagePath(const std::wstring& path)
{
    m_pImgManager->SetImagePath(path);
    return true;
}

unsigned DismManager::GetImageCount() { return m_pImgManager->GetImageCount(); }

bool DismManager::Mount(unsigned index, DISM_PROGRESS_CALLBACK progress, void* userData)
{
    if (!CreateMountFolder()) {
        EngineMessageBox(nullptr,
                         L"No new mount folder could be made in " + AStringToWString(GetWorkingFolder()) +
                             L": the image is not opened.",
                         L"DismCpp", MB_OK);
        return false;
    }
    return m_pImgManager->Mount(m_MountFolder, false, index, progress, userData);
}

bool DismManager::AddDriver(const std::wstring& infPath) { return m_pImgManager->AddDriver(infPath); }

bool DismManager::AddPackage(const std::wstring& packagePath)
{
    return m_pImgManager->AddPackage(packagePath);
}

bool DismManager::Commit(DISM_PROGRESS_CALLBACK progress, void* userData)
{
    return m_pImgManager->CommitAndClose(progress, userData);
}

bool DismManager::Unmount(DISM_PROGRESS_CALLBACK progress, void* userData)
{
    if (!m_pImgManager->Unmount(progress, userData))
        return false;
    return DeleteMountFolder();
}

std::string DismManager::MountFolderName(const std::string& workingFolder, unsigned hour, unsigned minute,
                                         unsigned second)
{
    std::string name = workingFolder + std::to_string(hour) + std::to_string(minute) + std::to_string(second);
    return AddTrailingBackslash(name);
}

void DismManager::SetMountFolderRetryWait(DWORD milliseconds) { g_retryWait = milliseconds; }

bool DismManager::CreateMountFolder()
{
    std::string name;
    for (int attempt = 1;; ++attempt) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        name = MountFolderName(GetWorkingFolder(), now.wHour, now.wMinute, now.wSecond);
        if (GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES &&
            MakeSureDirectoryPathExists(name.c_str())) {
            m_MountFolder = AStringToWString(name);
            return true;
        }
        // A working folder that refuses new folders would otherwise hold the job for ever.
        if (attempt >= kMountFolderTries)
            break;
        Sleep(g_retryWait);
    }
    TraceLog(L"[DismManager::CreateMountFolder] no mount folder after " + IntToWString(kMountFolderTries) +
             L" tries, last: " + AStringToWString(name));
    return false;
}

bool DismManager::DeleteMountFolder() { return DeleteFolder(m_MountFolder); }

bool DismManager::Discard()
{
    TraceLog(L"[DismManager::Discard] discarding the image mounted at " + m_MountFolder);
    if (!m_pImgManager->DiscardMount())
        return false;
    DeleteMountFolder();
    return true;
}
