#include "support/DismStandin.h"
#include "support/TestSupport.h"
#include "standins/StandinCommon.h"

#include <cstdlib>

namespace testing_support {

using standin::Split;
using standin::SplitLines;

DismStandin::DismStandin(const std::wstring& stateFolder) : m_folder(stateFolder)
{
    if (m_folder.empty() || m_folder.back() != L'\\')
        m_folder += L'\\';
    MakeDirs(m_folder);
    SetEnvironmentVariableW(L"DISM_STANDIN_DIR", m_folder.c_str());
}

DismStandin::~DismStandin() { SetEnvironmentVariableW(L"DISM_STANDIN_DIR", nullptr); }

void DismStandin::Fail(const std::wstring& call, const std::wstring& numbers, unsigned long hresult)
{
    std::wstring ini = m_folder + L"standin.ini";
    WritePrivateProfileStringW(L"fail", call.c_str(), numbers.c_str(), ini.c_str());
    if (hresult) {
        wchar_t code[16];
        swprintf(code, 16, L"0x%lx", hresult);
        WritePrivateProfileStringW(L"hresult", call.c_str(), code, ini.c_str());
    }
}

void DismStandin::SetLastErrorText(const std::wstring& text)
{
    WriteBytes(m_folder + L"lasterror.txt", Utf8(text));
}

void DismStandin::SetNoLastError()
{
    WritePrivateProfileStringW(L"lasterror", L"None", L"1", (m_folder + L"standin.ini").c_str());
}

void DismStandin::SetProgressTotal(unsigned total)
{
    WritePrivateProfileStringW(L"progress", L"Total", std::to_wstring(total).c_str(),
                               (m_folder + L"standin.ini").c_str());
}

std::vector<DismCall> DismStandin::Journal() const
{
    std::vector<DismCall> calls;
    for (const auto& line : SplitLines(ReadBytes(m_folder + L"journal.txt"))) {
        if (line.empty())
            continue;
        auto fields = Split(line, '|');
        DismCall call;
        call.name = FromUtf8(fields.front());
        for (size_t i = 1; i + 1 < fields.size(); ++i)
            call.args.push_back(FromUtf8(fields[i]));
        call.result = std::strtoul(fields.back().c_str() + 1, nullptr, 16);
        calls.push_back(call);
    }
    return calls;
}

std::vector<std::wstring> DismStandin::JournalNames() const
{
    std::vector<std::wstring> names;
    for (const auto& call : Journal())
        names.push_back(call.name);
    return names;
}

void DismStandin::ClearJournal() { DeleteFileW((m_folder + L"journal.txt").c_str()); }

std::vector<DismMountEntry> DismStandin::Mounts() const
{
    return standin::ParseMountTable(ReadBytes(m_folder + L"mounts.txt"));
}

void DismStandin::SetMounts(const std::vector<DismMountEntry>& mounts)
{
    WriteBytes(m_folder + L"mounts.txt", standin::FormatMountTable(mounts));
}

int DismStandin::LiveAllocations() const
{
    std::string text = ReadBytes(m_folder + L"allocs.txt");
    return text.empty() ? 0 : std::atoi(text.c_str());
}

bool WriteFakeImage(const std::wstring& path, unsigned images)
{
    return WriteBytes(path, "images=" + std::to_string(images) + "\n");
}

} // namespace testing_support
