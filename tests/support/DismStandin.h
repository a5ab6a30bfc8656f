#pragma once
// Drives the stand-in dismapi.dll: its state folder, settings, journal and mount table.
#include "standins/StandinCommon.h"

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

struct DismCall {
    std::wstring name;
    std::vector<std::wstring> args;
    unsigned long result = 0;
};

using DismMountEntry = standin::MountRow;

class DismStandin {
public:
    // Points the stand-in at a fresh state folder (through DISM_STANDIN_DIR).
    explicit DismStandin(const std::wstring& stateFolder);
    ~DismStandin();

    const std::wstring& StateFolder() const { return m_folder; }

    // Fails the named call on the given call numbers ("1,3") or on every call ("*").
    void Fail(const std::wstring& call, const std::wstring& numbers, unsigned long hresult = 0);
    void SetLastErrorText(const std::wstring& text);
    void SetNoLastError();
    void SetProgressTotal(unsigned total);

    std::vector<DismCall> Journal() const;
    std::vector<std::wstring> JournalNames() const;
    void ClearJournal();

    std::vector<DismMountEntry> Mounts() const;
    void SetMounts(const std::vector<DismMountEntry>& mounts);

    int LiveAllocations() const;

private:
    std::wstring m_folder;
};

// A fake image file: "images=N".
bool WriteFakeImage(const std::wstring& path, unsigned images);

using standin::FromUtf8;
using standin::Utf8;

} // namespace testing_support
