// The shipped DLL's answer: msiexec.exe of the system folder, nothing else. The tests'
// build of the DLL links a resolver of its own in place of this file.
#include "MsiexecPath.h"

#include <windows.h>
#include <strsafe.h>

namespace skrcoinx {

bool MsiexecPath(char* path, size_t size)
{
    UINT length = GetSystemDirectoryA(path, static_cast<UINT>(size));
    if (length == 0 || length >= size)
        return false;
    if (FAILED(StringCchCatA(path, size, "\\msiexec.exe"))) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return false;
    }
    return true;
}

} // namespace skrcoinx
