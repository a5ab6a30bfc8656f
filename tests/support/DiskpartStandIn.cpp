#include "support/DiskpartStandIn.h"

#include "hooks/TestHooks.h"
#include "src/disk/DiskOP.h"
#include "standins/StandinCommon.h"

namespace testing_support {

using standin::FromUtf8;

ScopedDiskpartStandIn::ScopedDiskpartStandIn(const std::vector<int>& exitCodes)
{
    SetEnvironmentVariableW(L"DISKPART_STANDIN_RECORD", m_record.Path().c_str());
    SetExitCodes(exitCodes);
    gs::SetDiskpartPathOverride(StandInPath());
}

ScopedDiskpartStandIn::~ScopedDiskpartStandIn()
{
    gs::SetDiskpartPathOverride(std::wstring());
    SetEnvironmentVariableW(L"DISKPART_STANDIN_RECORD", nullptr);
    SetEnvironmentVariableW(L"DISKPART_STANDIN_EXIT", nullptr);
}

void ScopedDiskpartStandIn::SetExitCodes(const std::vector<int>& exitCodes)
{
    std::wstring list;
    for (int code : exitCodes) {
        if (!list.empty())
            list += L',';
        list += std::to_wstring(code);
    }
    SetEnvironmentVariableW(L"DISKPART_STANDIN_EXIT", list.c_str());
}

std::vector<ScopedDiskpartStandIn::Run> ScopedDiskpartStandIn::Runs() const
{
    std::vector<Run> runs;
    for (int n = 1;; ++n) {
        std::wstring prefix = m_record.Path() + L"run" + std::to_wstring(n);
        if (!FileExists(prefix + L".cmdline"))
            break;
        Run run;
        run.commandLine = FromUtf8(ReadBytes(prefix + L".cmdline"));
        run.image = FromUtf8(ReadBytes(prefix + L".image"));
        run.hadScript = FileExists(prefix + L".script");
        run.script = run.hadScript ? ReadBytes(prefix + L".script") : std::string();
        run.scriptReplaceable = FileExists(prefix + L".replaceable");
        runs.push_back(run);
    }
    return runs;
}

std::wstring ScopedDiskpartStandIn::StandInPath() { return TestProgramFolder() + L"diskpart.exe"; }

} // namespace testing_support
