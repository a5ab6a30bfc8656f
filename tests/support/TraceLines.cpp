#include "support/TraceLines.h"

#include "support/TestSupport.h"

namespace testing_support {

std::wstring TraceText(const std::wstring& workingFolder)
{
    std::string bytes = ReadBytes(workingFolder + L"XHCItrace.log");
    size_t i = bytes.compare(0, 2, "\xFF\xFE", 2) == 0 ? 2 : 0;
    std::wstring text;
    for (; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

std::vector<std::wstring> TraceLines(const std::wstring& workingFolder)
{
    std::wstring text = TraceText(workingFolder);
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
        std::wstring line = text.substr(start, end - start);
        // "HH:MM:SS.mmm " precedes every message.
        lines.push_back(line.size() >= 13 ? line.substr(13) : std::wstring());
    }
    return lines;
}

int FindTraceLine(const std::vector<std::wstring>& lines, const std::wstring& text, size_t start)
{
    for (size_t i = start; i < lines.size(); ++i)
        if (lines[i] == text)
            return static_cast<int>(i);
    return -1;
}

} // namespace testing_support
