#pragma once
// A scripted stand-in for the DiskSystem seam: physical disks, volumes, drive letters,
// DOS devices and native symbolic links, answered byte for byte as Windows answers them.
//
// Typical use:
//
//     FakeDiskSystem fake;
//     ScopedDiskSystem use(fake);                 // the engine now talks to the fake
//     FakeDisk usb;
//     usb.number = 1;
//     usb.busType = BusTypeUsb;
//     usb.removable = true;
//     usb.size = 8000ULL << 20;                    // geometry is derived from the size
//     usb.partitions.push_back(FakeDiskSystem::MbrPartition(1, 1 << 20, 7999ULL << 20, 0x0C));
//     fake.AddDisk(usb);
//     FakeVolume stick;
//     stick.letter = L'E';
//     stick.device = L"\\Device\\HarddiskVolume5";
//     stick.fileSystem = L"FAT32";
//     stick.driveType = DRIVE_REMOVABLE;
//     stick.extents = {FakeDiskSystem::Extent(1, 1 << 20, 7999ULL << 20)};
//     fake.AddVolume(stick);
//     fake.AddPartitionLink(1, 1, L"\\Device\\HarddiskVolume5");
//     ...
//     EXPECT_EQ(fake.OpenHandleCount(), 0u);
//     EXPECT_TRUE(fake.BadCloses().empty());
//
// What it models, and how it answers:
// - CreateFileW opens "\\.\PhysicalDriveN" (any case) as the disk numbered N, and as a volume
//   "\\.\X:" or "\\?\X:" (X: resolved through the DOS-device table, so "\\.\1:" works after
//   DefineDosDeviceW("1:", ...)) and "\\?\GLOBALROOT\Device\..." (the NT name itself). Every
//   other name fails: ERROR_PATH_NOT_FOUND for a bare NT path ("\Device\HarddiskVolume5" is a
//   path on the current drive to Windows), ERROR_FILE_NOT_FOUND otherwise. A disk with
//   openError, or a volume whose error is ERROR_ACCESS_DENIED, fails to open with that error.
// - DeviceIoControl checks the handle (ERROR_INVALID_HANDLE) and the access the control code
//   needs (ERROR_ACCESS_DENIED), then answers:
//     IOCTL_STORAGE_QUERY_PROPERTY (device property; standard and exists queries) with a
//       STORAGE_DEVICE_DESCRIPTOR of 40 bytes, copying only what fits (at least 8 bytes);
//     IOCTL_DISK_GET_DRIVE_GEOMETRY (24 bytes);
//     IOCTL_DISK_GET_DRIVE_GEOMETRY_EX: geometry, disk size, DISK_PARTITION_INFO (style at
//       offset 36) and a DISK_DETECTION_INFO of type none, copying what fits (at least 32);
//     IOCTL_DISK_GET_DRIVE_LAYOUT_EX: header and one 144-byte entry per partition (none on a
//       RAW disk), ERROR_INSUFFICIENT_BUFFER when they don't all fit (callers grow the buffer);
//     IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS (volumes): the count and the extents that fit;
//       ERROR_MORE_DATA when not all do. Zero extents succeed with a count of 0, as Wine does.
//   Storage and geometry queries on a volume are passed to the disk of its only extent.
//   A volume in an error state fails every control with its error. Anything else:
//   ERROR_INVALID_FUNCTION.
// - GetDriveTypeW: the volume's type for "X:\"; for "\\.\PHYSICALDRIVEN\" the disk's driveType
//   (removable disks DRIVE_REMOVABLE, others DRIVE_FIXED by default); DRIVE_NO_ROOT_DIR else.
// - GetVolumeInformationW wants a root "X:\" (ERROR_DIR_NOT_ROOT for a folder on a known
//   drive); buffers too small fail with ERROR_BAD_LENGTH. GetDiskFreeSpaceExW takes any path
//   on the drive. Volumes with an error fail both with it.
// - QueryDosDeviceW answers a multi-string (newest definition first) and the character count
//   written, ERROR_INSUFFICIENT_BUFFER when it doesn't fit, ERROR_FILE_NOT_FOUND for an
//   unknown name; a null name lists every DOS-device name. DefineDosDeviceW pushes or removes
//   definitions and records each call (Definitions()). Without DDD_RAW_TARGET_PATH the target
//   is stored as "\??\" + target, as Windows does.
// - NtOpenSymbolicLinkObject wants OBJECT_ATTRIBUTES.Length == sizeof(OBJECT_ATTRIBUTES)
//   (STATUS_INVALID_PARAMETER otherwise), no root directory and an absolute name; the name is
//   compared without case only with OBJ_CASE_INSENSITIVE. NtQuerySymbolicLinkObject needs
//   SYMBOLIC_LINK_QUERY access, copies the target only when it fits the string's MaximumLength
//   (STATUS_BUFFER_TOO_SMALL otherwise), never writes a terminator, sets Length, and reports
//   the target's length plus one character through returnedLength, as Windows does.
// - Every handle handed out is tracked. CloseHandle and NtClose close any of them (as on
//   Windows); closing an unknown or closed handle fails (ERROR_INVALID_HANDLE or
//   STATUS_INVALID_HANDLE) and is recorded in BadCloses().
// Failures set the thread's last error as Windows does. Thread-safe.
#include "engine/DiskSystem.h"

#include <windows.h>
#include <winioctl.h>
#include <winternl.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace testing_support {

struct FakeDisk {
    int number = 0;
    STORAGE_BUS_TYPE busType = BusTypeSata;
    bool removable = false;
    // Bytes. Zero means cylinders x tracks x sectors x bytes per sector of the geometry.
    unsigned long long size = 0;
    // All zero means derived from the size: 255 tracks per cylinder, 63 sectors per track,
    // 512 bytes per sector, whole cylinders (rounded down), fixed or removable media.
    DISK_GEOMETRY geometry = {};
    PARTITION_STYLE style = PARTITION_STYLE_MBR;
    DWORD signature = 0; // MBR disk signature
    GUID diskId = {};    // GPT disk GUID
    // Layout entries exactly as the layout query returns them (an MBR layout usually holds a
    // multiple of four, empty slots with partition type 0).
    std::vector<PARTITION_INFORMATION_EX> partitions;
    // What GetDriveTypeW answers for "\\.\PHYSICALDRIVEN\"; 0 means by the removable flag.
    UINT driveType = 0;
    // Nonzero: CreateFileW of this disk fails with this error.
    DWORD openError = 0;
};

struct FakeVolume {
    wchar_t letter = 0;  // drive letter, or 0 for a volume without one
    std::wstring device; // NT device name, "\Device\HarddiskVolume5"
    UINT driveType = DRIVE_FIXED;
    std::wstring fileSystem = L"NTFS";
    std::wstring label;
    DWORD serial = 0x12345678;
    DWORD fileSystemFlags = FILE_CASE_SENSITIVE_SEARCH | FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK;
    unsigned long long totalBytes = 0;
    unsigned long long freeBytes = 0;         // free on the volume
    unsigned long long freeToCallerBytes = 0; // free to the caller (quotas)
    std::vector<DISK_EXTENT> extents;
    // Nonzero: the volume answers this error, e.g. ERROR_NOT_READY (drive without a medium;
    // it still opens) or ERROR_ACCESS_DENIED (it does not even open).
    DWORD error = 0;
};

// One CreateFileW call, whether it succeeded or not.
struct FakeOpen {
    std::wstring name;
    DWORD access;
    DWORD share;
    DWORD disposition;
    DWORD flags;
    bool succeeded;
};

// One DefineDosDeviceW call, whether it succeeded or not.
struct FakeDosDefinition {
    DWORD flags;
    std::wstring name;
    std::wstring target; // as given (empty for a null target)
    bool succeeded;
};

class FakeDiskSystem : public DiskSystem {
public:
    FakeDiskSystem();
    ~FakeDiskSystem() override;
    FakeDiskSystem(const FakeDiskSystem&) = delete;
    FakeDiskSystem& operator=(const FakeDiskSystem&) = delete;

    // ---- Building the machine ----
    // Adds or replaces the disk with that number.
    void AddDisk(const FakeDisk& disk);
    void RemoveDisk(int number);
    // Adds or replaces a volume (matched by device name). A volume with a letter becomes a
    // logical drive, and the DOS device "X:" points at its device name.
    void AddVolume(const FakeVolume& volume);
    // Removes the volume, its letter and its DOS device.
    void RemoveVolume(const std::wstring& device);
    // A native symbolic link, name -> target; names are kept as given.
    void AddLink(const std::wstring& name, const std::wstring& target);
    // "\Device\Harddisk<disk>\Partition<partition>" -> target.
    void AddPartitionLink(int disk, int partition, const std::wstring& target);
    void RemoveLink(const std::wstring& name);
    // A DOS-device definition not tied to a volume (pushed in front, like DefineDosDeviceW).
    void AddDosDevice(const std::wstring& name, const std::wstring& target);

    // ---- Building blocks ----
    static PARTITION_INFORMATION_EX MbrPartition(DWORD number, unsigned long long offset,
                                                 unsigned long long length, BYTE type, bool boot = false);
    // An unused MBR slot (type 0, number 0).
    static PARTITION_INFORMATION_EX EmptyMbrSlot();
    static PARTITION_INFORMATION_EX GptPartition(DWORD number, unsigned long long offset,
                                                 unsigned long long length, const GUID& type,
                                                 const wchar_t* name = L"");
    static DISK_EXTENT Extent(DWORD disk, unsigned long long offset, unsigned long long length);

    // ---- Inspecting ----
    // The volume as it is now (its label after SetVolumeLabelW); null when absent.
    const FakeVolume* Volume(wchar_t letter) const;
    size_t OpenHandleCount() const;
    // Names of the objects still open (for failure messages).
    std::vector<std::wstring> OpenHandleNames() const;
    // Handles closed that were not open (closed twice, never given out).
    std::vector<HANDLE> BadCloses() const;
    std::vector<FakeOpen> Opens() const;
    std::vector<FakeDosDefinition> Definitions() const;
    // Every control code sent, in order.
    std::vector<DWORD> Controls() const;
    void ClearRecords();

    // ---- DiskSystem ----
    HANDLE CreateFileW(const wchar_t* name, DWORD access, DWORD share, DWORD disposition,
                       DWORD flags) override;
    BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned) override;
    BOOL CloseHandle(HANDLE handle) override;
    UINT GetDriveTypeW(const wchar_t* root) override;
    DWORD GetLogicalDrives() override;
    DWORD GetLogicalDriveStringsW(DWORD length, wchar_t* buffer) override;
    BOOL GetDiskFreeSpaceExW(const wchar_t* path, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total,
                             ULARGE_INTEGER* totalFree) override;
    BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize, DWORD* serial,
                               DWORD* maxComponent, DWORD* fsFlags, wchar_t* fsName,
                               DWORD fsNameSize) override;
    BOOL GetVolumeInformationByHandleW(HANDLE volume, wchar_t* volumeName, DWORD volumeNameSize,
                                       DWORD* serial, DWORD* maxComponent, DWORD* fsFlags, wchar_t* fsName,
                                       DWORD fsNameSize) override;
    BOOL SetVolumeLabelW(const wchar_t* root, const wchar_t* label) override;
    DWORD QueryDosDeviceW(const wchar_t* name, wchar_t* target, DWORD max) override;
    BOOL DefineDosDeviceW(DWORD flags, const wchar_t* name, const wchar_t* target) override;
    NTSTATUS NtOpenSymbolicLinkObject(HANDLE* link, ACCESS_MASK access,
                                      OBJECT_ATTRIBUTES* attributes) override;
    NTSTATUS NtQuerySymbolicLinkObject(HANDLE link, UNICODE_STRING* target, ULONG* returnedLength) override;
    NTSTATUS NtClose(HANDLE handle) override;

private:
    enum class Kind { Disk, Volume, Link };
    struct OpenObject {
        Kind kind;
        int disk;            // Disk
        std::wstring device; // Volume: NT device name
        std::wstring link;   // Link: name as stored
        DWORD access;
        std::wstring openedAs;
    };

    FakeDisk* FindDisk(int number);
    FakeVolume* FindVolumeByDevice(const std::wstring& device);
    FakeVolume* FindVolumeByLetter(wchar_t letter);
    const std::wstring* DosTarget(const std::wstring& name) const;
    HANDLE NewHandle(const OpenObject& object);
    bool Close(HANDLE handle);
    FakeVolume* RootVolume(const wchar_t* root, DWORD& error, bool mustBeRoot);
    BOOL DiskControl(FakeDisk& disk, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                     DWORD* returned);
    BOOL VolumeControl(FakeVolume& volume, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                       DWORD* returned);
    BOOL VolumeInformation(const FakeVolume& volume, wchar_t* volumeName, DWORD volumeNameSize, DWORD* serial,
                           DWORD* maxComponent, DWORD* fsFlags, wchar_t* fsName, DWORD fsNameSize);

    mutable std::recursive_mutex m_lock;
    std::map<int, FakeDisk> m_disks;
    std::vector<FakeVolume> m_volumes;
    std::vector<std::pair<std::wstring, std::wstring>> m_links;
    // DOS-device name (upper case) -> targets, newest first.
    std::map<std::wstring, std::vector<std::wstring>> m_dosDevices;
    std::map<HANDLE, OpenObject> m_open;
    std::vector<HANDLE> m_badCloses;
    std::vector<FakeOpen> m_opens;
    std::vector<FakeDosDefinition> m_definitions;
    std::vector<DWORD> m_controls;
    ULONG_PTR m_nextHandle;
};

// Installs a seam for its lifetime, then puts back the one in force before.
class ScopedDiskSystem {
public:
    explicit ScopedDiskSystem(DiskSystem& system);
    ~ScopedDiskSystem();
    ScopedDiskSystem(const ScopedDiskSystem&) = delete;
    ScopedDiskSystem& operator=(const ScopedDiskSystem&) = delete;

private:
    DiskSystem* m_previous;
};

} // namespace testing_support
