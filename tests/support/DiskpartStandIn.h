#pragma once
// Makes the engine start the diskpart stand-in (tests/standins/diskpart) in place of the
// system's diskpart, and reads back what each run saw. Name `diskpart` in DEPENDS.
#include "support/TestSupport.h"

#include <string>
#include <vector>

namespace testing_support {

class ScopedDiskpartStandIn {
public:
    // Exit codes of the runs in order; the last repeats.
    explicit ScopedDiskpartStandIn(const std::vector<int>& exitCodes = {0});
    ~ScopedDiskpartStandIn();
    ScopedDiskpartStandIn(const ScopedDiskpartStandIn&) = delete;
    ScopedDiskpartStandIn& operator=(const ScopedDiskpartStandIn&) = delete;

    void SetExitCodes(const std::vector<int>& exitCodes);

    struct Run {
        std::wstring commandLine; // as the stand-in received it
        std::wstring image;       // the stand-in's own path: what was started
        std::string script;       // the script file's bytes at the time of the run
        bool hadScript;
        bool scriptReplaceable; // another process could have changed the script meanwhile
    };
    std::vector<Run> Runs() const;

    // The stand-in's full path, beside the test program.
    static std::wstring StandInPath();

private:
    TempDir m_record;
};

} // namespace testing_support
