#include "src/disk/Drive.h"

#include "engine/DiskSystem.h"
#include "engine/VolumeQuery.h"
#include "src/disk/GsAssert.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace gs {
namespace {

constexpr size_t kLayoutHeader = offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry);
constexpr size_t kEntrySize = sizeof(PARTITION_INFORMATION_EX);
static_assert(kLayoutHeader == 48, "layout header");
static_assert(kEntrySize == 144, "partition entry");

constexpr size_t kLayoutFirstSize = kLayoutHeader + 4 * kEntrySize; // 624
constexpr size_t kLayoutGrowth = 4 * kEntrySize;                    // 576
// No table is read beyond this: the four primary slots and 127 logical tables of four.
constexpr DWORD kMaxLayoutEntries = 512;
// Enough to reach a buffer of kMaxLayoutEntries; a device that still asks for more is
// given up rather than asked for ever.
constexpr int kLayoutTries =
    1 +
    static_cast<int>((kLayoutHeader + kMaxLayoutEntries * kEntrySize - kLayoutFirstSize + kLayoutGrowth - 1) /
                     kLayoutGrowth);
static_assert(kLayoutTries == 128, "layout tries");

constexpr long long kGptGap = 0x200000; // 2 MiB
constexpr long long kMiB = 1024 * 1024;
constexpr unsigned kVolumeTextChars = 261;

// GPT partition types, tested in this order.
const GUID kReservedType = {0xE3C9E316, 0x0B5C, 0x4DB8, {0x81, 0x7D, 0xF9, 0x2D, 0xF0, 0x02, 0x15, 0xAE}};
const GUID kEfiType = {0xC12A7328, 0xF81F, 0x11D2, {0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B}};
const GUID kBasicDataType = {0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};
const GUID kRecoveryType = {0xDE94BBA4, 0x06D1, 0x4D40, {0xA1, 0x6A, 0xBF, 0xD5, 0x01, 0x79, 0xD6, 0xAC}};

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

DWORD LayoutCount(const BYTE* layout, size_t size)
{
    if (!layout || size < kLayoutHeader)
        return 0;
    DWORD count = 0;
    std::memcpy(&count, layout + offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionCount), sizeof count);
    size_t room = (size - kLayoutHeader) / kEntrySize;
    if (room > kMaxLayoutEntries)
        room = kMaxLayoutEntries;
    return count > room ? static_cast<DWORD>(room) : count;
}

PARTITION_INFORMATION_EX LayoutEntry(const BYTE* layout, size_t i)
{
    PARTITION_INFORMATION_EX entry;
    std::memcpy(&entry, layout + kLayoutHeader + i * kEntrySize, kEntrySize);
    return entry;
}

long long Start(const PARTITION_INFORMATION_EX& e) { return e.StartingOffset.QuadPart; }
// Only for entries that passed OnDisk, whose end cannot overflow.
long long End(const PARTITION_INFORMATION_EX& e)
{
    return e.StartingOffset.QuadPart + e.PartitionLength.QuadPart;
}

// The table is the disk's to tell, and a damaged or crafted one may hold anything: an
// entry counts only when it starts and ends on the disk (on a disk of unknown size, when
// its end is a number at all).
bool OnDisk(const PARTITION_INFORMATION_EX& e, long long diskSize)
{
    const long long start = Start(e);
    const long long length = e.PartitionLength.QuadPart;
    if (start < 0 || length < 0)
        return false;
    const long long limit = diskSize > 0 ? diskSize : LLONG_MAX;
    return start <= limit - length;
}

long long DiskSizeOf(const LayoutServices& disk) { return disk.diskSize ? disk.diskSize() : 0; }

unsigned long long ToMiB(long long bytes)
{
    return bytes > 0 ? static_cast<unsigned long long>(bytes) / kMiB : 0;
}

_Partition UnusedRecord(long long bytes)
{
    _Partition record;
    record.size = ToMiB(bytes);
    record.kind = PARTITION_KIND_UNUSED;
    record.type = L"Entry Unused";
    return record;
}

_Partition EntryRecord(const PARTITION_INFORMATION_EX& entry, unsigned kind, bool withLetter,
                       const LayoutServices& disk)
{
    _Partition record;
    record.number = static_cast<int>(entry.PartitionNumber);
    record.size = ToMiB(entry.PartitionLength.QuadPart);
    record.kind = kind;
    record.info = entry;
    if (withLetter && disk.partitionLetter)
        record.letter = disk.partitionLetter(record.number);
    return record;
}

void ReadVolume(_Partition& record, const LayoutServices& disk)
{
    std::wstring fileSystem, label;
    if (!disk.queryVolume || !disk.queryVolume(record, fileSystem, label)) {
        fileSystem.clear();
        label.clear();
    }
    record.type = fileSystem;
    record.label = label;
}

_Partition GptRecord(const PARTITION_INFORMATION_EX& entry, const LayoutServices& disk)
{
    _Partition record = EntryRecord(entry, PARTITION_KIND_UNUSED, true, disk);
    const GUID& type = entry.Gpt.PartitionType;
    if (SameGuid(type, kReservedType)) {
        record.kind = PARTITION_KIND_RESERVED;
        record.type = L"Microsoft reserved partition";
    } else if (SameGuid(type, kEfiType)) {
        record.kind = PARTITION_KIND_EFI;
        ReadVolume(record, disk);
        record.type = L"EFI system partition";
    } else if (SameGuid(type, kBasicDataType) || SameGuid(type, kRecoveryType)) {
        record.kind = PARTITION_KIND_PRIMARY;
        record.type = SameGuid(type, kBasicDataType) ? L"BASIC data partition"
                                                     : L"Windows recovery environment partition";
        ReadVolume(record, disk);
    } else {
        record.kind = PARTITION_KIND_UNUSED;
        record.type = L"Entry Unused";
    }
    return record;
}

void NumberRecords(std::vector<_Partition>& list)
{
    for (size_t i = 0; i < list.size(); ++i)
        list[i].index = static_cast<int>(i);
}

bool IsExtendedType(BYTE type) { return type == PARTITION_EXTENDED || type == PARTITION_XINT13_EXTENDED; }

// Slots of the given table positions whose type byte is set and that lie on the disk,
// by starting offset (equal offsets keep table order).
std::vector<PARTITION_INFORMATION_EX> UsedSlots(const BYTE* layout, const std::vector<size_t>& slots,
                                                long long diskSize)
{
    std::vector<PARTITION_INFORMATION_EX> used;
    for (size_t slot : slots) {
        PARTITION_INFORMATION_EX entry = LayoutEntry(layout, slot);
        if (entry.Mbr.PartitionType != 0 && OnDisk(entry, diskSize))
            used.push_back(entry);
    }
    std::stable_sort(used.begin(), used.end(),
                     [](const PARTITION_INFORMATION_EX& a, const PARTITION_INFORMATION_EX& b) {
                         return Start(a) < Start(b);
                     });
    return used;
}

} // namespace

std::vector<_Partition> WalkGptLayout(const BYTE* layout, size_t size, const LayoutServices& disk)
{
    std::vector<_Partition> list;
    const long long diskSize = DiskSizeOf(disk);
    std::vector<PARTITION_INFORMATION_EX> entries;
    DWORD count = LayoutCount(layout, size);
    for (DWORD i = 0; i < count; ++i) {
        PARTITION_INFORMATION_EX entry = LayoutEntry(layout, i);
        if (OnDisk(entry, diskSize))
            entries.push_back(entry);
    }
    if (entries.empty()) {
        // A table without entries: the whole disk is unused, as the MBR walk shows it.
        list.push_back(UnusedRecord(diskSize));
        NumberRecords(list);
        return list;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const PARTITION_INFORMATION_EX& entry = entries[i];
        if (i > 0) {
            long long previousEnd = End(entries[i - 1]);
            if (Start(entry) > previousEnd && Start(entry) - previousEnd > kGptGap)
                list.push_back(UnusedRecord(Start(entry) - previousEnd));
        }
        list.push_back(GptRecord(entry, disk));
        if (i > 0 && i == entries.size() - 1 && diskSize > End(entry) && diskSize - End(entry) > kGptGap)
            list.push_back(UnusedRecord(diskSize - End(entry)));
    }
    NumberRecords(list);
    return list;
}

std::vector<_Partition> WalkMbrLayout(const BYTE* layout, size_t size, DWORD tracksPerCylinder,
                                      DWORD sectorsPerTrack, DWORD bytesPerSector, const LayoutServices& disk)
{
    std::vector<_Partition> list;
    const long long cylinder =
        static_cast<long long>(tracksPerCylinder) * sectorsPerTrack * static_cast<long long>(bytesPerSector);
    if (cylinder <= 0)
        return list;
    const long long diskSize = DiskSizeOf(disk);
    // Both positions are on the disk, so neither the quotients nor the size overflow.
    auto gap = [&](long long previousEnd, long long start) {
        if (start / cylinder - previousEnd / cylinder - 1 > 0)
            list.push_back(UnusedRecord(start - previousEnd));
    };

    DWORD count = LayoutCount(layout, size);
    std::vector<size_t> primarySlots;
    for (size_t slot = 0; slot < 4 && slot < count; ++slot)
        primarySlots.push_back(slot);
    std::vector<size_t> logicalSlots;
    if (count > 7) {
        for (size_t slot = 4; slot + 4 <= count; slot += 4)
            logicalSlots.push_back(slot);
    }
    const std::vector<PARTITION_INFORMATION_EX> logicals = UsedSlots(layout, logicalSlots, diskSize);
    // The logical tables are one chain: it is listed once, under the first container. A
    // further container (only a crafted table has one) holds none of them.
    bool chainListed = false;

    long long previousEnd = 0;
    for (const PARTITION_INFORMATION_EX& entry : UsedSlots(layout, primarySlots, diskSize)) {
        if (!IsExtendedType(entry.Mbr.PartitionType)) {
            gap(previousEnd, Start(entry));
            _Partition record = EntryRecord(entry, PARTITION_KIND_PRIMARY, true, disk);
            ReadVolume(record, disk);
            list.push_back(record);
            previousEnd = End(entry);
            continue;
        }
        // The extended container holds no file system of its own: no volume read.
        list.push_back(EntryRecord(entry, PARTITION_KIND_EXTENDED, false, disk));
        gap(previousEnd, Start(entry));

        if (count > 7 && !chainListed) {
            chainListed = true;
            previousEnd = Start(entry);
            for (const PARTITION_INFORMATION_EX& logical : logicals) {
                gap(previousEnd, std::max(Start(logical), Start(entry)));
                _Partition record = EntryRecord(logical, PARTITION_KIND_LOGICAL, true, disk);
                // A link to the next table is a container too: nothing to read.
                if (!IsExtendedType(logical.Mbr.PartitionType))
                    ReadVolume(record, disk);
                list.push_back(record);
                previousEnd = End(logical);
            }
            gap(previousEnd, End(entry));
        } else {
            _Partition empty = UnusedRecord(entry.PartitionLength.QuadPart);
            empty.kind = PARTITION_KIND_LOGICAL;
            list.push_back(empty);
        }
        previousEnd = End(entry);
    }
    gap(previousEnd, diskSize);
    NumberRecords(list);
    return list;
}

bool QueryDriveLayout(HANDLE drive, std::vector<BYTE>& layout)
{
    size_t size = kLayoutFirstSize;
    for (int attempt = 0; attempt < kLayoutTries; ++attempt, size += kLayoutGrowth) {
        layout.assign(size, 0);
        DWORD returned = 0;
        if (GetDiskSystem().DeviceIoControl(drive, IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0, layout.data(),
                                            static_cast<DWORD>(size), &returned))
            return true;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            break;
    }
    layout.clear();
    return false;
}

std::wstring GuidToRegistryText(const GUID& g)
{
    wchar_t text[40];
    std::swprintf(text, 40, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

// ---- DriveData

DriveData::DriveData() : m_hDrive(nullptr), m_DriveIndex(0) {}

DriveData::DriveData(int driveIndex, HANDLE drive) : m_hDrive(drive), m_DriveIndex(driveIndex) {}

DriveData::~DriveData() { ClearPartitions(); }

void DriveData::ClearPartitions() { m_Partition.clear(); }

void DriveData::TakePartitions(std::vector<_Partition>&& partitions)
{
    for (_Partition& partition : partitions)
        m_Partition.push_back(std::make_unique<_Partition>(std::move(partition)));
}

_Partition* DriveData::GetPartition(size_t Index) const
{
    GS_ASSERT(Index < m_Partition.size());
    return m_Partition[Index].get();
}

LayoutServices DriveData::Services()
{
    LayoutServices services;
    services.partitionLetter = [this](int number) {
        wchar_t letter = 0;
        if (GetPartitionDevice(number, letter) && letter)
            return std::wstring(1, letter);
        return std::wstring();
    };
    services.queryVolume = [this](_Partition& partition, std::wstring& fileSystem, std::wstring& label) {
        return QueryVolumes(partition, fileSystem, label);
    };
    services.diskSize = [this] { return GetDiskSize(); };
    return services;
}

bool DriveData::GetPartitionDevice(int number, wchar_t& letter)
{
    letter = 0;
    return GetPartitionLetter(m_DriveIndex, number, letter);
}

bool DriveData::QueryVolumes(_Partition& partition, std::wstring& fileSystem, std::wstring& label)
{
    fileSystem.clear();
    label.clear();
    DiskSystem& system = GetDiskSystem();
    wchar_t volumeName[kVolumeTextChars] = {};
    wchar_t fileSystemName[kVolumeTextChars] = {};
    BOOL read = FALSE;

    if (partition.letter.empty()) {
        wchar_t link[64];
        std::swprintf(link, 64, L"\\Device\\Harddisk%d\\Partition%d", m_DriveIndex, partition.number);
        wchar_t target[1024] = {};
        if (!QueryDosSymbolicLink(link, target, sizeof target))
            return false;
        const DWORD access = GENERIC_READ | FILE_READ_ATTRIBUTES | FILE_READ_EA; // 0x80000088
        const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        // The volume device through the global root needs no DOS name at all.
        std::wstring path = std::wstring(L"\\\\?\\GLOBALROOT") + target;
        HANDLE volume = system.CreateFileW(path.c_str(), access, share, OPEN_EXISTING, 0);
        if (volume == INVALID_HANDLE_VALUE || !volume) {
            // Else a temporary DOS name, removed at once so none outlives this read.
            volume = INVALID_HANDLE_VALUE;
            if (system.DefineDosDeviceW(DDD_RAW_TARGET_PATH, L"1:", target)) {
                volume = system.CreateFileW(L"\\\\.\\1:", access, share, OPEN_EXISTING, 0);
                system.DefineDosDeviceW(
                    DDD_RAW_TARGET_PATH | DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, L"1:", target);
            }
            if (volume == INVALID_HANDLE_VALUE || !volume)
                return false;
        }
        read = system.GetVolumeInformationByHandleW(volume, volumeName, kVolumeTextChars, nullptr, nullptr,
                                                    nullptr, fileSystemName, kVolumeTextChars);
        system.CloseHandle(volume);
    } else {
        if (partition.letter.size() == 1)
            partition.letter += L":\\";
        read = system.GetVolumeInformationW(partition.letter.c_str(), volumeName, kVolumeTextChars, nullptr,
                                            nullptr, nullptr, fileSystemName, kVolumeTextChars);
    }
    if (!read)
        return false;
    volumeName[kVolumeTextChars - 1] = L'\0';
    fileSystemName[kVolumeTextChars - 1] = L'\0';
    fileSystem = fileSystemName;
    label = volumeName[0] ? volumeName : L"NONAME";
    return true;
}

unsigned DriveData::GetDriveType()
{
    wchar_t root[40];
    std::swprintf(root, 40, L"\\\\.\\PHYSICALDRIVE%d\\", m_DriveIndex);
    UINT type = GetDiskSystem().GetDriveTypeW(root);
    switch (type) {
    case DRIVE_NO_ROOT_DIR:
    case DRIVE_REMOVABLE:
    case DRIVE_REMOTE:
    case DRIVE_CDROM:
    case DRIVE_RAMDISK:
        return type;
    case DRIVE_FIXED:
        return IsUSBBus() ? 7 : DRIVE_FIXED;
    default:
        return 0;
    }
}

bool DriveData::IsUSBBus()
{
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    BYTE descriptor[40] = {};
    DWORD returned = 0;
    if (!GetDiskSystem().DeviceIoControl(m_hDrive, IOCTL_STORAGE_QUERY_PROPERTY, &query, 12, descriptor,
                                         sizeof descriptor, &returned))
        return false;
    STORAGE_BUS_TYPE bus;
    std::memcpy(&bus, descriptor + offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType), sizeof bus);
    return bus == BusTypeUsb;
}

long long DriveData::GetDiskSize()
{
    BYTE geometry[40] = {};
    DWORD returned = 0;
    if (!GetDiskSystem().DeviceIoControl(m_hDrive, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, geometry,
                                         sizeof geometry, &returned))
        return 0;
    LARGE_INTEGER size;
    std::memcpy(&size, geometry + offsetof(DISK_GEOMETRY_EX, DiskSize), sizeof size);
    return size.QuadPart;
}

// ---- GPTData

GPTData::GPTData(int driveIndex, HANDLE drive) : DriveData(driveIndex, drive) { GPTData::ReadLayout(); }

bool GPTData::ReadLayout()
{
    std::vector<BYTE> layout;
    if (!QueryDriveLayout(m_hDrive, layout))
        return false;
    std::memcpy(&m_DiskId, layout.data() + offsetof(DRIVE_LAYOUT_INFORMATION_EX, Gpt.DiskId),
                sizeof m_DiskId);
    std::memcpy(&m_PartitionCount, layout.data() + offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionCount),
                sizeof m_PartitionCount);
    ClearPartitions();
    TakePartitions(WalkGptLayout(layout.data(), layout.size(), Services()));
    return true;
}

std::wstring GPTData::GetDiskId() { return GuidToRegistryText(m_DiskId); }

// ---- MBRData

MBRData::MBRData(int driveIndex, HANDLE drive) : DriveData(driveIndex, drive) { MBRData::ReadLayout(); }

bool MBRData::ReadLayout()
{
    std::vector<BYTE> layout;
    if (!QueryDriveLayout(m_hDrive, layout))
        return false;
    std::memcpy(&m_Signature, layout.data() + offsetof(DRIVE_LAYOUT_INFORMATION_EX, Mbr.Signature),
                sizeof m_Signature);
    std::memcpy(&m_PartitionCount, layout.data() + offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionCount),
                sizeof m_PartitionCount);
    ClearPartitions();

    DISK_GEOMETRY geometry = {};
    DWORD returned = 0;
    if (!GetDiskSystem().DeviceIoControl(m_hDrive, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry,
                                         sizeof geometry, &returned))
        return true;
    m_TracksPerCylinder = geometry.TracksPerCylinder;
    m_SectorsPerTrack = geometry.SectorsPerTrack;
    m_BytesPerSector = geometry.BytesPerSector;
    TakePartitions(WalkMbrLayout(layout.data(), layout.size(), m_TracksPerCylinder, m_SectorsPerTrack,
                                 m_BytesPerSector, Services()));
    return true;
}

std::wstring MBRData::GetDiskId()
{
    wchar_t text[16];
    std::swprintf(text, 16, L"%d", static_cast<int>(m_Signature));
    return text;
}

} // namespace gs
