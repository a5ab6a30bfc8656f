// The volume and drive queries, against a scripted machine.
#include "engine/VolumeQuery.h"
#include "support/FakeDiskSystem.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

using namespace testing_support;

namespace {

constexpr unsigned long long MB = 1048576ULL;

class VolumeQueryTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(fake.OpenHandleCount(), 0u) << "handles left open";
        EXPECT_TRUE(fake.BadCloses().empty()) << "handles closed twice";
    }

    FakeVolume& AddVolume(wchar_t letter, UINT type, const wchar_t* fs = L"NTFS")
    {
        FakeVolume v;
        v.letter = letter;
        v.device = L"\\Device\\HarddiskVolume" + std::to_wstring(++volumeCount);
        v.driveType = type;
        v.fileSystem = fs;
        volumes.push_back(v);
        return volumes.back();
    }
    void Commit()
    {
        for (const auto& v : volumes)
            fake.AddVolume(v);
        volumes.clear();
    }

    FakeDiskSystem fake;
    ScopedDiskSystem use{fake};
    std::deque<FakeVolume> volumes; // stable references while a test fills them
    int volumeCount = 0;
};

TEST(FitVolumeLabel, ShortensLongLabelsAndNamesEmptyOnes)
{
    EXPECT_EQ(FitVolumeLabel(L""), L"NONAME");
    EXPECT_EQ(FitVolumeLabel(L"INSTALL_MEDIA_X64"), L"INSTALL_M~1");
    EXPECT_EQ(FitVolumeLabel(L"ELEVENCHARS"), L"ELEVENCHARS");
    EXPECT_EQ(FitVolumeLabel(L"TWELVE_CHARS"), L"TWELVE_CH~1");
    EXPECT_EQ(FitVolumeLabel(L"A"), L"A");
}

TEST_F(VolumeQueryTest, SizesAreWholeMegabytesRoundedDown)
{
    FakeVolume& e = AddVolume(L'E', DRIVE_REMOVABLE, L"FAT32");
    e.totalBytes = 8000 * MB + MB - 1;
    e.freeBytes = 9 * MB;         // free on the volume, ignoring quotas
    e.freeToCallerBytes = MB - 1; // what the caller may use
    FakeVolume& f = AddVolume(L'F', DRIVE_FIXED);
    f.freeToCallerBytes = 1572864; // 1.5 MB
    Commit();

    EXPECT_EQ(GetDiskTotalMB(L"E:\\"), 8000.0);
    EXPECT_EQ(GetDiskFreeMB(L"E:\\"), 0.0);
    EXPECT_EQ(GetDiskFreeMB(L"F:\\"), 1.0);
    EXPECT_EQ(GetDiskFreeMB(L"F:\\Some\\Folder\\"), 1.0);
    EXPECT_EQ(GetDiskTotalMB(L"Q:\\"), 0.0);
    EXPECT_EQ(GetDiskFreeMB(L"Q:\\"), 0.0);
}

TEST_F(VolumeQueryTest, DriveTypes)
{
    AddVolume(L'C', DRIVE_FIXED);
    AddVolume(L'D', DRIVE_CDROM, L"CDFS");
    AddVolume(L'E', DRIVE_REMOVABLE, L"FAT32");
    AddVolume(L'N', DRIVE_REMOTE);
    AddVolume(L'R', DRIVE_RAMDISK);
    Commit();

    EXPECT_TRUE(IsCdRomDrive(L"D:\\"));
    EXPECT_FALSE(IsCdRomDrive(L"C:\\"));
    EXPECT_FALSE(IsCdRomDrive(L"Q:\\"));

    EXPECT_TRUE(IsRemovableOrFixed(L"C:\\"));
    EXPECT_TRUE(IsRemovableOrFixed(L"e:\\Sources\\boot.wim")); // only the letter counts
    EXPECT_TRUE(IsRemovableOrFixed(L"E"));
    EXPECT_FALSE(IsRemovableOrFixed(L"D:\\"));
    EXPECT_FALSE(IsRemovableOrFixed(L"N:\\"));
    EXPECT_FALSE(IsRemovableOrFixed(L"R:\\"));
    EXPECT_FALSE(IsRemovableOrFixed(L"Q:\\"));
    EXPECT_FALSE(IsRemovableOrFixed(L""));
}

TEST_F(VolumeQueryTest, UsbBusDetection)
{
    auto disk = [&](int number, STORAGE_BUS_TYPE bus, bool removable) {
        FakeDisk d;
        d.number = number;
        d.busType = bus;
        d.removable = removable;
        d.size = 16000 * MB;
        fake.AddDisk(d);
    };
    disk(0, BusTypeSata, false);
    disk(1, BusTypeUsb, false); // USB hard disk
    disk(2, BusTypeUsb, true);  // flash stick
    disk(3, BusTypeSd, true);   // card reader on another bus
    AddVolume(L'C', DRIVE_FIXED).extents = {FakeDiskSystem::Extent(0, MB, 15000 * MB)};
    AddVolume(L'F', DRIVE_FIXED).extents = {FakeDiskSystem::Extent(1, MB, 15000 * MB)};
    AddVolume(L'E', DRIVE_REMOVABLE, L"FAT32").extents = {FakeDiskSystem::Extent(2, MB, 15000 * MB)};
    AddVolume(L'S', DRIVE_REMOVABLE, L"FAT32").extents = {FakeDiskSystem::Extent(3, MB, 15000 * MB)};
    AddVolume(L'D', DRIVE_CDROM, L"CDFS");
    FakeVolume& denied = AddVolume(L'G', DRIVE_REMOVABLE, L"FAT32");
    denied.extents = {FakeDiskSystem::Extent(2, MB, 15000 * MB)};
    denied.error = ERROR_ACCESS_DENIED;
    Commit();

    EXPECT_TRUE(IsUSBBusDrive(L"F:\\"));
    EXPECT_TRUE(IsUSBBusDrive(L"e:\\"));
    EXPECT_FALSE(IsUSBBusDrive(L"C:\\"));
    EXPECT_FALSE(IsUSBBusDrive(L"S:\\"));
    EXPECT_FALSE(IsUSBBusDrive(L"G:\\"));

    // The device is opened as "\\?\E:" for reading, shared, and only for removable or
    // fixed drives.
    fake.ClearRecords();
    EXPECT_FALSE(IsUSBBusDrive(L"D:\\"));
    EXPECT_TRUE(fake.Opens().empty());
    EXPECT_TRUE(IsUSBBusDrive(L"E:\\"));
    auto opens = fake.Opens();
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].name, L"\\\\?\\E:");
    EXPECT_EQ(opens[0].access, static_cast<DWORD>(GENERIC_READ));
    EXPECT_EQ(opens[0].share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE));
    EXPECT_EQ(opens[0].disposition, static_cast<DWORD>(OPEN_EXISTING));
}

TEST_F(VolumeQueryTest, VolumeReadinessFollowsTheError)
{
    AddVolume(L'C', DRIVE_FIXED);
    AddVolume(L'D', DRIVE_CDROM, L"CDFS").error = ERROR_NOT_READY; // empty DVD drive
    AddVolume(L'E', DRIVE_REMOVABLE, L"FAT32").error = ERROR_INVALID_PARAMETER;
    AddVolume(L'F', DRIVE_FIXED).error = ERROR_ACCESS_DENIED;
    Commit();

    EXPECT_TRUE(IsVolumeReady(L"C:\\"));
    EXPECT_FALSE(IsVolumeReady(L"D:\\"));
    EXPECT_FALSE(IsVolumeReady(L"E:\\"));
    EXPECT_TRUE(IsVolumeReady(L"F:\\"));
}

TEST_F(VolumeQueryTest, NtfsOnlyForAnNtfsRoot)
{
    AddVolume(L'C', DRIVE_FIXED, L"NTFS");
    AddVolume(L'E', DRIVE_REMOVABLE, L"FAT32");
    AddVolume(L'F', DRIVE_REMOVABLE, L"exFAT");
    AddVolume(L'G', DRIVE_FIXED, L"ntfs");
    AddVolume(L'H', DRIVE_FIXED, L"NTFS").error = ERROR_NOT_READY;
    Commit();

    EXPECT_TRUE(IsNTFSVolume(L"C:\\"));
    EXPECT_FALSE(IsNTFSVolume(L"C:\\Images\\"));
    EXPECT_FALSE(IsNTFSVolume(L"E:\\"));
    EXPECT_FALSE(IsNTFSVolume(L"F:\\"));
    EXPECT_FALSE(IsNTFSVolume(L"G:\\"));
    EXPECT_FALSE(IsNTFSVolume(L"H:\\"));
    EXPECT_FALSE(IsNTFSVolume(L"Q:\\"));
}

TEST_F(VolumeQueryTest, LabelsReadAndSet)
{
    AddVolume(L'D', DRIVE_CDROM, L"UDF").label = L"GRMCULFRER_EN_DVD";
    AddVolume(L'E', DRIVE_REMOVABLE, L"FAT32");
    AddVolume(L'F', DRIVE_REMOVABLE, L"FAT32").error = ERROR_NOT_READY;
    Commit();

    std::wstring label = L"stale";
    GetVolumeLabel(L"D:\\", label);
    EXPECT_EQ(label, L"GRMCULFRER_EN_DVD");
    label = L"stale";
    GetVolumeLabel(L"E:\\", label);
    EXPECT_EQ(label, L"");
    label = L"stale";
    GetVolumeLabel(L"F:\\", label);
    EXPECT_EQ(label, L"");

    // Only the first character of the path names the drive.
    SetVolumeLabel(L"e:\\", FitVolumeLabel(L"GRMCULFRER_EN_DVD"));
    EXPECT_EQ(fake.Volume(L'E')->label, L"GRMCULFRE~1");
    SetVolumeLabel(L"E", L"WIN7");
    EXPECT_EQ(fake.Volume(L'E')->label, L"WIN7");
    SetVolumeLabel(L"F", L"IGNORED"); // failure is not reported
    EXPECT_EQ(fake.Volume(L'F')->label, L"");
}

TEST_F(VolumeQueryTest, DiskNumberNeedsExactlyOneExtent)
{
    AddVolume(L'E', DRIVE_REMOVABLE, L"FAT32").extents = {FakeDiskSystem::Extent(3, MB, 100 * MB)};
    AddVolume(L'F', DRIVE_FIXED); // no extent: what Wine answers for every volume
    AddVolume(L'G', DRIVE_FIXED).extents = {FakeDiskSystem::Extent(1, MB, 100 * MB),
                                            FakeDiskSystem::Extent(2, MB, 100 * MB)};
    FakeVolume& empty = AddVolume(L'H', DRIVE_REMOVABLE, L"FAT32");
    empty.extents = {FakeDiskSystem::Extent(4, MB, 100 * MB)};
    empty.error = ERROR_NOT_READY;
    Commit();

    fake.ClearRecords();
    EXPECT_EQ(GetDiskNumber(L"E"), 3);
    auto opens = fake.Opens();
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].name, L"\\\\.\\E:");
    EXPECT_EQ(opens[0].share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE));

    EXPECT_EQ(GetDiskNumber(L"e"), 3);
    EXPECT_EQ(GetDiskNumber(L"F"), -1);
    EXPECT_EQ(GetDiskNumber(L"G"), -1); // a spanned volume is on no one disk
    EXPECT_EQ(GetDiskNumber(L"H"), -1);
    EXPECT_EQ(GetDiskNumber(L"Q"), -1);
    EXPECT_EQ(GetDiskNumber(L""), -1);
}

TEST_F(VolumeQueryTest, PhysicalDiskSizeFromGeometry)
{
    FakeDisk d;
    d.number = 2;
    d.geometry.Cylinders.QuadPart = 1020;
    d.geometry.TracksPerCylinder = 255;
    d.geometry.SectorsPerTrack = 63;
    d.geometry.BytesPerSector = 512;
    d.geometry.MediaType = RemovableMedia;
    fake.AddDisk(d); // 8,389,785,600 bytes
    FakeDisk big;
    big.number = 5;
    big.size = 3000000000000ULL; // geometry derived: 364,729 whole cylinders
    fake.AddDisk(big);
    FakeDisk locked;
    locked.number = 6;
    locked.size = 1000 * MB;
    locked.openError = ERROR_ACCESS_DENIED;
    fake.AddDisk(locked);

    fake.ClearRecords();
    EXPECT_EQ(GetPhysicalDiskSizeMB(2), 8001);
    auto opens = fake.Opens();
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].name, L"\\\\.\\PHYSICALDRIVE2");
    EXPECT_EQ(opens[0].access, 0u); // a query needs no read or write access

    EXPECT_EQ(GetPhysicalDiskSizeMB(5), 364729LL * 255 * 63 * 512 / static_cast<long long>(MB));
    EXPECT_EQ(GetPhysicalDiskSizeMB(6), 0);
    EXPECT_EQ(GetPhysicalDiskSizeMB(9), 0);
    EXPECT_EQ(GetPhysicalDiskSizeMB(-1), 0);
}

TEST_F(VolumeQueryTest, SymbolicLinkTargetStaysInsideTheBuffer)
{
    const std::wstring target = L"\\Device\\HarddiskVolume12"; // 24 characters
    fake.AddLink(L"\\Device\\Harddisk1\\Partition1", target);

    // A buffer of exactly the target's bytes leaves no room for the terminator.
    const wchar_t canary = 0xCAFE;
    std::vector<wchar_t> buffer(24 + 1 + 1, L'#');
    buffer[24] = canary;
    EXPECT_EQ(QueryDosSymbolicLink(L"\\Device\\Harddisk1\\Partition1", buffer.data(), 48), 0);
    EXPECT_EQ(buffer[24], canary);

    // One character more holds the target and its terminator, and nothing beyond.
    std::fill(buffer.begin(), buffer.end(), L'#');
    buffer[25] = canary;
    EXPECT_EQ(QueryDosSymbolicLink(L"\\Device\\Harddisk1\\Partition1", buffer.data(), 50), 1);
    EXPECT_EQ(std::wstring(buffer.data()), target);
    EXPECT_EQ(buffer[25], canary);

    // An odd capacity keeps whole characters.
    std::fill(buffer.begin(), buffer.end(), L'#');
    buffer[25] = canary;
    EXPECT_EQ(QueryDosSymbolicLink(L"\\Device\\Harddisk1\\Partition1", buffer.data(), 51), 1);
    EXPECT_EQ(std::wstring(buffer.data()), target);
    EXPECT_EQ(buffer[25], canary);
}

TEST_F(VolumeQueryTest, SymbolicLinkLookup)
{
    fake.AddLink(L"\\Device\\Harddisk1\\Partition1", L"\\Device\\HarddiskVolume7");
    wchar_t buffer[64] = {};
    // The name is matched without regard to case.
    EXPECT_EQ(QueryDosSymbolicLink(L"\\device\\HARDDISK1\\partition1", buffer, sizeof(buffer)), 1);
    EXPECT_STREQ(buffer, L"\\Device\\HarddiskVolume7");
    EXPECT_EQ(QueryDosSymbolicLink(L"\\Device\\Harddisk1\\Partition2", buffer, sizeof(buffer)), 0);
    EXPECT_EQ(QueryDosSymbolicLink(L"\\Device\\Harddisk1\\Partition1", buffer, 0), 0);
}

TEST_F(VolumeQueryTest, PartitionLetterFromTheVolumeDevice)
{
    AddVolume(L'C', DRIVE_FIXED);               // HarddiskVolume1
    AddVolume(L'E', DRIVE_REMOVABLE, L"FAT32"); // HarddiskVolume2
    FakeVolume hidden;                          // a partition without a letter
    hidden.device = L"\\Device\\HarddiskVolume9";
    volumes.push_back(hidden);
    AddVolume(L'F', DRIVE_REMOVABLE, L"FAT32").device = L"\\Device\\HARDDISKVOLUME10";
    Commit();
    fake.AddPartitionLink(1, 1, L"\\Device\\HarddiskVolume2");
    fake.AddPartitionLink(1, 2, L"\\Device\\HarddiskVolume9");
    fake.AddPartitionLink(1, 3, L"\\Device\\HarddiskVolume10");

    wchar_t letter = L'?';
    EXPECT_TRUE(GetPartitionLetter(1, 1, letter));
    EXPECT_EQ(letter, L'E');

    letter = L'?';
    EXPECT_FALSE(GetPartitionLetter(1, 2, letter));
    EXPECT_EQ(letter, 0);

    // The device names must match exactly, case included.
    letter = L'?';
    EXPECT_FALSE(GetPartitionLetter(1, 3, letter));
    EXPECT_EQ(letter, 0);

    letter = L'?';
    EXPECT_FALSE(GetPartitionLetter(4, 1, letter));
    EXPECT_EQ(letter, 0);
}

TEST_F(VolumeQueryTest, PartitionLetterTakesTheNewestDosDefinition)
{
    AddVolume(L'E', DRIVE_REMOVABLE, L"FAT32"); // HarddiskVolume1
    Commit();
    fake.AddPartitionLink(1, 1, L"\\Device\\HarddiskVolume1");
    // A later definition of E: hides the volume.
    fake.AddDosDevice(L"E:", L"\\Device\\HarddiskVolume3");
    wchar_t letter = L'?';
    EXPECT_FALSE(GetPartitionLetter(1, 1, letter));
    EXPECT_EQ(letter, 0);
}

} // namespace
