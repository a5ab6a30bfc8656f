// The tests' build of the co-installer starts the program named by SKRCOINX_TEST_MSIEXEC
// (the stand-in, or something broken) and the system's msiexec.exe otherwise. The package
// check tells this build from the shipped one by that variable's name in the DLL.
#include "MsiexecPath.h"

#include <windows.h>
#include <strsafe.h>

namespace skrcoinx {

bool MsiexecPath(char* path, size_t size)
{
    DWORD length = GetEnvironmentVariableA("SKRCOINX_TEST_MSIEXEC", path, static_cast<DWORD>(size));
    if (length > 0 && length < size)
        return true;
    UINT system = GetSystemDirectoryA(path, static_cast<UINT>(size));
    return system > 0 && system < size && SUCCEEDED(StringCchCatA(path, size, "\\msiexec.exe"));
}

} // namespace skrcoinx
