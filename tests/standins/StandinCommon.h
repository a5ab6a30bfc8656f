#pragma once
// Small helpers the stand-in programs and the test support that reads their records share.
// Header only: the stand-ins are programs of their own and link nothing of the tests.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace standin {

inline std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

inline std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

// The variable's value; empty when it is unset or longer than the buffer.
inline std::wstring Env(const wchar_t* name)
{
    wchar_t value[4096];
    DWORD n = GetEnvironmentVariableW(name, value, 4096);
    return n > 0 && n < 4096 ? std::wstring(value, n) : std::wstring();
}

// Appends the whole file to `bytes`; false when it cannot be opened.
inline bool ReadFileBytes(const std::wstring& path, std::string& bytes)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return false;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, n);
    std::fclose(file);
    return true;
}

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes, bool append = false)
{
    FILE* file = _wfopen(path.c_str(), append ? L"ab" : L"wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// Every field between separators, empty ones included.
inline std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// The lines, LF or CR LF ended; an empty line between others counts.
inline std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// One mount of the DISM stand-in's table "mounts.txt": a line of six fields joined by tabs.
struct MountRow {
    std::wstring path; // full path, no trailing backslash
    std::wstring image;
    unsigned index = 0;
    unsigned mode = 0;      // DismReadWrite or DismReadOnly
    unsigned status = 0;    // DismMountStatus; 2 marks an invalid mount
    unsigned committed = 0; // lines of the change list already written to the image
};

inline std::vector<MountRow> ParseMountTable(const std::string& text)
{
    std::vector<MountRow> rows;
    for (const auto& line : SplitLines(text)) {
        auto f = Split(line, '\t');
        if (f.size() < 6)
            continue;
        MountRow m;
        m.path = FromUtf8(f[0]);
        m.image = FromUtf8(f[1]);
        m.index = std::strtoul(f[2].c_str(), nullptr, 10);
        m.mode = std::strtoul(f[3].c_str(), nullptr, 10);
        m.status = std::strtoul(f[4].c_str(), nullptr, 10);
        m.committed = std::strtoul(f[5].c_str(), nullptr, 10);
        rows.push_back(m);
    }
    return rows;
}

inline std::string FormatMountTable(const std::vector<MountRow>& rows)
{
    std::string text;
    for (const auto& m : rows)
        text += Utf8(m.path) + "\t" + Utf8(m.image) + "\t" + std::to_string(m.index) + "\t" +
                std::to_string(m.mode) + "\t" + std::to_string(m.status) + "\t" +
                std::to_string(m.committed) + "\n";
    return text;
}

} // namespace standin
