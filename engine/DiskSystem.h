#pragma once
// The one seam between the engine and the Windows disk and volume calls that Wine
// answers unlike Windows. The program uses the real Win32 implementation; tests
// install a fake that models disks and volumes.
#include <windows.h>
#include <winternl.h>

class DiskSystem {
public:
    virtual ~DiskSystem() = default;

    // Files and devices ("\\.\E:", "\\?\E:", "\\.\PhysicalDrive1", volume paths).
    virtual HANDLE CreateFileW(const wchar_t* name, DWORD access, DWORD share, DWORD disposition,
                               DWORD flags) = 0;
    virtual BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                                 DWORD* returned) = 0;
    virtual BOOL CloseHandle(HANDLE handle) = 0;

    // Drives and volumes.
    virtual UINT GetDriveTypeW(const wchar_t* root) = 0;
    virtual DWORD GetLogicalDrives() = 0;
    virtual DWORD GetLogicalDriveStringsW(DWORD length, wchar_t* buffer) = 0;
    virtual BOOL GetDiskFreeSpaceExW(const wchar_t* path, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total,
                                     ULARGE_INTEGER* totalFree) = 0;
    virtual BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                                       DWORD* serial, DWORD* maxComponent, DWORD* fsFlags, wchar_t* fsName,
                                       DWORD fsNameSize) = 0;
    virtual BOOL GetVolumeInformationByHandleW(HANDLE volume, wchar_t* volumeName, DWORD volumeNameSize,
                                               DWORD* serial, DWORD* maxComponent, DWORD* fsFlags,
                                               wchar_t* fsName, DWORD fsNameSize) = 0;
    virtual BOOL SetVolumeLabelW(const wchar_t* root, const wchar_t* label) = 0;

    // DOS devices.
    virtual DWORD QueryDosDeviceW(const wchar_t* name, wchar_t* target, DWORD max) = 0;
    virtual BOOL DefineDosDeviceW(DWORD flags, const wchar_t* name, const wchar_t* target) = 0;

    // Native symbolic links in the object namespace. The real implementation loads
    // "ntdll.dll" once and looks each function up by name on every call; a missing
    // function answers STATUS_PROCEDURE_NOT_FOUND.
    virtual NTSTATUS NtOpenSymbolicLinkObject(HANDLE* link, ACCESS_MASK access,
                                              OBJECT_ATTRIBUTES* attributes) = 0;
    virtual NTSTATUS NtQuerySymbolicLinkObject(HANDLE link, UNICODE_STRING* target,
                                               ULONG* returnedLength) = 0;
    virtual NTSTATUS NtClose(HANDLE handle) = 0;
};

// The seam in force: the real one unless a test installed another.
DiskSystem& GetDiskSystem();
// Installs a replacement (not owned); null restores the real implementation.
void SetDiskSystem(DiskSystem* system);
// The real Win32 implementation, for tests that check it against Wine itself.
DiskSystem& GetRealDiskSystem();
