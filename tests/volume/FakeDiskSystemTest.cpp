// The replies of the disk fake that later users (layout readers, drive manager, USB
// formatting) depend on: buffer growth, partial replies and handle bookkeeping.
#include "support/FakeDiskSystem.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

using namespace testing_support;

namespace {

constexpr unsigned long long MB = 1048576ULL;
const GUID kBasicData = {0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};

class FakeDiskSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeDisk gpt;
        gpt.number = 1;
        gpt.busType = BusTypeUsb;
        gpt.removable = true;
        gpt.size = 64000 * MB;
        gpt.style = PARTITION_STYLE_GPT;
        gpt.diskId = {0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};
        for (DWORD i = 0; i < 6; ++i)
            gpt.partitions.push_back(
                FakeDiskSystem::GptPartition(i + 1, (1 + i * 100) * MB, 100 * MB, kBasicData));
        fake.AddDisk(gpt);

        FakeDisk mbr;
        mbr.number = 0;
        mbr.size = 32000 * MB;
        mbr.signature = 0x80000001;
        mbr.partitions = {FakeDiskSystem::MbrPartition(1, MB, 31000 * MB, 0x07, true),
                          FakeDiskSystem::EmptyMbrSlot(), FakeDiskSystem::EmptyMbrSlot(),
                          FakeDiskSystem::EmptyMbrSlot()};
        fake.AddDisk(mbr);
    }
    void TearDown() override { EXPECT_EQ(fake.OpenHandleCount(), 0u); }

    HANDLE Open(const wchar_t* name, DWORD access = GENERIC_READ)
    {
        return fake.CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0);
    }

    FakeDiskSystem fake;
};

TEST_F(FakeDiskSystemTest, LayoutAsksForALargerBufferUntilAllEntriesFit)
{
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    ASSERT_NE(disk, INVALID_HANDLE_VALUE);

    // 48-byte header and four entries: six entries don't fit.
    std::vector<unsigned char> buffer(624);
    DWORD returned = 99;
    EXPECT_FALSE(fake.DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0, buffer.data(), 624,
                                      &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(returned, 0u);

    buffer.assign(624 + 576, 0);
    ASSERT_TRUE(fake.DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0, buffer.data(),
                                     static_cast<DWORD>(buffer.size()), &returned));
    EXPECT_EQ(returned, 48u + 6 * 144);
    auto* layout = reinterpret_cast<DRIVE_LAYOUT_INFORMATION_EX*>(buffer.data());
    EXPECT_EQ(layout->PartitionStyle, static_cast<DWORD>(PARTITION_STYLE_GPT));
    EXPECT_EQ(layout->PartitionCount, 6u);
    EXPECT_EQ(layout->Gpt.DiskId.Data1, 0x11223344u);
    EXPECT_EQ(layout->PartitionEntry[5].PartitionNumber, 6u);
    EXPECT_EQ(layout->PartitionEntry[5].StartingOffset.QuadPart, static_cast<LONGLONG>(501 * MB));
    EXPECT_TRUE(IsEqualGUID(layout->PartitionEntry[5].Gpt.PartitionType, kBasicData));
    EXPECT_TRUE(fake.CloseHandle(disk));
}

TEST_F(FakeDiskSystemTest, GeometryExFillsWhatFits)
{
    HANDLE disk = Open(L"\\\\.\\PHYSICALDRIVE0", 0);
    ASSERT_NE(disk, INVALID_HANDLE_VALUE);

    unsigned char buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), 0xAA);
    DWORD returned = 0;
    ASSERT_TRUE(
        fake.DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, buffer, 56, &returned));
    EXPECT_EQ(returned, 56u);
    auto* geometry = reinterpret_cast<DISK_GEOMETRY_EX*>(buffer);
    EXPECT_EQ(geometry->DiskSize.QuadPart, static_cast<LONGLONG>(32000 * MB));
    EXPECT_EQ(geometry->Geometry.BytesPerSector, 512u);
    EXPECT_EQ(*reinterpret_cast<DWORD*>(buffer + 36), static_cast<DWORD>(PARTITION_STYLE_MBR));
    EXPECT_EQ(DiskGeometryGetPartition(geometry)->Mbr.Signature, 0x80000001u);
    EXPECT_EQ(buffer[56], 0xAA);

    // 40 bytes: geometry, size and the start of the partition block only.
    std::fill(std::begin(buffer), std::end(buffer), 0xAA);
    ASSERT_TRUE(
        fake.DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, buffer, 40, &returned));
    EXPECT_EQ(returned, 40u);
    EXPECT_EQ(buffer[40], 0xAA);

    EXPECT_FALSE(
        fake.DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, buffer, 24, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_TRUE(fake.CloseHandle(disk));
}

TEST_F(FakeDiskSystemTest, StorageDescriptorHonoursTheOutputSize)
{
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive1");
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    unsigned char buffer[40];
    std::fill(std::begin(buffer), std::end(buffer), 0xAA);
    DWORD returned = 0;
    ASSERT_TRUE(fake.DeviceIoControl(disk, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), buffer, 12,
                                     &returned));
    EXPECT_EQ(returned, 12u);
    EXPECT_EQ(buffer[12], 0xAA);
    ASSERT_TRUE(fake.DeviceIoControl(disk, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query), buffer, 40,
                                     &returned));
    EXPECT_EQ(returned, 40u);
    EXPECT_EQ(*reinterpret_cast<DWORD*>(buffer + 28), static_cast<DWORD>(BusTypeUsb));
    EXPECT_EQ(buffer[10], TRUE); // removable media
    EXPECT_TRUE(fake.CloseHandle(disk));
}

TEST_F(FakeDiskSystemTest, ExtentsReportMoreDataWhenTheyDontFit)
{
    FakeVolume spanned;
    spanned.letter = L'G';
    spanned.device = L"\\Device\\HarddiskVolume3";
    spanned.extents = {FakeDiskSystem::Extent(0, MB, 10 * MB), FakeDiskSystem::Extent(1, MB, 10 * MB),
                       FakeDiskSystem::Extent(1, 20 * MB, 10 * MB)};
    fake.AddVolume(spanned);

    HANDLE volume = Open(L"\\\\.\\G:");
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    VOLUME_DISK_EXTENTS one = {};
    DWORD returned = 0;
    EXPECT_FALSE(fake.DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &one,
                                      sizeof(one), &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(one.NumberOfDiskExtents, 3u);

    std::vector<unsigned char> all(offsetof(VOLUME_DISK_EXTENTS, Extents) + 3 * sizeof(DISK_EXTENT));
    ASSERT_TRUE(fake.DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, all.data(),
                                     static_cast<DWORD>(all.size()), &returned));
    EXPECT_EQ(returned, all.size());
    auto* extents = reinterpret_cast<VOLUME_DISK_EXTENTS*>(all.data());
    EXPECT_EQ(extents->Extents[2].StartingOffset.QuadPart, static_cast<LONGLONG>(20 * MB));
    EXPECT_TRUE(fake.CloseHandle(volume));
}

TEST_F(FakeDiskSystemTest, LetterlessVolumeOpensThroughADefinedDosDevice)
{
    FakeVolume efi;
    efi.device = L"\\Device\\HarddiskVolume8";
    efi.fileSystem = L"FAT32";
    efi.label = L"SYSTEM";
    fake.AddVolume(efi);

    // An NT path is no Win32 path.
    EXPECT_EQ(Open(L"\\Device\\HarddiskVolume8", 0x80000088), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Open(L"\\\\.\\1:"), INVALID_HANDLE_VALUE);

    ASSERT_TRUE(fake.DefineDosDeviceW(DDD_RAW_TARGET_PATH, L"1:", L"\\Device\\HarddiskVolume8"));
    HANDLE volume = Open(L"\\\\.\\1:", 0x80000088);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    wchar_t label[261] = {}, fs[261] = {};
    ASSERT_TRUE(fake.GetVolumeInformationByHandleW(volume, label, 261, nullptr, nullptr, nullptr, fs, 261));
    EXPECT_STREQ(label, L"SYSTEM");
    EXPECT_STREQ(fs, L"FAT32");
    EXPECT_TRUE(fake.CloseHandle(volume));

    HANDLE global = Open(L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume8");
    EXPECT_NE(global, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(fake.CloseHandle(global));

    auto definitions = fake.Definitions();
    ASSERT_EQ(definitions.size(), 1u);
    EXPECT_EQ(definitions[0].name, L"1:");
    EXPECT_EQ(definitions[0].target, L"\\Device\\HarddiskVolume8");
    wchar_t target[64] = {};
    EXPECT_EQ(fake.QueryDosDeviceW(L"1:", target, 64), 25u); // text, terminator, final terminator
    EXPECT_STREQ(target, L"\\Device\\HarddiskVolume8");
}

TEST_F(FakeDiskSystemTest, ClosingTwiceIsRecorded)
{
    HANDLE disk = Open(L"\\\\.\\PhysicalDrive0");
    EXPECT_EQ(fake.OpenHandleCount(), 1u);
    EXPECT_TRUE(fake.CloseHandle(disk));
    EXPECT_FALSE(fake.CloseHandle(disk));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    ASSERT_EQ(fake.BadCloses().size(), 1u);
    EXPECT_EQ(fake.BadCloses()[0], disk);
}

} // namespace
