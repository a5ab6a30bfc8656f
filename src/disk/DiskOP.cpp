#include "src/disk/DiskOP.h"

#include "engine/AppPaths.h"
#include "engine/DiskSystem.h"
#include "engine/Handles.h"
#include "engine/TraceLog.h"
#include "engine/VolumeQuery.h"
#include "src/disk/Drive.h"

#include <winioctl.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace gs {

// ---- File

File::File() : m_bOpen(false), m_hFile(INVALID_HANDLE_VALUE), m_bReadOnly(true), m_bCreate(false) {}

File::~File() { Close(); }

bool File::Open()
{
    Close();
    DWORD access = m_bReadOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = m_bCreate ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE handle = GetDiskSystem().CreateFileW(AStringToWString(m_Path).c_str(), access,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, disposition,
                                                FILE_FLAG_WRITE_THROUGH | FILE_FLAG_RANDOM_ACCESS);
    if (handle == INVALID_HANDLE_VALUE || !handle)
        return false;
    m_hFile = handle;
    m_bOpen = true;
    return true;
}

void File::Close()
{
    if (!m_bOpen)
        return;
    GetDiskSystem().CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    m_bOpen = false;
}

// ---- DriveDevice

DriveDevice::DriveDevice(int driveIndex) : m_DriveIndex(driveIndex)
{
    char path[28];
    std::snprintf(path, sizeof path, "\\\\.\\PhysicalDrive%d", driveIndex);
    m_Path = path;
}

// The layout object borrows the handle, so it goes first.
DriveDevice::~DriveDevice() { m_pDriveData.reset(); }

bool DriveDevice::Open()
{
    Close();
    DWORD access = m_bReadOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    HANDLE handle = GetDiskSystem().CreateFileW(AStringToWString(m_Path).c_str(), access,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0);
    if (handle == INVALID_HANDLE_VALUE || !handle)
        return false;
    m_hFile = handle;
    m_bOpen = true;
    return ReadDriveData();
}

bool DriveDevice::ReadDriveData()
{
    // Geometry (24), disk size (8), then the partition information block (style at 36).
    BYTE geometry[56] = {};
    DWORD returned = 0;
    if (!GetDiskSystem().DeviceIoControl(m_hFile, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, geometry,
                                         sizeof geometry, &returned))
        return false;
    const size_t styleAt = offsetof(DISK_GEOMETRY_EX, Data) + offsetof(DISK_PARTITION_INFO, PartitionStyle);
    static_assert(offsetof(DISK_GEOMETRY_EX, Data) + offsetof(DISK_PARTITION_INFO, PartitionStyle) == 36,
                  "partition style offset");
    DWORD style = PARTITION_STYLE_RAW;
    // An answer that stops before the style field says nothing about it: read as RAW.
    if (returned >= styleAt + sizeof(DWORD))
        std::memcpy(&style, geometry + styleAt, sizeof style);

    m_pDriveData.reset();
    if (style == PARTITION_STYLE_GPT)
        m_pDriveData = std::make_unique<GPTData>(m_DriveIndex, m_hFile);
    else if (style == PARTITION_STYLE_MBR)
        m_pDriveData = std::make_unique<MBRData>(m_DriveIndex, m_hFile);
    else
        m_pDriveData = std::make_unique<RAWData>();
    return true;
}

// ---- diskpart

namespace {

// The script path lives as long as the process; empty while no script file exists.
wchar_t g_ScriptPath[MAX_PATH];

std::wstring WindowsFolder()
{
    wchar_t folder[MAX_PATH] = {};
    UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(folder) : std::wstring();
}

// The physical disk of a folder's drive letter; -1 when it has none or it can't be told.
int DiskOfFolder(const std::wstring& folder)
{
    if (folder.size() < 2 || folder[1] != L':')
        return -1;
    return GetDiskNumber(folder.substr(0, 1));
}

// Asks the disk itself, through the seam; anything but a clear USB answer is no.
bool IsOnUsbBus(unsigned disk, DWORD& error)
{
    error = 0;
    DiskSystem& system = GetDiskSystem();
    wchar_t path[32];
    std::swprintf(path, 32, L"\\\\.\\PhysicalDrive%u", disk);
    HANDLE device =
        system.CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0);
    if (device == INVALID_HANDLE_VALUE || !device) {
        error = GetLastError();
        return false;
    }
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    BYTE descriptor[sizeof(STORAGE_DEVICE_DESCRIPTOR)] = {};
    DWORD returned = 0;
    BOOL asked = system.DeviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                                        descriptor, sizeof descriptor, &returned);
    if (!asked)
        error = GetLastError();
    system.CloseHandle(device);
    const size_t busAt = offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType);
    if (!asked || returned < busAt + sizeof(STORAGE_BUS_TYPE))
        return false;
    STORAGE_BUS_TYPE bus;
    std::memcpy(&bus, descriptor + busAt, sizeof bus);
    return bus == BusTypeUsb;
}

} // namespace

bool CDiskOP::MayFormatDisk(unsigned disk)
{
    m_LastError = 0;
    m_bExitCodeKnown = false;
    const std::wstring name = L"[CDiskOP::MayFormatDisk] disk " + std::to_wstring(disk);
    const struct {
        const wchar_t* what;
        std::wstring folder;
    } held[] = {{L"the Windows folder", WindowsFolder()},
                {L"the program's folder", GetProgramFolder()},
                {L"the working folder", AStringToWString(GetWorkingFolder())}};
    for (const auto& h : held)
        if (DiskOfFolder(h.folder) == static_cast<int>(disk)) {
            TraceLog(name + L" holds " + h.what + L" " + h.folder + L": it is not formatted");
            return false;
        }
    DWORD error = 0;
    if (!IsOnUsbBus(disk, error)) {
        TraceLog(name + L" is not reported on the USB bus: it is not formatted");
        if (error)
            TraceSystemError(error);
        return false;
    }
    return true;
}

CDiskOP* CDiskOP::Instance()
{
    // Destroyed at process end, which deletes a script file left behind.
    static CDiskOP instance;
    return &instance;
}

CDiskOP::CDiskOP() : m_bScriptFile(false) { CreateScriptFile(); }

CDiskOP::~CDiskOP() { DeleteScriptFile(); }

const wchar_t* CDiskOP::GetScriptPath() const { return g_ScriptPath; }

bool CDiskOP::CreateScriptFile()
{
    if (m_bScriptFile)
        return true;
    wchar_t path[MAX_PATH] = {};
    if (!GetTempFileNameW(L".", L"_", 0, path))
        return false;
    std::wcscpy(g_ScriptPath, path);
    m_bScriptFile = true;
    return true;
}

bool CDiskOP::DeleteScriptFile()
{
    if (m_bScriptFile) {
        DeleteFileW(g_ScriptPath);
        g_ScriptPath[0] = L'\0';
        m_bScriptFile = false;
    }
    return true;
}

bool CDiskOP::RunScript(const char* text)
{
    m_LastError = 0;
    m_LastExitCode = 0;
    m_bExitCodeKnown = false;
    const DWORD length = static_cast<DWORD>(std::strlen(text));
    {
        UniqueHandle file(::CreateFileW(g_ScriptPath, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            m_LastError = GetLastError();
            return false;
        }
        DWORD written = 0;
        if (!WriteFile(file.Get(), text, length, &written, nullptr) || written != length) {
            m_LastError = written != length && GetLastError() == 0 ? ERROR_WRITE_FAULT : GetLastError();
            return false;
        }
        FlushFileBuffers(file.Get());
    }
    // diskpart runs elevated on what this file holds. Until it has finished, a handle that
    // only reads and shares only reading keeps any other process from changing, replacing
    // or deleting the script, while diskpart itself can still open it. What the file holds
    // is read back through that handle, so a change made before it was opened is caught.
    UniqueHandle held(::CreateFileW(g_ScriptPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held) {
        m_LastError = GetLastError();
        return false;
    }
    std::vector<char> back(length + 1);
    DWORD read = 0;
    if (!ReadFile(held.Get(), back.data(), length + 1, &read, nullptr) || read != length ||
        std::memcmp(back.data(), text, length) != 0) {
        m_LastError = ERROR_FILE_INVALID;
        return false;
    }

    wchar_t commandLine[MAX_PATH];
    std::swprintf(commandLine, MAX_PATH, L"diskpart /s %ls", g_ScriptPath);
    DWORD exitCode = 1;
    if (!RunProcess(GetDiskpartPath().c_str(), commandLine, &exitCode))
        return false;
    m_LastExitCode = exitCode;
    m_bExitCodeKnown = true;
    return exitCode == 0;
}

void CDiskOP::TraceLastFailure() const
{
    if (m_LastError)
        TraceSystemError(m_LastError);
    else if (m_bExitCodeKnown && m_LastExitCode != 0)
        TraceExitCode(m_LastExitCode);
}

bool CDiskOP::FormatPartition(unsigned disk, unsigned partition, const char* fileSystem)
{
    if (!MayFormatDisk(disk))
        return false;
    char script[256];
    std::snprintf(script, sizeof script, "sel disk %u\r\nsel par %u\r\nformat fs=%s quick\r\nexit\r\n", disk,
                  partition, fileSystem);
    return RunScript(script);
}

bool CDiskOP::ActivePartition(unsigned disk, unsigned partition)
{
    char script[256];
    std::snprintf(script, sizeof script, "sel disk %u\r\nsel par %u\r\nactive\r\nexit\r\n", disk, partition);
    return RunScript(script);
}

bool CDiskOP::CleanAndFormat(unsigned disk, const char* letter, const char* fileSystem)
{
    if (!MayFormatDisk(disk))
        return false;
    char script[256];
    std::snprintf(script, sizeof script,
                  "sel disk %u\r\nclean\r\ncrea part prim\r\nsel part 1\r\nformat fs=%s quick\r\n"
                  "assign letter=%s\r\nactive\r\nexit\r\n",
                  disk, fileSystem, letter);
    return RunScript(script);
}

bool CDiskOP::RunProcess(const wchar_t* application, const wchar_t* commandLine, DWORD* exitCode)
{
    // CreateProcessW may write into the command line: hand it a copy.
    std::vector<wchar_t> line(commandLine, commandLine + std::wcslen(commandLine) + 1);
    STARTUPINFOW startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    ProcessHandles process;
    if (!CreateProcessW(application, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, process.Info())) {
        m_LastError = GetLastError();
        std::fputs("create process fail\n", stdout);
        TraceLog(L"[CDiskOP::RunProcess] create process fail: " +
                 std::wstring(application ? application : L"") + L" error " +
                 IntToWString(static_cast<int>(m_LastError)));
        return false;
    }
    process.Adopt();
    process.CloseThread();
    if (WaitForSingleObject(process.Process(), INFINITE) != WAIT_OBJECT_0) {
        m_LastError = GetLastError();
        return false;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process.Process(), &code)) {
        m_LastError = GetLastError();
        return false;
    }
    if (exitCode)
        *exitCode = code;
    return true;
}

} // namespace gs
