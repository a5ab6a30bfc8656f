#include "engine/USBManager.h"

#include "engine/EngineMessageBox.h"
#include "engine/MultiLang.h"
#include "engine/TraceLog.h"
#include "engine/VolumeQuery.h"
#include "src/disk/DiskOP.h"
#include "src/disk/Drive.h"
#include "src/disk/DriveManager.h"

#include <atomic>

namespace {

constexpr long long kLargeUSBMB = 40000;
// diskpart formats FAT32 only up to 32 GB.
constexpr long long kFat32LimitMB = 32 * 1024;

CUSBManager* g_usbManager = nullptr;
std::atomic<DWORD> g_settleDelay{2000};

} // namespace

CUSBManager* CUSBManager::Instance()
{
    if (!g_usbManager)
        g_usbManager = new CUSBManager();
    return g_usbManager;
}

void CUSBManager::ReleaseInstance()
{
    gs::DriveManager::ReleaseInstance();
    delete g_usbManager;
    g_usbManager = nullptr;
}

void CUSBManager::SetSettleDelay(DWORD milliseconds) { g_settleDelay = milliseconds; }

bool CUSBManager::FormatActiveUSB(const std::wstring& path)
{
    m_USBLetter = ToLowerWString(path);
    return FormatUSB();
}

bool CUSBManager::FormatUSB()
{
    int diskIndex = -1;
    int partIndex = -1;
    bool succeeded = true;

    if (!CheckCond(diskIndex, partIndex)) {
        TraceLog(L"[CUSBManager::FormatUSB - CheckCond] is fail");
        return false;
    }
    TraceLog(L"[CUSBManager::FormatUSB - DiskIndex, PartIndex] " + IntToWString(diskIndex) + L" , " +
             IntToWString(partIndex));

    gs::CDiskOP* diskOP = gs::CDiskOP::Instance();
    diskOP->CreateScriptFile();
    // The script file lies in the current folder: it goes whichever way the format ends.
    struct ScriptFileRemover {
        gs::CDiskOP* diskOP;
        ~ScriptFileRemover() { diskOP->DeleteScriptFile(); }
    } remover{diskOP};

    const unsigned disk = static_cast<unsigned>(diskIndex);
    // A disk the script writer refuses is not offered for wiping either.
    if (!diskOP->MayFormatDisk(disk)) {
        TraceLog(L"[CUSBManager::FormatUSB - DiskpartFormat] is fail");
        return false;
    }
    if (!diskOP->FormatPartition(disk, static_cast<unsigned>(partIndex), IsLargeUSB() ? "NTFS" : "FAT32")) {
        TraceLog(L"[CUSBManager::FormatUSB - DiskpartFormat] is fail");
        diskOP->TraceLastFailure();
        succeeded = false;
    }
    if (succeeded && !diskOP->ActivePartition(disk, static_cast<unsigned>(partIndex))) {
        TraceLog(L"[CUSBManager::FormatUSB - DiskpartActive] is fail");
        diskOP->TraceLastFailure();
        succeeded = false;
    }

    if (!succeeded) {
        HWND owner = GetApplicationWindow();
        if (EngineMessageBox(owner, TranslateStr(L"Format failure"), TranslateStr(L"Warning"),
                             MB_ICONWARNING | MB_YESNO) != IDYES)
            return false;
        if (EngineMessageBox(owner, TranslateStr(L"Format confirm"), TranslateStr(L"Warning"),
                             MB_ICONWARNING | MB_YESNO) != IDYES)
            return false;
        std::string letter = WStringToAString(m_USBLetter.substr(0, 1));
        // A wiped stick above 32 GB can't take FAT32: diskpart would refuse it.
        const char* fileSystem = GetPhysicalDiskSizeMB(diskIndex) > kFat32LimitMB ? "ntfs" : "fat32";
        if (!diskOP->CleanAndFormat(disk, letter.c_str(), fileSystem)) {
            TraceLog(L"[CUSBManager::FormatUSB - Cleanandformat USB] is fail");
            diskOP->TraceLastFailure();
            EngineMessageBox(owner, TranslateStr(L"Still failed"), TranslateStr(L"Error"),
                             MB_ICONERROR | MB_OK);
            return false;
        }
        // The script leaves one primary partition.
        partIndex = 1;
    }

    diskOP->DeleteScriptFile();
    Sleep(g_settleDelay.load());

    if (ReGetUSBLtr(diskIndex, partIndex))
        return true;
    EngineMessageBox(nullptr, L"Get USB disk/flash letter error!", TranslateStr(L"Error"),
                     MB_ICONERROR | MB_OK);
    TraceLog(L"[CUSBManager::FormatUSB - ReGetUSBLtr] is fail");
    return false;
}

bool CUSBManager::CheckCond(int& diskIndex, int& partIndex)
{
    gs::DriveManager* drives = gs::DriveManager::Instance();
    for (size_t i = 0; i < drives->GetCount(); ++i) {
        gs::DriveData* drive = drives->GetDriveData(i);
        if (!drive)
            continue;
        unsigned type = drive->GetDriveType();
        if (type != 7 && type != DRIVE_REMOVABLE)
            continue;
        for (size_t p = 0; p < drive->GetPartitionCount(); ++p) {
            gs::_Partition* partition = drive->GetPartition(p);
            if (partition->letter.empty())
                continue;
            if (m_USBLetter.find(ToLowerWString(partition->letter)) == std::wstring::npos)
                continue;
            diskIndex = drive->GetDriveIndex();
            partIndex = partition->number;
            return true;
        }
    }
    EngineMessageBox(nullptr, L"This is not a USB disk/flash.", L"Error", MB_ICONERROR | MB_OK);
    return false;
}

bool CUSBManager::ReGetUSBLtr(int diskIndex, int partIndex)
{
    wchar_t letter = 0;
    if (!GetPartitionLetter(diskIndex, partIndex, letter) || !letter)
        return false;
    m_USBLetter = std::wstring(1, letter);
    TraceLog(L"[CUSBManager::ReGetUSBLtr] - m_USBLetter: " + m_USBLetter);
    return true;
}

bool CUSBManager::IsLargeUSB() { return GetUSBSizeMB(m_USBLetter) > kLargeUSBMB; }

int CUSBManager::GetUSBDiskIndex(const std::wstring& path)
{
    if (path.empty())
        return -1;
    return GetDiskNumber(path.substr(0, 1));
}

long long CUSBManager::GetUSBSizeMB(const std::wstring& path)
{
    int disk = GetUSBDiskIndex(path);
    if (disk < 0)
        return 0;
    return GetPhysicalDiskSizeMB(disk);
}
