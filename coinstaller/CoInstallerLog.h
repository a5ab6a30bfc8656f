#pragma once
// The co-installer's plain-text log, "NorvikSKRCoin.log".
#include <windows.h>

#include <cstdio>

namespace skrcoinx {

// Sets up the log path (once per load of the DLL) and writes the header line.
void InitLog();

// Formats one line in the manner of printf and appends it with a line end.
// Always called with a literal format: messages travel as "%s" arguments.
void LogMessage(const char* format, ...) __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)));

} // namespace skrcoinx
