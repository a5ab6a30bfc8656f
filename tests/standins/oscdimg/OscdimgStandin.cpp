// Test stand-in for the ISO mastering tool.
//
// It takes the same command line as the real tool, keeps the raw line in "oscdimg-cmdline.txt"
// beside itself (UTF-16LE, no byte-order mark) and its process id in "oscdimg-pid.txt", checks
// the boot files and the source folder, writes "NN% complete" lines to its standard output
// (each line in one write unless the mode says otherwise) and writes an image file at the path
// of its last argument: a header, the source tree's files with their sizes, and "END" once
// finished.
//
// The mode is the first line of "oscdimg-mode.txt" beside the program, else the environment
// variable OSCDIMG_STANDIN_MODE, else "normal":
//   normal [MS]        1% to 100%, MS milliseconds between lines (default 5), exit 0
//   fail N             up to N%, then exit 1 with the image unfinished
//   hang               print nothing and never exit
//   early N            up to N%, finish the image, exit 0
//   pause MS CODE      up to 100%, then wait MS milliseconds, finish the image, exit CODE
//   pieces             10% to 100% in steps of 10, each line written in three pieces
//   values V1 V2 ...   one line for each value, in the given order
#include <windows.h>

#include "../StandinCommon.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace standin;

HANDLE g_out = nullptr;

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring full(path);
    size_t slash = full.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);
}

void Emit(const std::string& text)
{
    DWORD written = 0;
    WriteFile(g_out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string Line(int percent)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%3d%% complete\r\n", percent);
    return buffer;
}

// The real tool's own splitting: blanks outside quotes separate arguments, quotes only toggle
// quoting, and a backslash is an ordinary character (so "C:\dir\" ends where its quote does).
std::vector<std::wstring> SplitCommandLine(const std::wstring& line)
{
    std::vector<std::wstring> args;
    std::wstring current;
    bool quoted = false, inArg = false;
    for (wchar_t c : line) {
        if (c == L'"') {
            quoted = !quoted;
            inArg = true;
        } else if (!quoted && (c == L' ' || c == L'\t')) {
            if (inArg)
                args.push_back(current);
            current.clear();
            inArg = false;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg)
        args.push_back(current);
    return args;
}

bool IsFile(const std::wstring& path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::wstring& path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void ListTree(const std::wstring& root, const std::wstring& relative, std::string& out)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((root + relative + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ListTree(root, relative + name + L"\\", out);
        } else {
            unsigned long long size =
                (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            out += Utf8(relative + name) + " " + std::to_string(size) + "\r\n";
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

std::wstring ReadMode(const std::wstring& folder)
{
    std::string text;
    if (ReadFileBytes(folder + L"oscdimg-mode.txt", text)) {
        text = text.substr(0, text.find_first_of("\r\n"));
        return std::wstring(text.begin(), text.end());
    }
    std::wstring value = Env(L"OSCDIMG_STANDIN_MODE");
    return value.empty() ? L"normal" : value;
}

int Fail(const std::string& message)
{
    Emit("ERROR: " + message + "\r\n");
    return 1;
}

// Boot files of "-bootdata:N#p0,e,b<file>#pEF,e,b<file>"; empty entries on a malformed option.
std::vector<std::wstring> BootFiles(const std::wstring& option, bool& ok)
{
    std::vector<std::wstring> files;
    ok = false;
    std::wstring rest = option.substr(wcslen(L"-bootdata:"));
    size_t hash = rest.find(L'#');
    if (hash == std::wstring::npos)
        return files;
    int count = _wtoi(rest.substr(0, hash).c_str());
    std::vector<std::wstring> entries;
    std::wstringstream entryStream(rest.substr(hash + 1));
    for (std::wstring entry; std::getline(entryStream, entry, L'#');)
        entries.push_back(entry);
    if (count < 1 || static_cast<size_t>(count) != entries.size())
        return files;
    for (const std::wstring& entry : entries) {
        std::wstringstream parts(entry);
        std::wstring file;
        for (std::wstring part; std::getline(parts, part, L',');)
            if (!part.empty() && part[0] == L'b')
                file = part.substr(1);
        if (file.empty())
            return files;
        files.push_back(file);
    }
    ok = true;
    return files;
}

} // namespace

int wmain()
{
    g_out = GetStdHandle(STD_OUTPUT_HANDLE);
    const std::wstring folder = ProgramFolder();
    const std::wstring raw = GetCommandLineW();
    WriteFileBytes(folder + L"oscdimg-cmdline.txt",
                   std::string(reinterpret_cast<const char*>(raw.data()), raw.size() * sizeof(wchar_t)));
    WriteFileBytes(folder + L"oscdimg-pid.txt", std::to_string(GetCurrentProcessId()));

    std::wistringstream modeStream(ReadMode(folder));
    std::wstring mode;
    modeStream >> mode;
    std::vector<long> numbers;
    for (long n; modeStream >> n;)
        numbers.push_back(n);
    auto number = [&](size_t i, long fallback) { return i < numbers.size() ? numbers[i] : fallback; };

    if (mode == L"hang") {
        Sleep(INFINITE);
        return 0;
    }

    std::vector<std::wstring> args = SplitCommandLine(raw);
    if (args.size() < 3)
        return Fail("usage: oscdimg [options] source image");
    const std::wstring image = args[args.size() - 1];
    const std::wstring source = args[args.size() - 2];
    for (size_t i = 1; i + 2 < args.size(); ++i) {
        if (args[i].rfind(L"-bootdata:", 0) != 0)
            continue;
        bool ok;
        for (const std::wstring& boot : BootFiles(args[i], ok))
            if (!IsFile(boot))
                return Fail("boot file not found: " + Utf8(boot));
        if (!ok)
            return Fail("malformed boot option: " + Utf8(args[i]));
    }
    if (!IsFolder(source))
        return Fail("source folder not found: " + Utf8(source));

    std::string header = "STANDIN-ISO\r\nsource=" + Utf8(source) + "\r\n";
    ListTree(source.back() == L'\\' ? source : source + L"\\", L"", header);
    if (!WriteFileBytes(image, header))
        return Fail("cannot create image: " + Utf8(image));
    auto finishImage = [&]() { WriteFileBytes(image, "END\r\n", true); };

    Emit("OSCDIMG stand-in\r\n\r\nScanning source tree\r\n");

    // The last line waits a little, so that a busy reader still gets it in a chunk of its own.
    auto run = [&](int upTo, DWORD pause) {
        for (int p = 1; p <= upTo; ++p) {
            if (p == upTo)
                Sleep(100);
            Emit(Line(p));
            Sleep(pause);
        }
    };

    if (mode == L"fail") {
        run(static_cast<int>(number(0, 50)), 2);
        Emit("ERROR: could not write the image\r\n");
        return 1;
    }
    if (mode == L"early") {
        run(static_cast<int>(number(0, 50)), 2);
        finishImage();
        return 0;
    }
    if (mode == L"pause") {
        run(100, 2);
        Sleep(static_cast<DWORD>(number(0, 1000)));
        finishImage();
        return static_cast<int>(number(1, 0));
    }
    if (mode == L"pieces") {
        for (int p = 10; p <= 100; p += 10) {
            std::string line = Line(p);
            Emit(line.substr(0, 2));
            Sleep(20);
            Emit(line.substr(2, 5));
            Sleep(20);
            Emit(line.substr(7));
            Sleep(20);
        }
        finishImage();
        return 0;
    }
    if (mode == L"values") {
        for (long v : numbers) {
            Emit(Line(static_cast<int>(v)));
            Sleep(100);
        }
        finishImage();
        return 0;
    }
    run(100, static_cast<DWORD>(number(0, 5)));
    finishImage();
    Emit("\r\nDone.\r\n");
    return 0;
}
