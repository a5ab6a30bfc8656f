#pragma once
// What the engine knows about one physical disk: drive type, size, partition style,
// identifier and the ordered list of partitions, with records for unused space.
// The list is built from the partition table the system reports, not from raw sectors.
#include <windows.h>
#include <winioctl.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace gs {

enum PartitionKind : unsigned {
    PARTITION_KIND_PRIMARY = 0, // primary, basic data or recovery
    PARTITION_KIND_EXTENDED = 1,
    PARTITION_KIND_LOGICAL = 2,  // also an extended partition holding no logical ones
    PARTITION_KIND_RESERVED = 3, // Microsoft reserved
    PARTITION_KIND_EFI = 4,
    PARTITION_KIND_UNUSED = 5,
};

struct _Partition {
    int index = 0;               // position in the list, unused records included
    int number = 0;              // the system's partition number; 0 for unused space
    unsigned long long size = 0; // MiB, truncated
    unsigned kind = PARTITION_KIND_UNUSED;
    std::wstring letter;             // "", "E", or "E:\" once the volume was read through it
    std::wstring type;               // file system, or a fixed name
    std::wstring label;              // "NONAME" for a volume without one; empty when unread
    PARTITION_INFORMATION_EX info{}; // as the system reported it; zero for unused space
};

// What a layout walk asks of the disk it describes.
struct LayoutServices {
    // The drive letter ("E") of a partition number, empty when it has none.
    std::function<std::wstring(int number)> partitionLetter;
    // Reads the partition's volume: file system and label.
    std::function<bool(_Partition& partition, std::wstring& fileSystem, std::wstring& label)> queryVolume;
    // The disk's size in bytes, 0 when unknown.
    std::function<long long()> diskSize;
};

// Builds the records of a GPT layout (an IOCTL_DISK_GET_DRIVE_LAYOUT_EX answer of `size`
// bytes), gaps of more than 2 MiB included, indexes numbered. Entries that do not lie on
// the disk are left out.
std::vector<_Partition> WalkGptLayout(const BYTE* layout, size_t size, const LayoutServices& disk);

// Builds the records of an MBR layout. Gaps count from one cylinder on; a geometry with a
// zero field gives no records. Entries that do not lie on the disk are left out, and the
// logical tables are listed once, under the first extended container.
std::vector<_Partition> WalkMbrLayout(const BYTE* layout, size_t size, DWORD tracksPerCylinder,
                                      DWORD sectorsPerTrack, DWORD bytesPerSector,
                                      const LayoutServices& disk);

// Asks the device for its extended layout, growing the buffer while the system answers
// ERROR_INSUFFICIENT_BUFFER, up to a bounded number of tries. On success `layout` holds the
// answer's bytes.
bool QueryDriveLayout(HANDLE drive, std::vector<BYTE>& layout);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
std::wstring GuidToRegistryText(const GUID& guid);

class DriveData {
public:
    DriveData();
    DriveData(int driveIndex, HANDLE drive);
    virtual ~DriveData();
    DriveData(const DriveData&) = delete;
    DriveData& operator=(const DriveData&) = delete;

    virtual bool QueryVolumes(_Partition& partition, std::wstring& fileSystem, std::wstring& label);
    virtual bool ReadLayout() = 0;
    virtual std::wstring GetDiskId() = 0;
    virtual int GetStyle() = 0;
    virtual bool GetPartitionDevice(int number, wchar_t& letter);

    size_t GetPartitionCount() const { return m_Partition.size(); }
    _Partition* GetPartition(size_t Index) const;
    int GetDriveIndex() const { return m_DriveIndex; }

    // 1, 2, 4, 5, 6 as the system says; a fixed disk is 7 on the USB bus, else 3; else 0.
    unsigned GetDriveType();
    bool IsUSBBus();
    // Bytes, from the extended geometry; 0 when the query fails.
    long long GetDiskSize();

protected:
    void ClearPartitions();
    void TakePartitions(std::vector<_Partition>&& partitions);
    LayoutServices Services();

    std::deque<std::unique_ptr<_Partition>> m_Partition;
    HANDLE m_hDrive; // borrowed from the drive device, never closed here
    int m_DriveIndex;
};

class GPTData : public DriveData {
public:
    GPTData(int driveIndex, HANDLE drive);
    bool ReadLayout() override;
    std::wstring GetDiskId() override;
    int GetStyle() override { return 1; }

private:
    GUID m_DiskId{};
    DWORD m_PartitionCount = 0;
};

class MBRData : public DriveData {
public:
    MBRData(int driveIndex, HANDLE drive);
    bool ReadLayout() override;
    std::wstring GetDiskId() override;
    int GetStyle() override { return 0; }

private:
    DWORD m_Signature = 0;
    DWORD m_PartitionCount = 0;
    DWORD m_TracksPerCylinder = 0;
    DWORD m_SectorsPerTrack = 0;
    DWORD m_BytesPerSector = 0;
};

class RAWData : public DriveData {
public:
    RAWData() = default;
    bool ReadLayout() override { return true; }
    std::wstring GetDiskId() override { return std::wstring(); }
    int GetStyle() override { return 2; }
};

} // namespace gs
