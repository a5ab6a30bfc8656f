#include "engine/MakeISOFile.h"

#include "engine/TraceLog.h"

#include <assert.h>

#include <cstdlib>
#include <cstring>

namespace {

const DWORD kPipeSize = 2500000;
const DWORD kChunkSize = 4000;

// Made once and never closed: Cancle may signal it from another thread at any moment.
// Manual-reset, so a cancel stays visible to both Excute and the runner's thread.
HANDLE g_cancelEvent = nullptr;

bool IsCancelled() { return WaitForSingleObject(g_cancelEvent, 0) == WAIT_OBJECT_0; }

[[noreturn]] void InternalError(const wchar_t* expression, unsigned line)
{
    TraceLog(std::wstring(L"[MakeISOFile] assertion failed: ") + expression);
    _wassert(expression, L"MakeISOFile", line);
    std::abort();
}

void Report(MakeISOThreadArgs* args, int percent)
{
    if (args->routine)
        args->routine(percent, args->userData);
}

// Ends the tool and waits a little for it to let go of the image file.
void EndTool(MakeISOThreadArgs* args)
{
    CriticalSectionLock hold(args->lock);
    if (args->process) {
        TerminateProcess(args->process, 0);
        WaitForSingleObject(args->process, 5000);
    }
}

void ReportExitFailure(MakeISOThreadArgs* args, DWORD code)
{
    args->result = false;
    Report(args, 0);
    TraceLog(L"[MakeISOFile::MakeISOThread]-MakeISOFile  fail");
    TraceLog(L"[MakeISOFile::MakeISOThread]-Exit Code:" + std::to_wstring(code));
}

// Stops the tool on cancel. Excute has usually terminated it already; doing it here too
// covers a cancel seen by this thread first.
void ReportCancelled(MakeISOThreadArgs* args)
{
    TraceLog(L"[MakeISOFile::MakeISOThread]- cancelled");
    Report(args, 0);
    EndTool(args);
}

} // namespace

int ParseISOPercent(const char* data, size_t size)
{
    static const char kMarker[] = "% complete";
    const size_t markerLength = sizeof kMarker - 1;
    if (!data || size < markerLength)
        return -1;
    size_t at = std::string::npos;
    for (size_t i = 0; i + markerLength <= size; ++i)
        if (std::memcmp(data + i, kMarker, markerLength) == 0) {
            at = i;
            break;
        }
    if (at == std::string::npos)
        return -1;
    // At most the three characters before the sign.
    size_t start = at > 2 ? at - 3 : 0;
    std::string candidate(data + start, at - start);
    return std::atoi(candidate.c_str());
}

MakeISOFile::MakeISOFile()
{
    g_cancelEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_cancelEvent)
        InternalError(L"g_cancelEvent", __LINE__);
}

MakeISOFile* MakeISOFile::Instance()
{
    static MakeISOFile* instance = new MakeISOFile();
    return instance;
}

void MakeISOFile::SetCmd(std::wstring cmd)
{
    ResetEvent(g_cancelEvent);
    m_cmd = std::move(cmd);
    TraceLog(L"[MakeISOFile::SetCmd - m_cmd]" + m_cmd);
}

void MakeISOFile::Cancle()
{
    SetEvent(g_cancelEvent);
    TraceLog(L"MakeISOFile::Cancle");
}

bool MakeISOFile::Excute(ISOProgressRoutine routine, void* userData)
{
    TraceLog(L"[MakeISOFile::Excute]- start");
    MakeISOThreadArgs args;
    args.file = this;
    args.routine = routine;
    args.userData = userData;

    UniqueHandle thread(CreateThread(nullptr, 0, MakeISOThread, &args, 0, nullptr));
    if (!thread) {
        DWORD error = GetLastError();
        TraceLog(L"[MakeISOFile::Excute]- CreateThread fail");
        TraceSystemError(error);
        return false;
    }

    HANDLE waits[2] = {thread.Get(), g_cancelEvent};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        // Cancelled (or the wait itself failed): ending the tool ends the thread's blocked read.
        EndTool(&args);
        WaitForSingleObject(thread.Get(), INFINITE);
    }
    return args.result;
}

DWORD WINAPI MakeISOThread(LPVOID param)
{
    MakeISOThreadArgs* args = static_cast<MakeISOThreadArgs*>(param);
    TraceLog(L"[MakeISOFile::Excute]- MakeISOThread start");

    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes;
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = TRUE;
    LPSECURITY_ATTRIBUTES lpsa = &attributes;

    HANDLE hReadPipe = nullptr, hWritePipe = nullptr;
    if (!CreatePipe(&hReadPipe, &hWritePipe, lpsa, kPipeSize))
        InternalError(L"CreatePipe(&hReadPipe, &hWritePipe, lpsa, 2500000)", __LINE__);
    if (!hWritePipe)
        InternalError(L"hWritePipe", __LINE__);
    if (!hReadPipe)
        InternalError(L"hReadPipe", __LINE__);
    UniqueHandle readPipe(hReadPipe), writePipe(hWritePipe);
    // Only the write end goes to the tool; an inherited read end would keep the pipe open.
    SetHandleInformation(readPipe.Get(), HANDLE_FLAG_INHERIT, 0);

    const std::wstring& cmd = args->file->m_cmd;
    if (cmd.size() > kMaxISOCommandLine) {
        TraceLog(L"[MakeISOFile::MakeISOThread]- command line too long (" + std::to_wstring(cmd.size()) +
                 L" characters), not run");
        args->result = false;
        Report(args, 0);
        return 0;
    }

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writePipe.Get();
    startup.hStdError = writePipe.Get();
    startup.hStdInput = nullptr;

    wchar_t commandLine[kMaxISOCommandLine + 1];
    ZeroMemory(commandLine, sizeof commandLine);
    cmd.copy(commandLine, kMaxISOCommandLine);
    TraceLog(commandLine);

    ProcessHandles tool;
    bool cancelledBeforeStart = false;
    BOOL started = FALSE;
    DWORD startError = 0;
    {
        CriticalSectionLock hold(args->lock);
        if (IsCancelled()) {
            cancelledBeforeStart = true;
        } else {
            started = CreateProcessW(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                     &startup, tool.Info());
            if (started) {
                tool.Adopt();
                args->process = tool.Process();
            } else {
                startError = GetLastError();
            }
        }
    }
    // The tool holds its own copy now; ours would keep the read below from ever ending.
    writePipe.Reset();

    if (cancelledBeforeStart) {
        ReportCancelled(args);
        return 0;
    }
    if (!started) {
        TraceLog(L"[MakeISOFile::MakeISOThread]- CreateProcess fail, error " + std::to_wstring(startError));
        TraceSystemError(startError);
        args->result = false;
        Report(args, 0);
        return 0;
    }
    TraceLog(L"[MakeISOFile::MakeISOThread]- CreateProcess");
    tool.CloseThread();

    int lastPercent = 0;
    bool reached100 = false;
    bool finished = false;
    char chunk[kChunkSize];
    for (;;) {
        DWORD code = 0;
        if (GetExitCodeProcess(tool.Process(), &code) && code != 0 && code != STILL_ACTIVE) {
            ReportExitFailure(args, code);
            finished = true;
            break;
        }
        if (IsCancelled()) {
            ReportCancelled(args);
            finished = true;
            break;
        }
        ZeroMemory(chunk, sizeof chunk);
        TraceLog(L"[MakeISOFile::MakeISOThread]- ReadPipe");
        DWORD read = 0;
        if (!ReadFile(readPipe.Get(), chunk, kChunkSize, &read, nullptr) || read == 0) {
            TraceLog(L"[MakeISOFile::MakeISOThread]- ReadPipe fail");
            break;
        }
        TraceLog(AStringToWString(std::string(chunk, read)));
        // After 100 the tool is still writing the image: keep draining until it is done.
        if (reached100)
            continue;
        int percent = ParseISOPercent(chunk, read);
        // The tool's text is not trusted to stay a percentage.
        if (percent > 100)
            percent = 100;
        if (percent > lastPercent) {
            Report(args, percent);
            lastPercent = percent;
            reached100 = percent == 100;
        }
    }

    if (!finished) {
        // The output has ended; the tool's exit code decides, unless a cancel comes first.
        HANDLE waits[2] = {tool.Process(), g_cancelEvent};
        DWORD which = IsCancelled() ? WAIT_OBJECT_0 + 1 : WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        DWORD code = 0;
        if (which == WAIT_OBJECT_0 + 1)
            ReportCancelled(args);
        else if (!GetExitCodeProcess(tool.Process(), &code) || code != 0)
            ReportExitFailure(args, code);
    }

    CriticalSectionLock hold(args->lock);
    args->process = nullptr;
    tool.CloseProcess();
    return 0;
}
