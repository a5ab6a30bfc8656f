// Stand-in for the system's diskpart.exe. Records each run in the folder named by
// DISKPART_STANDIN_RECORD: run<N>.cmdline (its command line), run<N>.image (its own path)
// and run<N>.script (the bytes of the file after "/s"), all but the script as UTF-8.
// Exits with the N-th code of the comma-separated DISKPART_STANDIN_EXIT (the last one
// repeats; 0 when unset).
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring Env(const wchar_t* name)
{
    wchar_t value[4096];
    DWORD n = GetEnvironmentVariableW(name, value, 4096);
    return n > 0 && n < 4096 ? std::wstring(value, n) : std::wstring();
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

bool Write(const std::wstring& path, const std::string& bytes)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool Read(const std::wstring& path, std::string& bytes)
{
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return false;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, n);
    std::fclose(f);
    return true;
}

} // namespace

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
    Write(prefix + L".image", Utf8(image));

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i + 1 < argc; ++i) {
        if (lstrcmpiW(argv[i], L"/s") == 0) {
            std::string script;
            if (Read(argv[i + 1], script))
                Write(prefix + L".script", script);
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
    Write(prefix + L".cmdline", Utf8(GetCommandLineW()));
    return code;
}
