#include "ui/Selection.h"

#include "engine/FileUtil.h"
#include "engine/MultiLang.h"
#include "engine/VolumeQuery.h"

String DvdItemText(const String& root, const String& label)
{
    if (label.IsEmpty())
        return root;
    return root + L" ( " + label + L" ) ";
}

String UsbItemText(const String& root, long long sizeMB)
{
    if (sizeMB == 0)
        return root;
    return root + L" (" + String(TranslateStr(L"Capacity")) + L" " + IntToStr(sizeMB) + L" MB )";
}

int ParseUsbCapacity(const String& text, const String& capacityWord)
{
    const int L = capacityWord.Length();
    // 0-based positions, -1 when absent, as signed 32-bit values.
    const int p1 = capacityWord.IsEmpty() ? 0 : text.Pos(capacityWord) - 1;
    const int p2 = text.Pos(L"MB )") - 1;
    if (p2 - p1 <= L)
        return 0;
    return StrToInt(text.SubString(p1 + L + 1, p2 - p1 - L).Trim());
}

bool UsbLargeEnough(long long usbMB, int sourceMB)
{
    return usbMB >= static_cast<long long>(sourceMB) + kJobExtraMB;
}

bool FolderHasRoom(long long freeMB, int sourceMB)
{
    return static_cast<long long>(sourceMB) + kJobExtraMB < freeMB;
}

int MeasureSourceMB(const String& path)
{
    if (path.IsEmpty() || !IsVolumeReady(path))
        return 0;
    return static_cast<int>(GetFolderSize(path, true) / 1048576ull);
}

namespace {

class RealShellBrowser : public ShellFolderBrowser {
public:
    PIDLIST_ABSOLUTE Browse(BROWSEINFOW* info) override { return SHBrowseForFolderW(info); }
    BOOL PathFromIDList(PCIDLIST_ABSOLUTE list, wchar_t* path) override
    {
        return SHGetPathFromIDListW(list, path);
    }
    void FreeIDList(PIDLIST_ABSOLUTE list) override { CoTaskMemFree(list); }
};

RealShellBrowser g_realBrowser;
ShellFolderBrowser* g_browser = &g_realBrowser;

} // namespace

ShellFolderBrowser& GetShellFolderBrowser() { return *g_browser; }
void SetShellFolderBrowser(ShellFolderBrowser* browser) { g_browser = browser ? browser : &g_realBrowser; }

String BrowseForFolderWith(HWND owner, const String& title)
{
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = display;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    ShellFolderBrowser& shell = GetShellFolderBrowser();
    PIDLIST_ABSOLUTE list = shell.Browse(&info);
    if (!list)
        return String();
    wchar_t path[MAX_PATH] = {};
    BOOL ok = shell.PathFromIDList(list, path);
    shell.FreeIDList(list);
    path[MAX_PATH - 1] = L'\0';
    String folder(ok ? path : L"");
    if (folder.IsEmpty())
        return folder;
    if (folder[folder.size() - 1] != L'\\')
        folder += L'\\';
    return folder;
}
