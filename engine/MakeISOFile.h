#pragma once
// Runs the ISO mastering tool, turns its "% complete" output into progress and stops it on
// cancel. One process-wide object; the job's worker thread blocks in Excute while a thread of
// the runner's own reads the tool's output.
#include "engine/Handles.h"

#include <windows.h>

#include <cstddef>
#include <string>

// Receives the tool's percentage (0 when the tool failed or was stopped) on the runner's
// thread. The result is not used.
typedef int (*ISOProgressRoutine)(int percent, void* userData);

class MakeISOFile;

// One run's state, shared by Excute and the runner's thread; Excute frees it after the thread
// has ended.
struct MakeISOThreadArgs {
    MakeISOFile* file = nullptr;
    ISOProgressRoutine routine = nullptr;
    void* userData = nullptr;
    bool result = true;       // cleared when the run fails
    CriticalSection lock;     // orders starting the tool against terminating it
    HANDLE process = nullptr; // the running tool, null when none (owned by the thread)
};

class MakeISOFile {
public:
    static MakeISOFile* Instance();

    // Stores the complete command line (quoted tool path first). Also begins a new run: a
    // cancel left over from an earlier run is forgotten; one that comes after this is kept
    // until the run.
    void SetCmd(std::wstring cmd);

    // Runs the tool and waits for it. True when the tool ended with exit code 0 or was
    // stopped by Cancle; false when it could not be started, its command line was refused,
    // or it ended with any other code.
    bool Excute(ISOProgressRoutine routine, void* userData);

    // Asks the running (or next) run to stop; callable from any thread.
    void Cancle();

    std::wstring m_cmd;

private:
    MakeISOFile();
    MakeISOFile(const MakeISOFile&) = delete;
    MakeISOFile& operator=(const MakeISOFile&) = delete;
};

DWORD WINAPI MakeISOThread(LPVOID param);

// The tool's percentage in one chunk of its output: the value before the first "% complete"
// (at most three characters before the sign), read as a decimal integer; -1 when the chunk
// holds no "% complete". Looks at exactly `size` bytes.
int ParseISOPercent(const char* data, size_t size);

// Command lines longer than this are refused.
constexpr size_t kMaxISOCommandLine = 2047;
