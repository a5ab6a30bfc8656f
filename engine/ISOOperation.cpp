#include "engine/ISOOperation.h"

#include "engine/AppPaths.h"
#include "engine/EngineMessageBox.h"
#include "engine/MakeISOFile.h"
#include "engine/TraceLog.h"

#include <cwchar>

namespace {

bool IsDirectory(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The path up to and including its last backslash; empty when it has none.
std::wstring FolderPart(const std::wstring& path)
{
    size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// Names Windows gives to devices, whatever extension follows them.
bool IsDeviceName(std::wstring stem)
{
    while (!stem.empty() && (stem.back() == L' ' || stem.back() == L'.'))
        stem.pop_back();
    for (wchar_t& c : stem)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : kDevices)
        if (stem == device)
            return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'1' && stem[3] <= L'9';
}

} // namespace

ISOOperation::ISOOperation(HWND window, int stepCode, const std::wstring& sourcePath,
                           const std::wstring& isoPath, const std::wstring& volumeLabel,
                           unsigned char is64bit)
    : BasicOperation(window, stepCode), m_SourcePath(sourcePath), m_ISOPath(isoPath),
      m_VolumeLabel(volumeLabel), m_Stop(0), m_Is64bit(is64bit)
{
    TraceLog(L"ISOOperation create");
    const std::wstring program = GetProgramFolder();
    // The x86 tool runs for both architectures; only the boot files differ.
    m_ToolPath = program + L"Oscdimg_x86\\Oscdimg\\oscdimg.exe";
    const std::wstring archTool =
        program + (m_Is64bit ? L"Oscdimg_amd64\\Oscdimg\\oscdimg.exe" : L"Oscdimg_x86\\Oscdimg\\oscdimg.exe");
    TraceLog(L"[ISOOperation::tmp_oscdTool]" + archTool);
    m_BootFile = FolderPart(archTool) + L"etfsboot.com";
    m_EfiBootFile = FolderPart(archTool) + L"efisys.bin";
}

int ISOOperation::Excute()
{
    TraceLog(L"ISOOperation Excute");
    // The stop flag is not cleared here: a cancel that reached this operation between the
    // pipeline's last check and this call must still stop the tool.
    if (!PreCheck())
        return 0;
    if (RunOperate()) {
        TraceLog(L"ISOOperation Excute - end(TRUE)");
        return 1;
    }
    TraceLog(L"[ISOOperation- RunOperate] is fail");
    return 0;
}

void ISOOperation::Stop()
{
    m_Stop = 1;
    MakeISOFile::Instance()->Cancle();
}

bool ISOOperation::PreCheck()
{
    TraceLog(L"ISOOperation precheck");
    if (!IsDirectory(m_ISOPath)) {
        EngineMessageBox(nullptr, L"The ISO directory does not exist.", L"make ISO error", MB_OK);
        return false;
    }
    return true;
}

std::wstring ISOOperation::QuotePath(const std::wstring& path)
{
    if (path.empty())
        return path;
    std::wstring quoted = path;
    if (quoted.front() != L'"')
        quoted.insert(quoted.begin(), L'"');
    if (quoted.back() != L'"')
        quoted += L'"';
    return quoted;
}

std::wstring ISOOperation::FileNameFromLabel(const std::wstring& label)
{
    std::wstring name = label;
    bool onlyDots = !name.empty();
    for (wchar_t& c : name) {
        if (c < 32 || std::wcschr(L"<>:\"/\\|?*", c))
            c = L'_';
        if (c != L'.')
            onlyDots = false;
    }
    // "." and ".." would name the folder itself or its parent.
    if (onlyDots)
        name.assign(name.size(), L'_');
    else if (IsDeviceName(name.substr(0, name.find(L'.'))))
        name.insert(name.begin(), L'_');
    return name;
}

std::wstring ISOOperation::GetISOFileName() const
{
    std::wstring base = m_ISOPath;
    if (base.empty() || base.back() != L'\\')
        base += L'\\';
    base += FileNameFromLabel(m_VolumeLabel);
    if (!Exists(base + L".iso"))
        return base + L".iso";
    // Never overwrite: the first free numbered name.
    for (unsigned long long n = 0;; ++n) {
        std::wstring name = base + std::to_wstring(n) + L".iso";
        if (!Exists(name))
            return name;
    }
}

int ISOOperation::RunOperate()
{
    const std::wstring isoFile = GetISOFileName();
    std::wstring arguments = L"-lWIN7 -m -o -u1 -udfver102 ";
    if (m_Is64bit)
        arguments += L"-bootdata:2#p0,e,b" + QuotePath(m_BootFile) + L"#pEF,e,b" + QuotePath(m_EfiBootFile);
    else
        arguments += L"-bootdata:1#p0,e,b" + QuotePath(m_BootFile);
    arguments += L" " + QuotePath(FolderPart(m_SourcePath));
    arguments += L" " + QuotePath(isoFile);
    const std::wstring commandLine = QuotePath(m_ToolPath) + L" " + arguments;

    MakeISOFile* runner = MakeISOFile::Instance();
    runner->SetCmd(commandLine);
    // SetCmd forgets earlier cancels; a stop that came before it must still count.
    if (m_Stop.load())
        runner->Cancle();
    bool built = runner->Excute(&ISOOperation::OnISOProgress, this);
    // The name was free before the run, so whatever lies there now is this run's. Half an
    // image under the final name would pass for a good one.
    if (!built || m_Stop.load())
        RemovePartialImage(isoFile);
    return built ? 1 : 0;
}

void ISOOperation::RemovePartialImage(const std::wstring& isoFile)
{
    if (!Exists(isoFile))
        return;
    // The tool may take a moment to let go of the file after it was ended.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (DeleteFileW(isoFile.c_str())) {
            TraceLog(L"[ISOOperation::RunOperate] removed the unfinished image " + isoFile);
            return;
        }
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return;
        Sleep(100);
    }
    DWORD error = GetLastError();
    TraceLog(L"[ISOOperation::RunOperate] the unfinished image could not be removed: " + isoFile);
    TraceSystemError(error);
}

int ISOOperation::OnISOProgress(int value, void* userData)
{
    static_cast<ISOOperation*>(userData)->PostProgress(value);
    return 0;
}
