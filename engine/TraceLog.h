#pragma once
// Working folder, trace log and the small text helpers every engine part shares.
#include <string>

// The all-users application-data folder + "Tervo\BrindleWinSln\", created on demand.
// Empty when the special folder can't be obtained.
std::string GetWorkingFolder();

// Appends one time-stamped line to "XHCItrace.log" in the working folder.
// The message is plain text (never a format) and is cut to 1023 characters.
void TraceLog(const std::wstring& message);

std::string IntToAString(int value);
std::wstring IntToWString(int value);
std::string WStringToAString(const std::wstring& text);
std::wstring AStringToWString(const std::string& text);
std::wstring ToLowerWString(const std::wstring& text);
std::string AddTrailingBackslash(const std::string& text);

// Lets tests (and only tests) move the working folder somewhere private.
// An empty text restores the real one. Resets the trace path.
void SetWorkingFolderOverride(const std::string& folder);
