#pragma once
// Reads one folder's entries for the engine's tree walks and tells a listing that was read
// to its end from one that broke off: a damaged disc answers part of a folder, or none of
// it, and that must not pass for a complete (or empty) folder.
#include "engine/Handles.h"

#include <windows.h>

#include <string>

using FindFirstFunction = HANDLE(WINAPI*)(LPCWSTR pattern, LPWIN32_FIND_DATAW entry);
using FindNextFunction = BOOL(WINAPI*)(HANDLE find, LPWIN32_FIND_DATAW entry);

class FolderListing {
public:
    // Starts listing folder + "*.*" (every entry, hidden and system ones too).
    explicit FolderListing(const std::wstring& folder);

    // Moves to the next entry other than "." and ".."; false at the end or on a failure.
    bool Next();
    const WIN32_FIND_DATAW& Entry() const { return m_entry; }

    // After Next has answered false: 0 when the listing was read to its end (an empty
    // folder included), else the system error that broke it off.
    unsigned long Error() const { return m_error; }
    // The folder as listed, ending in a backslash.
    const std::wstring& Folder() const { return m_folder; }

    // Tests stand in for a failing medium; nulls restore FindFirstFileW and FindNextFileW.
    static void SetFindFunctions(FindFirstFunction first, FindNextFunction next);

private:
    std::wstring m_folder;
    UniqueFindHandle m_find;
    WIN32_FIND_DATAW m_entry = {};
    bool m_pending = false;
    unsigned long m_error = 0;
};

// The trace line for a folder that could not be listed:
// "<origin> cannot list <folder>: system error <code>: <the system's text>".
std::wstring ListingFailureText(const std::wstring& origin, const std::wstring& folder, unsigned long error);
