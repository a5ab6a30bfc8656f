// Stand-in for the system's diskpart.exe. Records each run in the folder named by
// DISKPART_STANDIN_RECORD: run<N>.cmdline (its command line), run<N>.image (its own path)
// and run<N>.script (the bytes of the file after "/s"), all but the script as UTF-8;
// run<N>.replaceable when the script could be opened for writing or deleting meanwhile.
// Exits with the N-th code of the comma-separated DISKPART_STANDIN_EXIT (the last one
// repeats; 0 when unset).
#include <windows.h>
#include <shellapi.h>

#include "../StandinCommon.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace standin;

int wmain()
{
    std::wstring folder = Env(L"DISKPART_STANDIN_RECORD");
    if (folder.empty())
        return 3;
    if (folder.back() != L'\\')
        folder += L'\\';

    // The run number: one more than the runs recorded so far.
    int run = 1;
    while (GetFileAttributesW((folder + L"run" + std::to_wstring(run) + L".cmdline").c_str()) !=
           INVALID_FILE_ATTRIBUTES)
        ++run;
    std::wstring prefix = folder + L"run" + std::to_wstring(run);

    wchar_t image[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, image, MAX_PATH);
    WriteFileBytes(prefix + L".image", Utf8(image));

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i + 1 < argc; ++i) {
        if (lstrcmpiW(argv[i], L"/s") == 0) {
            // Read sharing only, as strict as a reader may be: the program's own handle on
            // the script must allow it.
            HANDLE own =
                CreateFileW(argv[i + 1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            if (own != INVALID_HANDLE_VALUE) {
                std::string script(65536, '\0');
                DWORD read = 0;
                if (ReadFile(own, &script[0], static_cast<DWORD>(script.size()), &read, nullptr))
                    WriteFileBytes(prefix + L".script", script.substr(0, read));
                CloseHandle(own);
            }
            // As any other process would: could the script be changed or removed meanwhile?
            HANDLE other = CreateFileW(argv[i + 1], GENERIC_WRITE | DELETE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
            if (other != INVALID_HANDLE_VALUE && CloseHandle(other))
                WriteFileBytes(prefix + L".replaceable", "1");
            break;
        }
    }
    if (argv)
        LocalFree(argv);

    std::vector<int> codes;
    std::wstring list = Env(L"DISKPART_STANDIN_EXIT");
    for (size_t start = 0; start < list.size();) {
        size_t comma = list.find(L',', start);
        codes.push_back(std::wcstol(list.substr(start, comma - start).c_str(), nullptr, 10));
        start = comma == std::wstring::npos ? list.size() : comma + 1;
    }
    int code = codes.empty() ? 0 : codes[std::min<size_t>(run, codes.size()) - 1];

    // The command line last: its file marks the run as complete.
    WriteFileBytes(prefix + L".cmdline", Utf8(GetCommandLineW()));
    return code;
}
