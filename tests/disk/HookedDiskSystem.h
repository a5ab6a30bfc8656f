#pragma once
// Passes every seam call to another seam (the disk fake), letting a test refuse some
// opens or cut some answers short: what a real driver does and the fake does not.
#include "support/ForwardingDiskSystem.h"

#include <functional>
#include <string>

namespace disktest {

class HookedDiskSystem : public testing_support::ForwardingDiskSystem {
public:
    using ForwardingDiskSystem::ForwardingDiskSystem;

    // True refuses the open with ERROR_FILE_NOT_FOUND.
    std::function<bool(const std::wstring& name)> refuseOpen;
    // May change an answer after the inner seam gave it.
    std::function<void(DWORD code, BOOL& result, DWORD* returned)> afterControl;

    HANDLE CreateFileW(const wchar_t* name, DWORD access, DWORD share, DWORD disposition,
                       DWORD flags) override
    {
        if (refuseOpen && refuseOpen(name)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        return ForwardingDiskSystem::CreateFileW(name, access, share, disposition, flags);
    }
    BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned) override
    {
        BOOL result = ForwardingDiskSystem::DeviceIoControl(device, code, in, inSize, out, outSize, returned);
        if (afterControl)
            afterControl(code, result, returned);
        return result;
    }
};

} // namespace disktest
