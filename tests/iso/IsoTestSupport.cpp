#include "iso/IsoTestSupport.h"

#include "support/TraceLines.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace iso_testing {

ToolFolder::ToolFolder() : m_program(m_dir / L"program\\")
{
    const std::wstring standin = TestProgramFolder() + L"oscdimg.exe";
    for (const std::wstring& folder : {X86(), Amd64()}) {
        EXPECT_TRUE(MakeDirs(folder));
        EXPECT_TRUE(CopyFileW(standin.c_str(), (folder + L"oscdimg.exe").c_str(), FALSE)) << Narrow(standin);
        EXPECT_TRUE(WriteBytes(folder + L"etfsboot.com", "boot sector"));
        EXPECT_TRUE(WriteBytes(folder + L"efisys.bin", "efi image"));
    }
}

void ToolFolder::SetMode(const std::string& mode) const
{
    for (const std::wstring& folder : {X86(), Amd64()})
        EXPECT_TRUE(WriteBytes(folder + L"oscdimg-mode.txt", mode));
}

std::wstring ToolFolder::RawCommandLineIn(const std::wstring& toolFolder)
{
    std::string bytes = ReadBytes(toolFolder + L"oscdimg-cmdline.txt");
    std::wstring line;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        line += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return line;
}

DWORD ToolFolder::ToolProcessId() const
{
    return static_cast<DWORD>(std::strtoul(ReadBytes(X86() + L"oscdimg-pid.txt").c_str(), nullptr, 10));
}

bool ImageFinished(const std::wstring& path)
{
    std::string bytes = ReadBytes(path);
    return bytes.rfind("STANDIN-ISO\r\n", 0) == 0 && bytes.size() >= 5 &&
           bytes.compare(bytes.size() - 5, 5, "END\r\n") == 0;
}

std::vector<std::wstring> TraceMessages(const std::wstring& workingFolder)
{
    std::wstring text = TraceText(workingFolder);
    // Lines end in CR LF; a traced chunk of tool output may hold line ends of its own, so only
    // lines that start with a time stamp begin a new entry.
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
        std::wstring line = text.substr(start, end - start);
        bool stamped =
            line.size() >= 13 && line[2] == L':' && line[5] == L':' && line[8] == L'.' && line[12] == L' ';
        if (stamped)
            lines.push_back(line.substr(13));
        else if (!lines.empty())
            lines.back() += L"\r\n" + line;
        else
            lines.push_back(line);
    }
    return lines;
}

bool HasLine(const std::vector<std::wstring>& lines, const std::wstring& line)
{
    return FindLine(lines, line) >= 0;
}

int FindLine(const std::vector<std::wstring>& lines, const std::wstring& line, int from)
{
    for (int i = from < 0 ? 0 : from; i < static_cast<int>(lines.size()); ++i)
        if (lines[i] == line)
            return i;
    return -1;
}

bool ProcessAlive(DWORD processId)
{
    if (!processId)
        return false;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return false;
    bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

} // namespace iso_testing
