// Loads skrcoinx.dll from beside itself, calls CoDeviceInstall for the
// post-processing pass of DIF_INSTALLDEVICE and exits with its result
// (or 0x7FFFxxxx when the DLL cannot be reached).
#include <windows.h>
#include <setupapi.h>

using CoDeviceInstallProc = DWORD(CALLBACK*)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA,
                                             PCOINSTALLER_CONTEXT_DATA);

int main()
{
    HMODULE dll = LoadLibraryA("skrcoinx.dll");
    if (!dll)
        return 0x7FFF0001;
    auto entry = reinterpret_cast<CoDeviceInstallProc>(
        reinterpret_cast<void*>(GetProcAddress(dll, "CoDeviceInstall")));
    if (!entry)
        return 0x7FFF0002;
    COINSTALLER_CONTEXT_DATA context = {};
    context.PostProcessing = TRUE;
    DWORD result = entry(DIF_INSTALLDEVICE, INVALID_HANDLE_VALUE, nullptr, &context);
    FreeLibrary(dll);
    return static_cast<int>(result);
}
