#pragma once
// The Windows Installer program the co-installer starts.
#include <cstddef>

namespace skrcoinx {

// Writes the full path of msiexec.exe into `path` (`size` characters). The DLL runs inside
// an elevated installation host, so the program is never looked for by its bare name (the
// host's folder and the current folder come before the system's). False when the path
// can't be made; the last error then tells why.
bool MsiexecPath(char* path, size_t size);

} // namespace skrcoinx
