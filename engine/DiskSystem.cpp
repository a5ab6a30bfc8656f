#include "engine/DiskSystem.h"

#include <atomic>

namespace {

class RealDiskSystem : public DiskSystem {
public:
    HANDLE CreateFileW(const wchar_t* name, DWORD access, DWORD share, DWORD disposition,
                       DWORD flags) override
    {
        return ::CreateFileW(name, access, share, nullptr, disposition, flags, nullptr);
    }
    BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned) override
    {
        DWORD dummy = 0;
        return ::DeviceIoControl(device, code, in, inSize, out, outSize, returned ? returned : &dummy,
                                 nullptr);
    }
    BOOL CloseHandle(HANDLE handle) override { return ::CloseHandle(handle); }

    UINT GetDriveTypeW(const wchar_t* root) override { return ::GetDriveTypeW(root); }
    DWORD GetLogicalDrives() override { return ::GetLogicalDrives(); }
    DWORD GetLogicalDriveStringsW(DWORD length, wchar_t* buffer) override
    {
        return ::GetLogicalDriveStringsW(length, buffer);
    }
    BOOL GetDiskFreeSpaceExW(const wchar_t* path, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* total,
                             ULARGE_INTEGER* totalFree) override
    {
        return ::GetDiskFreeSpaceExW(path, freeToCaller, total, totalFree);
    }
    BOOL GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize, DWORD* serial,
                               DWORD* maxComponent, DWORD* fsFlags, wchar_t* fsName,
                               DWORD fsNameSize) override
    {
        return ::GetVolumeInformationW(root, volumeName, volumeNameSize, serial, maxComponent, fsFlags,
                                       fsName, fsNameSize);
    }
    BOOL GetVolumeInformationByHandleW(HANDLE volume, wchar_t* volumeName, DWORD volumeNameSize,
                                       DWORD* serial, DWORD* maxComponent, DWORD* fsFlags, wchar_t* fsName,
                                       DWORD fsNameSize) override
    {
        return ::GetVolumeInformationByHandleW(volume, volumeName, volumeNameSize, serial, maxComponent,
                                               fsFlags, fsName, fsNameSize);
    }
    BOOL SetVolumeLabelW(const wchar_t* root, const wchar_t* label) override
    {
        return ::SetVolumeLabelW(root, label);
    }
    DWORD QueryDosDeviceW(const wchar_t* name, wchar_t* target, DWORD max) override
    {
        return ::QueryDosDeviceW(name, target, max);
    }
    BOOL DefineDosDeviceW(DWORD flags, const wchar_t* name, const wchar_t* target) override
    {
        return ::DefineDosDeviceW(flags, name, target);
    }

    NTSTATUS NtOpenSymbolicLinkObject(HANDLE* link, ACCESS_MASK access,
                                      OBJECT_ATTRIBUTES* attributes) override
    {
        using Fn = NTSTATUS(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*);
        auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(Lookup("NtOpenSymbolicLinkObject")));
        return fn ? fn(link, access, attributes) : kProcedureNotFound;
    }
    NTSTATUS NtQuerySymbolicLinkObject(HANDLE link, UNICODE_STRING* target, ULONG* returnedLength) override
    {
        using Fn = NTSTATUS(NTAPI*)(HANDLE, UNICODE_STRING*, ULONG*);
        auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(Lookup("NtQuerySymbolicLinkObject")));
        return fn ? fn(link, target, returnedLength) : kProcedureNotFound;
    }
    NTSTATUS NtClose(HANDLE handle) override
    {
        using Fn = NTSTATUS(NTAPI*)(HANDLE);
        auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(Lookup("NtClose")));
        return fn ? fn(handle) : kProcedureNotFound;
    }

private:
    static constexpr NTSTATUS kProcedureNotFound = static_cast<NTSTATUS>(0xC000007AL);

    // ntdll is loaded once and kept; a failed load is tried again next time.
    FARPROC Lookup(const char* name)
    {
        HMODULE ntdll = m_ntdll.load();
        if (!ntdll) {
            ntdll = ::LoadLibraryW(L"ntdll.dll");
            if (!ntdll)
                return nullptr;
            m_ntdll.store(ntdll);
        }
        return ::GetProcAddress(ntdll, name);
    }

    std::atomic<HMODULE> m_ntdll{nullptr};
};

RealDiskSystem g_real;
std::atomic<DiskSystem*> g_current{nullptr};

} // namespace

DiskSystem& GetDiskSystem()
{
    DiskSystem* current = g_current.load();
    return current ? *current : g_real;
}

void SetDiskSystem(DiskSystem* system) { g_current.store(system); }

DiskSystem& GetRealDiskSystem() { return g_real; }
