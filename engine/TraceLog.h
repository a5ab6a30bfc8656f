#pragma once
// Working folder, trace log and the small text helpers every engine part shares.
#include "engine/AppPaths.h"

#include <string>

// Appends one time-stamped line to "XHCItrace.log" in the working folder.
// The message is plain text (never a format) and is cut to 1023 characters.
void TraceLog(const std::wstring& message);

std::string IntToAString(int value);
std::wstring IntToWString(int value);
std::string WStringToAString(const std::wstring& text);
std::wstring AStringToWString(const std::string& text);
std::wstring ToLowerWString(const std::wstring& text);
std::string AddTrailingBackslash(const std::string& text);

// The line that follows a failure's own trace line: the system's error code and message
// ("  system error 5: Access is denied."), or a tool's exit code.
std::wstring SystemErrorText(unsigned long code);
void TraceSystemError(unsigned long code);
void TraceExitCode(unsigned long code);

// The next line finds the working folder afresh (for when it has moved).
void ForgetTracePath();
