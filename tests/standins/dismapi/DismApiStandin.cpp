// A stand-in for the DISM API, for tests only. Built against the toolchain's dismapi.h
// so its structures are the ones the engine reads.
//
// State folder: %DISM_STANDIN_DIR%, else "dismapi-state\" beside this DLL. It holds
//   journal.txt   every call, one line: Name|arg|arg|...|=0xHRESULT (UTF-8)
//   mounts.txt    the mount table: path<TAB>image<TAB>index<TAB>mode<TAB>status<TAB>committed
//                 (status 2 marks an invalid mount)
//   allocs.txt    live allocations handed out and not yet given to DismDelete
//   lasterror.txt the text DismGetLastErrorMessage hands out (else the stand-in's own)
//   standin.ini   [fail] Name=* or Name=1,3 (call numbers); [hresult] Name=0x...;
//                 [progress] Total=N; [lasterror] None=1 (the query then fails)
// A fake image is a text file whose first line is "images=N"; commits append to it.
#include <windows.h>
#include <dismapi.h>

#include "../StandinCommon.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace standin;

bool g_initialized = false;
std::wstring g_lastText;
std::set<void*> g_live;
std::map<DismSession, std::wstring> g_sessions;
DismSession g_nextSession = 1;

const HRESULT E_NOT_INIT = static_cast<HRESULT>(DISMAPI_E_DISMAPI_NOT_INITIALIZED);
const HRESULT E_BAD_INDEX = static_cast<HRESULT>(DISMAPI_E_INVALID_IMAGE_INDEX);
const HRESULT E_BAD_SESSION = static_cast<HRESULT>(DISMAPI_E_INVALID_DISM_SESSION);

std::wstring StateFolder()
{
    wchar_t buffer[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"DISM_STANDIN_DIR", buffer, MAX_PATH);
    std::wstring folder;
    if (n > 0 && n < MAX_PATH) {
        folder = buffer;
    } else {
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&StateFolder), &self);
        GetModuleFileNameW(self, buffer, MAX_PATH);
        folder = buffer;
        folder = folder.substr(0, folder.find_last_of(L'\\') + 1) + L"dismapi-state";
    }
    if (folder.back() != L'\\')
        folder += L'\\';
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring IniValue(const wchar_t* section, const std::wstring& key)
{
    wchar_t value[1024] = {};
    std::wstring ini = StateFolder() + L"standin.ini";
    GetPrivateProfileStringW(section, key.c_str(), L"", value, 1024, ini.c_str());
    return value;
}

// ---- journal and failure injection ----

std::wstring Text(PCWSTR text) { return text ? std::wstring(text) : std::wstring(L"(null)"); }
std::wstring Num(unsigned long long value) { return std::to_wstring(value); }
std::wstring Ptr(const void* value)
{
    if (!value)
        return L"null";
    wchar_t buffer[32];
    swprintf(buffer, 32, L"0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(value)));
    return buffer;
}
std::wstring Callback(DISM_PROGRESS_CALLBACK callback) { return callback ? L"cb" : L"null"; }
std::wstring Event(HANDLE event) { return event ? L"event" : L"null"; }

HRESULT Journal(const wchar_t* name, const std::vector<std::wstring>& args, HRESULT hr)
{
    std::wstring line = name;
    for (const auto& arg : args)
        line += L"|" + arg;
    wchar_t code[24];
    swprintf(code, 24, L"|=0x%08lx", static_cast<unsigned long>(hr));
    line += code;
    WriteFileBytes(StateFolder() + L"journal.txt", Utf8(line) + "\n", true);
    return hr;
}

// How many times this call has been made before, as the journal tells.
unsigned CallsSoFar(const wchar_t* name)
{
    std::string text;
    if (!ReadFileBytes(StateFolder() + L"journal.txt", text))
        return 0;
    std::string prefix = Utf8(name) + "|";
    unsigned count = 0;
    for (const auto& line : SplitLines(text))
        if (line.compare(0, prefix.size(), prefix) == 0)
            ++count;
    return count;
}

bool Injected(const wchar_t* name, HRESULT& hr)
{
    std::wstring list = IniValue(L"fail", name);
    if (list.empty())
        return false;
    bool fail = list == L"*";
    if (!fail) {
        unsigned number = CallsSoFar(name) + 1;
        for (const auto& item : Split(Utf8(list), ','))
            if (std::strtoul(item.c_str(), nullptr, 10) == number)
                fail = true;
    }
    if (!fail)
        return false;
    std::wstring code = IniValue(L"hresult", name);
    hr = code.empty() ? E_FAIL : static_cast<HRESULT>(std::wcstoul(code.c_str(), nullptr, 0));
    g_lastText = std::wstring(L"Injected failure of ") + name + L".";
    return true;
}

HRESULT Fail(HRESULT hr, const std::wstring& text)
{
    g_lastText = text;
    return hr;
}

// ---- allocations handed to the caller ----

void SaveLiveCount() { WriteFileBytes(StateFolder() + L"allocs.txt", std::to_string(g_live.size()), false); }

void* Allocate(size_t size)
{
    void* block = std::calloc(1, size);
    g_live.insert(block);
    SaveLiveCount();
    return block;
}

// ---- the mount table ----

using Mount = MountRow;

std::wstring Normalize(PCWSTR path)
{
    wchar_t full[MAX_PATH * 2] = {};
    if (!path || !GetFullPathNameW(path, MAX_PATH * 2, full, nullptr))
        return std::wstring();
    std::wstring text = full;
    while (text.size() > 3 && text.back() == L'\\')
        text.pop_back();
    return text;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::vector<Mount> LoadMounts()
{
    std::string text;
    ReadFileBytes(StateFolder() + L"mounts.txt", text);
    return ParseMountTable(text);
}

void SaveMounts(const std::vector<Mount>& mounts)
{
    WriteFileBytes(StateFolder() + L"mounts.txt", FormatMountTable(mounts));
}

int FindMount(const std::vector<Mount>& mounts, const std::wstring& path)
{
    for (size_t i = 0; i < mounts.size(); ++i)
        if (SamePath(mounts[i].path, path))
            return static_cast<int>(i);
    return -1;
}

bool IsDirectory(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Removes everything inside a folder, keeping the folder.
void EmptyTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring path = folder + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            EmptyTree(path);
            RemoveDirectoryW(path.c_str());
        } else {
            DeleteFileW(path.c_str());
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

bool IsEmptyFolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    bool empty = true;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            empty = false;
    } while (empty && FindNextFileW(find, &data));
    FindClose(find);
    return empty;
}

// Number of images of a fake image file, 0 when it isn't one.
UINT ImageCount(PCWSTR path)
{
    std::string text;
    if (!path || !ReadFileBytes(path, text))
        return 0;
    auto lines = SplitLines(text);
    if (lines.empty() || lines[0].compare(0, 7, "images=") != 0)
        return 0;
    return static_cast<UINT>(std::strtoul(lines[0].c_str() + 7, nullptr, 10));
}

// Writes the mount's changes made since its last commit into the image file.
bool CommitChanges(Mount& mount)
{
    std::string changes;
    ReadFileBytes(mount.path + L"\\sources\\added.txt", changes);
    auto lines = SplitLines(changes);
    std::string text = "commit index=" + std::to_string(mount.index) + "\n";
    for (size_t i = mount.committed; i < lines.size(); ++i)
        text += "  " + lines[i] + "\n";
    if (!WriteFileBytes(mount.image, text, true))
        return false;
    mount.committed = static_cast<UINT>(lines.size());
    return true;
}

void Progress(DISM_PROGRESS_CALLBACK progress, PVOID userData)
{
    if (!progress)
        return;
    std::wstring value = IniValue(L"progress", L"Total");
    UINT total = value.empty() ? 100 : static_cast<UINT>(std::wcstoul(value.c_str(), nullptr, 10));
    progress(0, total, userData);
    progress(total / 2, total, userData);
    progress(total, total, userData);
}

HRESULT AddChange(DismSession session, const std::string& line)
{
    auto it = g_sessions.find(session);
    if (it == g_sessions.end())
        return Fail(E_BAD_SESSION, L"The DISM session is not valid.");
    if (!WriteFileBytes(it->second + L"\\sources\\added.txt", line + "\n", true))
        return Fail(HRESULT_FROM_WIN32(ERROR_WRITE_FAULT), L"The image could not be changed.");
    return S_OK;
}

} // namespace

extern "C" {

HRESULT WINAPI DismInitialize(DismLogLevel LogLevel, PCWSTR LogFilePath, PCWSTR ScratchDirectory)
{
    std::vector<std::wstring> args{Num(LogLevel), Text(LogFilePath), Text(ScratchDirectory)};
    HRESULT hr;
    if (Injected(L"DismInitialize", hr))
        return Journal(L"DismInitialize", args, hr);
    if (g_initialized)
        return Journal(L"DismInitialize", args, HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED));
    g_initialized = true;
    return Journal(L"DismInitialize", args, S_OK);
}

HRESULT WINAPI DismShutdown(void)
{
    HRESULT hr;
    if (Injected(L"DismShutdown", hr))
        return Journal(L"DismShutdown", {}, hr);
    if (!g_initialized)
        return Journal(L"DismShutdown", {}, E_NOT_INIT);
    g_initialized = false;
    g_sessions.clear();
    return Journal(L"DismShutdown", {}, S_OK);
}

HRESULT WINAPI DismMountImage(PCWSTR ImageFilePath, PCWSTR MountPath, UINT ImageIndex, PCWSTR ImageName,
                              DismImageIdentifier ImageIdentifier, DWORD Flags, HANDLE CancelEvent,
                              DISM_PROGRESS_CALLBACK Progress_, PVOID UserData)
{
    const wchar_t* name = L"DismMountImage";
    std::vector<std::wstring> args{Text(ImageFilePath), Text(MountPath),      Num(ImageIndex),
                                   Text(ImageName),     Num(ImageIdentifier), Num(Flags),
                                   Event(CancelEvent),  Callback(Progress_),  Ptr(UserData)};
    HRESULT hr;
    if (Injected(name, hr))
        return Journal(name, args, hr);
    if (!g_initialized)
        return Journal(name, args, E_NOT_INIT);
    UINT count = ImageCount(ImageFilePath);
    if (count == 0)
        return Journal(name, args,
                       Fail(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), L"The image file cannot be read."));
    if (ImageIdentifier != DismImageIndex || ImageIndex < 1 || ImageIndex > count)
        return Journal(name, args, Fail(E_BAD_INDEX, L"The image index is not valid."));
    std::wstring folder = Normalize(MountPath);
    if (!IsDirectory(folder))
        return Journal(name, args,
                       Fail(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), L"The mount folder does not exist."));
    if (!IsEmptyFolder(folder))
        return Journal(name, args,
                       Fail(HRESULT_FROM_WIN32(ERROR_DIR_NOT_EMPTY), L"The mount folder is not empty."));
    auto mounts = LoadMounts();
    std::wstring image = Normalize(ImageFilePath);
    for (const auto& m : mounts)
        if (SamePath(m.path, folder) || (SamePath(m.image, image) && m.index == ImageIndex))
            return Journal(name, args,
                           Fail(HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS),
                                L"The image or the folder is already mounted."));
    CreateDirectoryW((folder + L"\\Windows").c_str(), nullptr);
    CreateDirectoryW((folder + L"\\sources").c_str(), nullptr);
    Mount m;
    m.path = folder;
    m.image = image;
    m.index = ImageIndex;
    m.mode = (Flags & DISM_MOUNT_READONLY) ? DismReadOnly : DismReadWrite;
    mounts.push_back(m);
    SaveMounts(mounts);
    Progress(Progress_, UserData);
    return Journal(name, args, S_OK);
}

HRESULT WINAPI DismUnmountImage(PCWSTR MountPath, DWORD Flags, HANDLE CancelEvent,
                                DISM_PROGRESS_CALLBACK Progress_, PVOID UserData)
{
    const wchar_t* name = L"DismUnmountImage";
    std::vector<std::wstring> args{Text(MountPath), Num(Flags), Event(CancelEvent), Callback(Progress_),
                                   Ptr(UserData)};
    HRESULT hr;
    if (Injected(name, hr))
        return Journal(name, args, hr);
    if (!g_initialized)
        return Journal(name, args, E_NOT_INIT);
    auto mounts = LoadMounts();
    int at = FindMount(mounts, Normalize(MountPath));
    if (at < 0)
        return Journal(name, args,
                       Fail(static_cast<HRESULT>(DISMAPI_E_UNABLE_TO_UNMOUNT_IMAGE_PATH),
                            L"No image is mounted at that folder."));
    Mount& m = mounts[at];
    // As the service does: an image with an open session stays mounted.
    for (const auto& session : g_sessions)
        if (SamePath(session.second, m.path))
            return Journal(name, args,
                           Fail(static_cast<HRESULT>(DISMAPI_E_OPEN_HANDLES_UNABLE_TO_UNMOUNT_IMAGE_PATH),
                                L"A session is open on the image."));
    if (!(Flags & DISM_DISCARD_IMAGE)) {
        if (m.mode == DismReadOnly)
            return Journal(name, args, Fail(E_ACCESSDENIED, L"A read-only image cannot be committed."));
        if (!CommitChanges(m))
            return Journal(
                name, args,
                Fail(HRESULT_FROM_WIN32(ERROR_WRITE_FAULT), L"The image file could not be written."));
    }
    EmptyTree(m.path);
    mounts.erase(mounts.begin() + at);
    SaveMounts(mounts);
    Progress(Progress_, UserData);
    return Journal(name, args, S_OK);
}

HRESULT WINAPI DismOpenSession(PCWSTR ImagePath, PCWSTR WindowsDirectory, PCWSTR SystemDrive,
                               DismSession* Session)
{
    const wchar_t* name = L"DismOpenSession";
    std::vector<std::wstring> args{Text(ImagePath), Text(WindowsDirectory), Text(SystemDrive), Ptr(Session)};
    HRESULT hr;
    if (Injected(name, hr))
        return Journal(name, args, hr);
    if (!g_initialized)
        return Journal(name, args, E_NOT_INIT);
    if (!Session)
        return Journal(name, args, E_POINTER);
    auto mounts = LoadMounts();
    int at = FindMount(mounts, Normalize(ImagePath));
    if (at < 0 || mounts[at].status != DismMountStatusOk)
        return Journal(
            name, args,
            Fail(HRESULT_FROM_WIN32(ERROR_NOT_FOUND), L"No usable image is mounted at that folder."));
    *Session = g_nextSession++;
    g_sessions[*Session] = mounts[at].path;
    return Journal(name, args, S_OK);
}

HRESULT WINAPI DismCloseSession(DismSession Session)
{
    const wchar_t* name = L"DismCloseSession";
    std::vector<std::wstring> args{Num(Session)};
    HRESULT hr;
    if (Injected(name, hr))
        return Journal(name, args, hr);
    if (!g_initialized)
        return Journal(name, args, E_NOT_INIT);
    if (!g_sessions.erase(Session))
        return Journal(name, args, Fail(E_BAD_SESSION, L"The DISM session is not valid."));
    return Journal(name, args, S_OK);
}

HRESULT WINAPI DismGetLastErrorMessage(DismString** ErrorMessage)
{
    const wchar_t* name = L"DismGetLastErrorMessage";
    std::vector<std::wstring> args{Ptr(ErrorMessage)};
    HRESULT hr;
    if (Injected(name, hr))
        return Journal(name, args, hr);
    if (!g_initialized)
        return Journal(name, args, E_NOT_INIT);
    if (!ErrorMessage)
        return Journal(name, args, E_POINTER);
    // The out pointer is left alone on failure, as callers must not rely on it.
    if (IniValue(L"lasterror", L"None") == L"1")
        return Journal(name, args, HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
    std::wstring text = g_lastText;
    std::string configured;
    if (ReadFileBytes(StateFolder() + L"lasterror.txt", configured))
        text = FromUtf8(configured);
    auto* block =
        static_cast<unsigned char*>(Allocate(sizeof(DismString) + (text.size() + 1) * sizeof(wchar_t)));
    auto* string = reinterpret_cast<DismString*>(block);
    auto* chars = reinterpret_cast<wchar_t*>(block + sizeof(DismString));
    wmemcpy(chars, text.c_str(), text.size() + 1);
    string->Value = chars;
    *ErrorMessage = string;
    return Journal(name, args, S_OK);
}

HRESULT WINAPI DismCommitImage(DismSession Session, DWORD Flags, HANDLE CancelEvent,
                               DISM_PROGRESS_CALLBACK Progress_, PVOID UserData)
{
    const wchar_t* name = L"DismCommitImage";
    std::vector<std::wstring> args{Num(Session), Num(Flags), Event(CancelEvent), Callback(Progress_),
                                   Ptr(UserData)};
    HRESULT hr;
    if (Injected(name, hr))
        return Journal(name, args, hr);
    if (!g_initialized)
        return Journal(name, args, E_NOT_INIT);
    auto it = g_sessions.find(Session);
    if (it == g_sessions.end())
        return Journal(name, args, Fail(E_BAD_SESSION, L"The DISM session is not valid."));
    auto mounts = LoadMounts();
    int at = FindMount(mounts, it->second);
    if (at < 0)
        return Journal(name, args, Fail(E_BAD_SESSION, L"The session's image is not mounted."));
    if (mounts[at].mode == DismReadOnly)
        return Journal(name, args, Fail(E_ACCESSDENIED, L"A read-only image cannot be committed."));
    if (!CommitChanges(mounts[at]))
        return Journal(name, args,
                       Fail(HRESULT_FROM_WIN32(ERROR_WRITE_FAULT), L"The image file could not be written."));
    SaveMounts(mounts);
    Progress(Progress_, UserData);
    return Journal(name, args, S_OK);
}

HRESULT WINAPI DismGetImageInfo(PCWSTR ImageFilePath, DismImageInfo** ImageInfo, UINT* Count)
{
    const wchar_t* name = L"DismGetImageInfo";
    std::vector<std::wstring> args{Text(ImageFilePath), Ptr(ImageInfo), Ptr(Count)};
    HRESULT hr;
    if (Injected(name, hr))
        return Journal(name, args, hr);
    if (!g_initialized)
        return Journal(name, args, E_NOT_INIT);
    if (!ImageInfo || !Count)
        return Journal(name, args, E_POINTER);
    UINT count = ImageCount(ImageFilePath);
    if (count == 0)
        return Journal(name, args,
                       Fail(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), L"The image file cannot be read."));
    auto* info = static_cast<DismImageInfo*>(Allocate(sizeof(DismImageInfo) * count));
    for (UINT i = 0; i < count; ++i) {
        info[i].ImageType = DismImageTypeWim;
        info[i].ImageIndex = i + 1;
        info[i].ImageName = L"Stand-in image";
        info[i].Bootable = DismImageBootableNo;
    }
    *ImageInfo = info;
    *Count = count;
    return Journal(name, args, S_OK);
}

HRESULT WINAPI DismGetMountedImageInfo(DismMountedImageInfo** MountedImageInfo, UINT* Count)
{
    const wchar_t* name = L"DismGetMountedImageInfo";
    std::vector<std::wstring> args{Ptr(MountedImageInfo), Ptr(Count)};
    HRESULT hr;
    if (Injected(name, hr))
        return Journal(name, args, hr);
    if (!g_initialized)
        return Journal(name, args, E_NOT_INIT);
    if (!MountedImageInfo || !Count)
        return Journal(name, args, E_POINTER);
    auto mounts = LoadMounts();
    size_t chars = 0;
    for (const auto& m : mounts)
        chars += m.path.size() + 1 + m.image.size() + 1;
    size_t arrayBytes = sizeof(DismMountedImageInfo) * mounts.size();
    auto* block = static_cast<unsigned char*>(Allocate(arrayBytes + chars * sizeof(wchar_t) + 1));
    auto* info = reinterpret_cast<DismMountedImageInfo*>(block);
    auto* text = reinterpret_cast<wchar_t*>(block + arrayBytes);
    for (size_t i = 0; i < mounts.size(); ++i) {
        wmemcpy(text, mounts[i].path.c_str(), mounts[i].path.size() + 1);
        info[i].MountPath = text;
        text += mounts[i].path.size() + 1;
        wmemcpy(text, mounts[i].image.c_str(), mounts[i].image.size() + 1);
        info[i].ImageFilePath = text;
        text += mounts[i].image.size() + 1;
        info[i].ImageIndex = mounts[i].index;
        info[i].MountMode = static_cast<DismMountMode>(mounts[i].mode);
        info[i].MountStatus = static_cast<DismMountStatus>(mounts[i].status);
    }
    *MountedImageInfo = info;
    *Count = static_cast<UINT>(mounts.size());
    return Journal(name, args, S_OK);
}

HRESULT WINAPI DismCleanupMountpoints(void)
{
    const wchar_t* name = L"DismCleanupMountpoints";
    HRESULT hr;
    if (Injected(name, hr))
        return Journal(name, {}, hr);
    if (!g_initialized)
        return Journal(name, {}, E_NOT_INIT);
    auto mounts = LoadMounts();
    for (auto it = mounts.begin(); it != mounts.end();) {
        if (it->status == DismMountStatusInvalid) {
            EmptyTree(it->path);
            it = mounts.erase(it);
        } else {
            ++it;
        }
    }
    SaveMounts(mounts);
    return Journal(name, {}, S_OK);
}

HRESULT WINAPI DismDelete(VOID* DismStructure)
{
    const wchar_t* name = L"DismDelete";
    std::vector<std::wstring> args{Ptr(DismStructure)};
    HRESULT hr;
    if (Injected(name, hr))
        return Journal(name, args, hr);
    if (!g_initialized)
        return Journal(name, args, E_NOT_INIT);
    auto it = g_live.find(DismStructure);
    if (it == g_live.end())
        return Journal(name, args, E_INVALIDARG);
    g_live.erase(it);
    std::free(DismStructure);
    SaveLiveCount();
    return Journal(name, args, S_OK);
}

HRESULT WINAPI DismAddPackage(DismSession Session, PCWSTR PackagePath, WINBOOL IgnoreCheck,
                              WINBOOL PreventPending, HANDLE CancelEvent, DISM_PROGRESS_CALLBACK Progress_,
                              PVOID UserData)
{
    const wchar_t* name = L"DismAddPackage";
    std::vector<std::wstring> args{Num(Session),        Text(PackagePath),  Num(IgnoreCheck),
                                   Num(PreventPending), Event(CancelEvent), Callback(Progress_),
                                   Ptr(UserData)};
    HRESULT hr;
    if (Injected(name, hr))
        return Journal(name, args, hr);
    if (!g_initialized)
        return Journal(name, args, E_NOT_INIT);
    if (!PackagePath || !IsFile(PackagePath))
        return Journal(name, args,
                       Fail(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), L"The package file cannot be found."));
    hr = AddChange(Session, "package " + Utf8(PackagePath) + " IgnoreCheck=" + std::to_string(IgnoreCheck) +
                                " PreventPending=" + std::to_string(PreventPending));
    if (SUCCEEDED(hr))
        Progress(Progress_, UserData);
    return Journal(name, args, hr);
}

HRESULT WINAPI DismAddDriver(DismSession Session, PCWSTR DriverPath, WINBOOL ForceUnsigned)
{
    const wchar_t* name = L"DismAddDriver";
    std::vector<std::wstring> args{Num(Session), Text(DriverPath), Num(ForceUnsigned)};
    HRESULT hr;
    if (Injected(name, hr))
        return Journal(name, args, hr);
    if (!g_initialized)
        return Journal(name, args, E_NOT_INIT);
    if (!DriverPath || !IsFile(DriverPath))
        return Journal(name, args,
                       Fail(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), L"The driver file cannot be found."));
    hr = AddChange(Session, "driver " + Utf8(DriverPath) + " ForceUnsigned=" + std::to_string(ForceUnsigned));
    return Journal(name, args, hr);
}

} // extern "C"
