#pragma once
// Source-media probes, folder-tree operations and the choice of the temporary work
// folder. Stateless; every path is wide. None of them logs or raises: failures come
// back as false, 0 or an empty text.
#include <string>
#include <vector>

// Full path of a source's "sources\idwbinfo.txt": true when BuildArch is AMD64.
bool Is64bitMedia(const std::wstring& idwbinfoPath);
// Source root ending in "\": true when "sources\product.ini" names an embedded edition.
bool IsEmbeddedSku(const std::wstring& sourceRoot);

// Bytes of every file below the folder (hidden and system ones too). A folder that can't
// be listed counts as 0.
unsigned long long GetFolderSize(const std::wstring& folder, bool recursive);
// The first folder of a walk that could not be listed (other than an empty one) and the
// system error; error 0 when every folder was read to its end.
struct ListingFailure {
    std::wstring folder;
    unsigned long error = 0;
};
// As above, but a listing that fails ends the walk and is reported in `failure`.
unsigned long long GetFolderSize(const std::wstring& folder, bool recursive, ListingFailure& failure);
// Bytes of one file; 0 when it is missing or can't be opened.
unsigned long long GetFileSize64(const std::wstring& path);
// Clears the read-only attribute; always true.
bool ClearReadOnly(const std::wstring& path);

// Copies a folder's contents (or one file) into the target folder through the shell.
bool CopyFolder(const std::wstring& source, const std::wstring& target);
// Deletes a whole tree through the shell. Refuses an empty path and a drive root.
bool DeleteFolder(const std::wstring& folder);
// Removes a tree entry by entry, the fallback when DeleteFolder fails.
// Refuses an empty path and a drive root.
void EmptyFolder(const std::wstring& folder);
// Appends every file below the folder whose extension (with its dot) matches, any case.
void FindFilesByExt(std::vector<std::wstring>& files, const std::wstring& folder, const std::wstring& ext);

// Compares with the letters a-z folded to upper case; used for drive roots.
bool IsSameTextNoCase(const std::wstring& a, const std::wstring& b);

// The working folder's "TervoToolTmp\" when the system drive has room (emptied first),
// else the system drive's root ("C:\"), or the empty text without a system folder.
std::wstring MakeToolTmpFolder(int needMB, const std::wstring& targetRoot);
// The job's temporary work folder ending in "\", or the empty text when no drive has room.
// A drive that is also the target's needs twice the room.
std::wstring SelectTmpFolder(int needMB, const std::wstring& targetPath);
