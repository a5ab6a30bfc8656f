#include "engine/VolumeQuery.h"

#include "engine/DiskSystem.h"

#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

constexpr unsigned long long kBytesPerMB = 1048576ULL;
constexpr NTSTATUS kStatusSuccess = 0;
constexpr ACCESS_MASK kSymbolicLinkQuery = 0x0001;
constexpr ULONG kObjCaseInsensitive = 0x00000040;

// "X:\" for the first character of a path.
std::wstring RootOf(const std::wstring& path)
{
    std::wstring root;
    if (!path.empty()) {
        root += path[0];
        root += L":\\";
    }
    return root;
}

// Opens a device, runs one control query and closes the handle again.
bool QueryDevice(const std::wstring& name, DWORD access, DWORD code, void* in, DWORD inSize, void* out,
                 DWORD outSize)
{
    DiskSystem& disks = GetDiskSystem();
    HANDLE device =
        disks.CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0);
    if (device == INVALID_HANDLE_VALUE || device == nullptr)
        return false;
    DWORD bytes = 0;
    BOOL ok = disks.DeviceIoControl(device, code, in, inSize, out, outSize, &bytes);
    disks.CloseHandle(device);
    return ok != FALSE;
}

} // namespace

bool IsCdRomDrive(const std::wstring& root)
{
    return GetDiskSystem().GetDriveTypeW(root.c_str()) == DRIVE_CDROM;
}

bool IsRemovableOrFixed(const std::wstring& path)
{
    if (path.empty())
        return false;
    UINT type = GetDiskSystem().GetDriveTypeW(RootOf(path).c_str());
    return type == DRIVE_REMOVABLE || type == DRIVE_FIXED;
}

bool IsUSBBusDrive(const std::wstring& path)
{
    // Optical, network and RAM drives are never USB targets.
    if (!IsRemovableOrFixed(path))
        return false;

    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;

    // Only the fixed part of the descriptor, up to and including the bus type.
    STORAGE_DEVICE_DESCRIPTOR descriptor = {};
    descriptor.Size = sizeof(descriptor);
    if (!QueryDevice(std::wstring(L"\\\\?\\") + path[0] + L":", GENERIC_READ, IOCTL_STORAGE_QUERY_PROPERTY,
                     &query, sizeof(query), &descriptor, sizeof(descriptor)))
        return false;
    return descriptor.BusType == BusTypeUsb;
}

bool IsVolumeReady(const std::wstring& root)
{
    DWORD flags = 0;
    wchar_t fsName[MAX_PATH] = {};
    if (GetDiskSystem().GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, fsName,
                                              MAX_PATH))
        return true;
    // Only "no medium" counts as not ready; a drive that refuses us is still there.
    DWORD error = ::GetLastError();
    return error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_READY;
}

double GetDiskTotalMB(const std::wstring& root)
{
    ULARGE_INTEGER freeToCaller = {}, total = {}, totalFree = {};
    if (!GetDiskSystem().GetDiskFreeSpaceExW(root.c_str(), &freeToCaller, &total, &totalFree))
        return 0;
    return static_cast<double>(total.QuadPart / kBytesPerMB);
}

double GetDiskFreeMB(const std::wstring& rootOrFolder)
{
    ULARGE_INTEGER freeToCaller = {}, total = {}, totalFree = {};
    if (!GetDiskSystem().GetDiskFreeSpaceExW(rootOrFolder.c_str(), &freeToCaller, &total, &totalFree))
        return 0;
    return static_cast<double>(freeToCaller.QuadPart / kBytesPerMB);
}

bool IsNTFSVolume(const std::wstring& root)
{
    wchar_t fsName[MAX_PATH + 1] = {};
    if (!GetDiskSystem().GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fsName,
                                               MAX_PATH + 1))
        return false;
    return std::wcscmp(fsName, L"NTFS") == 0;
}

void GetVolumeLabel(const std::wstring& root, std::wstring& label)
{
    wchar_t name[MAX_PATH] = {};
    if (!GetDiskSystem().GetVolumeInformationW(root.c_str(), name, MAX_PATH, nullptr, nullptr, nullptr,
                                               nullptr, 0)) {
        label.clear();
        return;
    }
    name[MAX_PATH - 1] = L'\0';
    label = name;
}

void SetVolumeLabel(const std::wstring& letterPath, const std::wstring& label)
{
    if (letterPath.empty())
        return;
    GetDiskSystem().SetVolumeLabelW(RootOf(letterPath).c_str(), label.c_str());
}

std::wstring FitVolumeLabel(const std::wstring& label)
{
    if (label.empty())
        return L"NONAME";
    if (label.size() > 11)
        return label.substr(0, 9) + L"~1";
    return label;
}

int GetDiskNumber(const std::wstring& letter)
{
    if (letter.empty())
        return -1;
    VOLUME_DISK_EXTENTS extents = {};
    if (!QueryDevice(std::wstring(L"\\\\.\\") + letter[0] + L":", GENERIC_READ,
                     IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &extents, sizeof(extents)))
        return -1;
    // A volume with no extent, or one spanning disks, is not on one physical disk.
    if (extents.NumberOfDiskExtents != 1)
        return -1;
    return static_cast<int>(extents.Extents[0].DiskNumber);
}

long long GetPhysicalDiskSizeMB(int diskNumber)
{
    wchar_t name[32];
    std::swprintf(name, 32, L"\\\\.\\PHYSICALDRIVE%d", diskNumber);
    DISK_GEOMETRY geometry = {};
    // Query only: no read or write access is needed for the geometry.
    if (!QueryDevice(name, 0, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof(geometry)))
        return 0;
    long long bytes = geometry.Cylinders.QuadPart * static_cast<long long>(geometry.TracksPerCylinder) *
                      static_cast<long long>(geometry.SectorsPerTrack) *
                      static_cast<long long>(geometry.BytesPerSector);
    return static_cast<long long>(static_cast<int>(bytes / static_cast<long long>(kBytesPerMB)));
}

int QueryDosSymbolicLink(const wchar_t* name, wchar_t* target, unsigned capacity)
{
    if (!name || !target)
        return 0;
    // The terminator we add must fit.
    if (capacity < sizeof(wchar_t))
        return 0;
    size_t nameChars = std::wcslen(name);
    if (nameChars * sizeof(wchar_t) + sizeof(wchar_t) > 0xFFFF)
        return 0;

    DiskSystem& disks = GetDiskSystem();

    UNICODE_STRING objectName;
    objectName.Length = static_cast<USHORT>(nameChars * sizeof(wchar_t));
    objectName.MaximumLength = static_cast<USHORT>(objectName.Length + sizeof(wchar_t));
    objectName.Buffer = const_cast<wchar_t*>(name);

    OBJECT_ATTRIBUTES attributes = {};
    attributes.Length = sizeof(OBJECT_ATTRIBUTES);
    attributes.RootDirectory = nullptr;
    attributes.ObjectName = &objectName;
    attributes.Attributes = kObjCaseInsensitive;
    attributes.SecurityDescriptor = nullptr;
    attributes.SecurityQualityOfService = nullptr;

    HANDLE link = nullptr;
    if (disks.NtOpenSymbolicLinkObject(&link, kSymbolicLinkQuery, &attributes) != kStatusSuccess)
        return 0;

    // The system may fill the whole maximum without a terminator: keep the last
    // character of the caller's buffer for ours.
    unsigned maxChars = capacity / sizeof(wchar_t) - 1;
    if (maxChars > 0xFFFF / sizeof(wchar_t))
        maxChars = 0xFFFF / sizeof(wchar_t);
    UNICODE_STRING result;
    result.Length = 0;
    result.MaximumLength = static_cast<USHORT>(maxChars * sizeof(wchar_t));
    result.Buffer = target;
    ULONG returned = 0;
    if (disks.NtQuerySymbolicLinkObject(link, &result, &returned) != kStatusSuccess) {
        disks.NtClose(link);
        return 0;
    }
    size_t chars = result.Length / sizeof(wchar_t);
    if (chars > maxChars)
        chars = maxChars;
    target[chars] = L'\0';
    disks.NtClose(link);
    return 1;
}

bool GetPartitionLetter(int disk, int partition, wchar_t& letter)
{
    letter = 0;
    wchar_t name[64];
    std::swprintf(name, 64, L"\\Device\\Harddisk%d\\Partition%d", disk, partition);
    std::vector<wchar_t> linkTarget(1024, L'\0');
    if (!QueryDosSymbolicLink(name, linkTarget.data(), 1024))
        return false;

    DiskSystem& disks = GetDiskSystem();
    wchar_t drives[105] = {};
    DWORD length = disks.GetLogicalDriveStringsW(105, drives);
    if (length == 0 || length >= 105)
        return false;

    std::vector<wchar_t> dosTarget(1024);
    for (const wchar_t* entry = drives; *entry; entry += std::wcslen(entry) + 1) {
        if (!entry[0] || !entry[1])
            continue;
        wchar_t device[3] = {entry[0], entry[1], L'\0'};
        std::fill(dosTarget.begin(), dosTarget.end(), L'\0');
        if (!disks.QueryDosDeviceW(device, dosTarget.data(), 1024))
            continue;
        dosTarget[1023] = L'\0';
        if (std::wcscmp(dosTarget.data(), linkTarget.data()) == 0) {
            letter = entry[0];
            return true;
        }
    }
    return false;
}
