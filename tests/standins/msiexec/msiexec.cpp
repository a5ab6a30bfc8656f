// Stand-in for msiexec.exe. Appends the command line it was started with to the
// journal named by MSIEXEC_STANDIN_JOURNAL (one line per start) and exits with
// the code in MSIEXEC_STANDIN_EXIT_<switch letter> ("MSIEXEC_STANDIN_EXIT_I" for
// "/i", "_X" for "/x"), else MSIEXEC_STANDIN_EXIT, else 0. Codes are decimal,
// negative or 0x-prefixed.
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Env(const std::string& name)
{
    char buffer[1024];
    DWORD length = GetEnvironmentVariableA(name.c_str(), buffer, sizeof(buffer));
    if (length == 0 || length >= sizeof(buffer))
        return std::string();
    return std::string(buffer, length);
}

// The letter of the first "/x"-style switch on the command line, upper-cased.
char FirstSwitch(const char* commandLine)
{
    for (const char* p = commandLine; *p; ++p)
        if (*p == '/' && (p == commandLine || p[-1] == ' ') && std::isalpha(static_cast<unsigned char>(p[1])))
            return static_cast<char>(std::toupper(static_cast<unsigned char>(p[1])));
    return '\0';
}

} // namespace

int main()
{
    const char* commandLine = GetCommandLineA();

    std::string journal = Env("MSIEXEC_STANDIN_JOURNAL");
    if (!journal.empty()) {
        HANDLE file = CreateFileA(journal.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            std::string line = std::string(commandLine) + "\r\n";
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
        }
    }

    std::string code;
    if (char letter = FirstSwitch(commandLine))
        code = Env(std::string("MSIEXEC_STANDIN_EXIT_") + letter);
    if (code.empty())
        code = Env("MSIEXEC_STANDIN_EXIT");
    UINT exitCode = code.empty() ? 0 : static_cast<UINT>(std::strtoll(code.c_str(), nullptr, 0));
    ExitProcess(exitCode);
}
