#pragma once
// The rules of the source and target pages, apart from the form: list item texts, the
// capacity read back from a USB item, the size tests and the folder browser.
#include "forms/SysUtils.h"

#include <windows.h>
#include <shlobj.h>

// Room a job needs beside the source's own size, in MB.
constexpr int kJobExtraMB = 500;

// "D:\ ( LABEL ) ", or the root alone without a label.
String DvdItemText(const String& root, const String& label);
// "E:\ (Capacity 7634 MB )" with the looked-up word, or the root alone for size 0.
String UsbItemText(const String& root, long long sizeMB);
// The MB number inside a USB item built with `capacityWord`; 0 when the item has none.
// A number part that is not a decimal integer raises the library's EConvertError.
int ParseUsbCapacity(const String& text, const String& capacityWord);

// Page 1: a stick at least as large as the need.
bool UsbLargeEnough(long long usbMB, int sourceMB);
// Page 4: a folder whose drive has strictly more free than the need.
bool FolderHasRoom(long long freeMB, int sourceMB);

// One measuring pass: the size in whole MB of everything below a ready volume, else 0.
int MeasureSourceMB(const String& path);

// The folder browser's shell calls, behind a seam so tests can answer them and see that
// every item list the shell hands out is freed.
class ShellFolderBrowser {
public:
    virtual ~ShellFolderBrowser() = default;
    virtual PIDLIST_ABSOLUTE Browse(BROWSEINFOW* info) = 0;
    virtual BOOL PathFromIDList(PCIDLIST_ABSOLUTE list, wchar_t* path) = 0;
    virtual void FreeIDList(PIDLIST_ABSOLUTE list) = 0;
};
// The seam in force; null restores the shell's own.
ShellFolderBrowser& GetShellFolderBrowser();
void SetShellFolderBrowser(ShellFolderBrowser* browser);

// The chosen file-system folder with one trailing backslash, or empty when cancelled.
String BrowseForFolderWith(HWND owner, const String& title);
