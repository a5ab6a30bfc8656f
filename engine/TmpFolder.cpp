// Where a job stages its files: under the working folder when the system drive has
// room, else in a numbered folder at the root of the first drive with room.
#include "engine/FileUtil.h"

#include "engine/DiskSystem.h"
#include "engine/TraceLog.h"
#include "engine/VolumeQuery.h"

#include <windows.h>

namespace {

bool HasRoom(const std::wstring& root, int needMB, const std::wstring& targetRoot)
{
    double need = static_cast<double>(needMB);
    if (IsSameTextNoCase(root, targetRoot))
        need *= 2;
    return GetDiskFreeMB(root) > need;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

std::wstring MakeToolTmpFolder(int needMB, const std::wstring& targetRoot)
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    if (system[0] == L'\0')
        return std::wstring();
    std::wstring root = std::wstring(system).substr(0, 3);
    if (!HasRoom(root, needMB, targetRoot))
        return root;

    std::string working = GetWorkingFolder();
    if (working.empty())
        return root;
    std::wstring folder = AStringToWString(working) + L"TervoToolTmp\\";
    // Files copied from a disc keep their read-only mark, which can stop the shell's delete.
    if (!DeleteFolder(folder))
        EmptyFolder(folder);
    if (!Exists(folder))
        CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring SelectTmpFolder(int needMB, const std::wstring& targetPath)
{
    std::wstring targetRoot = targetPath.substr(0, 3);
    std::wstring folder = MakeToolTmpFolder(needMB, targetRoot);
    if (folder.size() > 3)
        return folder;

    std::wstring chosen;
    DWORD drives = GetDiskSystem().GetLogicalDrives();
    for (int bit = 0; bit < 26 && chosen.empty(); ++bit) {
        if (!(drives & (1u << bit)))
            continue;
        wchar_t root[8];
        swprintf(root, 8, L"%c:\\", static_cast<wchar_t>(L'A' + bit));
        if (IsRemovableOrFixed(root) && HasRoom(root, needMB, targetRoot))
            chosen = root;
    }
    if (chosen.empty())
        return std::wstring();

    for (unsigned n = 0;; ++n) {
        std::wstring candidate = chosen + L"TervoToolTmp" + std::to_wstring(n) + L"\\";
        if (!Exists(candidate)) {
            CreateDirectoryW(candidate.c_str(), nullptr);
            return candidate;
        }
    }
}
