#pragma once
// Reads back the engine's trace log: its lines without their time stamps.
#include <string>
#include <vector>

namespace testing_support {

// The whole of "XHCItrace.log" in the given working folder (ending in a backslash) as text,
// time stamps included, without its byte-order mark; empty when there is no log.
std::wstring TraceText(const std::wstring& workingFolder);

// The messages of "XHCItrace.log" in the given working folder (ending in a backslash),
// in order; empty when there is no log.
std::vector<std::wstring> TraceLines(const std::wstring& workingFolder);

// Index of the first line equal to the text at or after start; -1 when none.
int FindTraceLine(const std::vector<std::wstring>& lines, const std::wstring& text, size_t start = 0);

} // namespace testing_support
