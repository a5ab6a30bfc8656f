#pragma once
// What the ISO tests share: a program folder with the stand-in mastering tool and the trace
// log. Progress messages go to testing_support::ProgressWindow.
#include "support/ProgressWindow.h"
#include "support/TestSupport.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace iso_testing {

// A program folder laid out as shipped: "Oscdimg_x86\Oscdimg\" and "Oscdimg_amd64\Oscdimg\",
// each with the stand-in tool, "etfsboot.com" and "efisys.bin".
class ToolFolder {
public:
    ToolFolder();

    const std::wstring& Program() const { return m_program; }
    std::wstring X86() const { return m_program + L"Oscdimg_x86\\Oscdimg\\"; }
    std::wstring Amd64() const { return m_program + L"Oscdimg_amd64\\Oscdimg\\"; }
    std::wstring Tool() const { return X86() + L"oscdimg.exe"; }

    // The stand-in's mode (see the stand-in's source), for both tool folders.
    void SetMode(const std::string& mode) const;

    // What the stand-in in the x86 folder saw; empty when it never ran.
    std::wstring RawCommandLine() const { return RawCommandLineIn(X86()); }
    static std::wstring RawCommandLineIn(const std::wstring& toolFolder);
    DWORD ToolProcessId() const;

private:
    testing_support::TempDir m_dir;
    std::wstring m_program;
};

// The image file the stand-in wrote: finished when it ends with "END\r\n".
bool ImageFinished(const std::wstring& path);

// A step message or image count as the progress window records it: code, value.
using Step = std::pair<int, int>;

// The trace log's messages (time stamps removed) in the working folder.
std::vector<std::wstring> TraceMessages(const std::wstring& workingFolder);
bool HasLine(const std::vector<std::wstring>& lines, const std::wstring& line);
// Index of the first line equal to `line` at or after `from`; -1 when none.
int FindLine(const std::vector<std::wstring>& lines, const std::wstring& line, int from = 0);

bool ProcessAlive(DWORD processId);

} // namespace iso_testing
