#pragma once
// A seam that passes every call to another seam. Tests derive from it and override only
// the calls they change: a refused open, a cut answer, a disc folder with a label.
#include "engine/DiskSystem.h"

namespace testing_support {

class ForwardingDiskSystem : public DiskSystem {
public:
    explicit ForwardingDiskSystem(DiskSystem& inner) : m_inner(inner) {}

    HANDLE CreateFileW(const wchar_t* name, DWORD access, DWORD share, DWORD disposition,
                       DWORD flags) override
    {
        return m_inner.CreateFileW(name, access, share, disposition, flags);
    }
    BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned) override
    {
        return m_inner.DeviceIoControl(device, code, in, inSize, out, outSize, returned);
    }
    BOOL CloseHandle(HANDLE handle) override { return m_inner.CloseHandle(handle); }
    UINT GetDriveTypeW(const wchar_t* root) override { return m_inner.GetDriveTypeW(root); }
    DWORD GetLogicalDrives() override { return m_inner.GetLogicalDrives(); }
    DWORD GetLogicalDriveStringsW(DWORD length, wchar_t* buffer) override
    {
        return m_inner.GetLogicalDriveStringsW(length, buffer);
    }
    BOOL GetDiskFreeSpaceExW(const wchar_t* path, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total,
                             ULARGE_INTEGER* totalFree) override
    {
        return m_inner.GetDiskFreeSpaceExW(path, freeToCaller, total, totalFree);
    }
    BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize, DWORD* serial,
                               DWORD* maxComponent, DWORD* fsFlags, wchar_t* fsName,
                               DWORD fsNameSize) override
    {
        return m_inner.GetVolumeInformationW(root, volumeName, volumeNameSize, serial, maxComponent, fsFlags,
                                             fsName, fsNameSize);
    }
    BOOL GetVolumeInformationByHandleW(HANDLE volume, wchar_t* volumeName, DWORD volumeNameSize,
                                       DWORD* serial, DWORD* maxComponent, DWORD* fsFlags, wchar_t* fsName,
                                       DWORD fsNameSize) override
    {
        return m_inner.GetVolumeInformationByHandleW(volume, volumeName, volumeNameSize, serial, maxComponent,
                                                     fsFlags, fsName, fsNameSize);
    }
    BOOL SetVolumeLabelW(const wchar_t* root, const wchar_t* label) override
    {
        return m_inner.SetVolumeLabelW(root, label);
    }
    DWORD QueryDosDeviceW(const wchar_t* name, wchar_t* target, DWORD max) override
    {
        return m_inner.QueryDosDeviceW(name, target, max);
    }
    BOOL DefineDosDeviceW(DWORD flags, const wchar_t* name, const wchar_t* target) override
    {
        return m_inner.DefineDosDeviceW(flags, name, target);
    }
    NTSTATUS NtOpenSymbolicLinkObject(HANDLE* link, ACCESS_MASK access,
                                      OBJECT_ATTRIBUTES* attributes) override
    {
        return m_inner.NtOpenSymbolicLinkObject(link, access, attributes);
    }
    NTSTATUS NtQuerySymbolicLinkObject(HANDLE link, UNICODE_STRING* target, ULONG* returnedLength) override
    {
        return m_inner.NtQuerySymbolicLinkObject(link, target, returnedLength);
    }
    NTSTATUS NtClose(HANDLE handle) override { return m_inner.NtClose(handle); }

private:
    DiskSystem& m_inner;
};

} // namespace testing_support
