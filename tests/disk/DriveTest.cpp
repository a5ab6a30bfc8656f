#include "HookedDiskSystem.h"
#include "LayoutBytes.h"
#include "src/disk/DiskOP.h"
#include "src/disk/Drive.h"
#include "src/disk/DriveManager.h"
#include "support/FakeDiskSystem.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testing_support;
using namespace disktest;

namespace {

FakeDisk SataDisk(int number, unsigned long long sizeMiB)
{
    FakeDisk disk;
    disk.number = number;
    disk.size = sizeMiB * MiB;
    disk.signature = 0x1000 + number;
    disk.partitions = {FakeDiskSystem::MbrPartition(1, MiB, (sizeMiB - 2) * MiB, 0x07),
                       FakeDiskSystem::EmptyMbrSlot(), FakeDiskSystem::EmptyMbrSlot(),
                       FakeDiskSystem::EmptyMbrSlot()};
    return disk;
}

size_t CountControls(const FakeDiskSystem& fake, DWORD code)
{
    auto controls = fake.Controls();
    return static_cast<size_t>(std::count(controls.begin(), controls.end(), code));
}

class DriveTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        gs::DriveManager::ReleaseInstance();
        EXPECT_EQ(fake.OpenHandleCount(), 0u);
        EXPECT_TRUE(fake.BadCloses().empty());
    }

    FakeDiskSystem fake;
    ScopedDiskSystem use{fake};
};

} // namespace

TEST_F(DriveTest, GapsInTheNumberingAreSkipped)
{
    fake.AddDisk(SataDisk(0, 1000));
    fake.AddDisk(SataDisk(2, 2000));
    gs::DriveManager* manager = gs::DriveManager::Instance();
    ASSERT_EQ(manager->GetCount(), 2u);
    EXPECT_EQ(manager->GetDriveData(0)->GetDriveIndex(), 0);
    EXPECT_EQ(manager->GetDriveData(1)->GetDriveIndex(), 2);
    // Every number up to 31 was tried.
    auto opens = fake.Opens();
    ASSERT_EQ(opens.size(), 32u);
    EXPECT_EQ(opens.back().name, L"\\\\.\\PhysicalDrive31");
    // Each device stays open for the manager's life.
    EXPECT_EQ(fake.OpenHandleCount(), 2u);
}

TEST_F(DriveTest, DevicesOpenForReadingOnlyAndNeverCreate)
{
    fake.AddDisk(SataDisk(0, 1000));
    gs::DriveManager::Instance();
    FakeOpen open = fake.Opens().front();
    EXPECT_EQ(open.name, L"\\\\.\\PhysicalDrive0");
    EXPECT_EQ(open.access, static_cast<DWORD>(GENERIC_READ));
    EXPECT_EQ(open.share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE));
    EXPECT_EQ(open.disposition, static_cast<DWORD>(OPEN_EXISTING));

    gs::File file;
    file.SetPath("\\\\.\\PhysicalDrive0");
    ASSERT_TRUE(file.Open());
    open = fake.Opens().back();
    EXPECT_EQ(open.access, static_cast<DWORD>(GENERIC_READ));
    EXPECT_EQ(open.disposition, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(open.flags, static_cast<DWORD>(FILE_FLAG_WRITE_THROUGH | FILE_FLAG_RANDOM_ACCESS));
    file.Close();
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(DriveTest, StylesChooseTheLayout)
{
    FakeDisk mbr = SataDisk(0, 1000);
    mbr.signature = 0x80000001;
    fake.AddDisk(mbr);

    FakeDisk gpt;
    gpt.number = 1;
    gpt.size = 1000 * MiB;
    gpt.style = PARTITION_STYLE_GPT;
    gpt.diskId = {0xA1B2C3D4, 0x0102, 0xABCD, {1, 2, 3, 4, 5, 6, 7, 8}};
    gpt.partitions = {FakeDiskSystem::GptPartition(1, MiB, 100 * MiB, kEfi),
                      FakeDiskSystem::GptPartition(2, 101 * MiB, 16 * MiB, kReserved),
                      FakeDiskSystem::GptPartition(3, 117 * MiB, 882 * MiB, kBasicData)};
    fake.AddDisk(gpt);

    FakeDisk raw;
    raw.number = 2;
    raw.size = 1000 * MiB;
    raw.style = PARTITION_STYLE_RAW;
    fake.AddDisk(raw);

    gs::DriveManager* manager = gs::DriveManager::Instance();
    ASSERT_EQ(manager->GetCount(), 3u);
    gs::DriveData* first = manager->GetDriveData(0);
    EXPECT_EQ(first->GetStyle(), 0);
    EXPECT_EQ(first->GetDiskId(), L"-2147483647");
    EXPECT_EQ(first->GetDiskSize(), 1000 * MiB);

    gs::DriveData* second = manager->GetDriveData(1);
    EXPECT_EQ(second->GetStyle(), 1);
    EXPECT_EQ(second->GetDiskId(), L"{A1B2C3D4-0102-ABCD-0102-030405060708}");
    ASSERT_EQ(second->GetPartitionCount(), 3u);
    EXPECT_EQ(second->GetPartition(0)->kind, gs::PARTITION_KIND_EFI);
    EXPECT_EQ(second->GetPartition(1)->kind, gs::PARTITION_KIND_RESERVED);
    EXPECT_EQ(second->GetPartition(2)->kind, gs::PARTITION_KIND_PRIMARY);

    gs::DriveData* third = manager->GetDriveData(2);
    EXPECT_EQ(third->GetStyle(), 2);
    EXPECT_EQ(third->GetDiskId(), L"");
    EXPECT_EQ(third->GetPartitionCount(), 0u);
}

TEST_F(DriveTest, DiskThatFailsToOpenIsLeftOut)
{
    fake.AddDisk(SataDisk(0, 1000));
    FakeDisk locked = SataDisk(1, 1000);
    locked.openError = ERROR_ACCESS_DENIED;
    fake.AddDisk(locked);
    fake.AddDisk(SataDisk(3, 1000));
    gs::DriveManager* manager = gs::DriveManager::Instance();
    ASSERT_EQ(manager->GetCount(), 2u);
    EXPECT_EQ(manager->GetDriveData(1)->GetDriveIndex(), 3);
}

TEST_F(DriveTest, ThirtyTwoDisksAreAllListedAndEachClosedOnce)
{
    for (int n = 0; n < 32; ++n)
        fake.AddDisk(SataDisk(n, 100 + n));
    gs::DriveManager* manager = gs::DriveManager::Instance();
    ASSERT_EQ(manager->GetCount(), 32u);
    for (size_t i = 0; i < 32; ++i)
        EXPECT_EQ(manager->GetDriveData(i)->GetDriveIndex(), static_cast<int>(i));
    EXPECT_EQ(fake.OpenHandleCount(), 32u);
    gs::DriveManager::ReleaseInstance();
    EXPECT_EQ(fake.OpenHandleCount(), 0u);

    // The next use enumerates again.
    fake.RemoveDisk(5);
    EXPECT_EQ(gs::DriveManager::Instance()->GetCount(), 31u);
}

TEST_F(DriveTest, ShortGeometryAnswerReadsAsRaw)
{
    FakeDisk gpt;
    gpt.number = 0;
    gpt.size = 1000 * MiB;
    gpt.style = PARTITION_STYLE_GPT;
    gpt.partitions = {FakeDiskSystem::GptPartition(1, MiB, 100 * MiB, kBasicData)};
    fake.AddDisk(gpt);

    HookedDiskSystem hooked(fake);
    ScopedDiskSystem useHooked(hooked);
    DWORD cut = 32;
    hooked.afterControl = [&](DWORD code, BOOL&, DWORD* returned) {
        if (code == IOCTL_DISK_GET_DRIVE_GEOMETRY_EX && returned && *returned > cut)
            *returned = cut;
    };
    {
        gs::DriveDevice device(0);
        ASSERT_TRUE(device.Open());
        EXPECT_EQ(device.GetDriveData()->GetStyle(), 2);
    }
    cut = 40; // the style field is in
    {
        gs::DriveDevice device(0);
        ASSERT_TRUE(device.Open());
        EXPECT_EQ(device.GetDriveData()->GetStyle(), 1);
    }
    // A failed geometry query leaves the drive out.
    hooked.afterControl = [](DWORD code, BOOL& result, DWORD*) {
        if (code == IOCTL_DISK_GET_DRIVE_GEOMETRY_EX) {
            result = FALSE;
            SetLastError(ERROR_NOT_SUPPORTED);
        }
    };
    gs::DriveDevice device(0);
    EXPECT_FALSE(device.Open());
    EXPECT_EQ(device.GetDriveData(), nullptr);
}

TEST_F(DriveTest, UsbStickWithOneFat32Partition)
{
    FakeDisk stick;
    stick.number = 1;
    stick.busType = BusTypeUsb;
    stick.removable = true;
    stick.size = 7800 * MiB;
    stick.partitions = {FakeDiskSystem::MbrPartition(1, MiB, 7000 * MiB, 0x0C),
                        FakeDiskSystem::EmptyMbrSlot(), FakeDiskSystem::EmptyMbrSlot(),
                        FakeDiskSystem::EmptyMbrSlot()};
    fake.AddDisk(stick);
    FakeVolume volume;
    volume.letter = L'E';
    volume.device = L"\\Device\\HarddiskVolume5";
    volume.fileSystem = L"FAT32";
    volume.driveType = DRIVE_REMOVABLE;
    volume.extents = {FakeDiskSystem::Extent(1, MiB, 7000 * MiB)};
    fake.AddVolume(volume);
    fake.AddPartitionLink(1, 1, L"\\Device\\HarddiskVolume5");

    gs::DriveManager* manager = gs::DriveManager::Instance();
    ASSERT_EQ(manager->GetCount(), 1u);
    gs::DriveData* data = manager->GetDriveData(0);
    EXPECT_EQ(data->GetDriveType(), static_cast<unsigned>(DRIVE_REMOVABLE));
    ASSERT_EQ(data->GetPartitionCount(), 2u);
    gs::_Partition* p = data->GetPartition(0);
    EXPECT_EQ(p->index, 0);
    EXPECT_EQ(p->number, 1);
    EXPECT_EQ(p->kind, gs::PARTITION_KIND_PRIMARY);
    EXPECT_EQ(p->letter, L"E:\\");
    EXPECT_EQ(p->type, L"FAT32");
    EXPECT_EQ(p->label, L"NONAME");
    EXPECT_EQ(data->GetPartition(1)->kind, gs::PARTITION_KIND_UNUSED);
}

TEST_F(DriveTest, DriveTypeTellsUsbHardDisks)
{
    FakeDisk usbDisk = SataDisk(0, 1000);
    usbDisk.busType = BusTypeUsb;
    fake.AddDisk(usbDisk);
    fake.AddDisk(SataDisk(1, 1000));
    FakeDisk optical = SataDisk(2, 1000);
    optical.driveType = DRIVE_CDROM;
    fake.AddDisk(optical);
    gs::DriveManager* manager = gs::DriveManager::Instance();
    ASSERT_EQ(manager->GetCount(), 3u);
    EXPECT_EQ(manager->GetDriveData(0)->GetDriveType(), 7u);
    EXPECT_TRUE(manager->GetDriveData(0)->IsUSBBus());
    EXPECT_EQ(manager->GetDriveData(1)->GetDriveType(), 3u);
    EXPECT_FALSE(manager->GetDriveData(1)->IsUSBBus());
    EXPECT_EQ(manager->GetDriveData(2)->GetDriveType(), 5u);
}

TEST_F(DriveTest, LayoutBufferGrowsForManyEntries)
{
    // An extended partition with three logical drives: 16 entries, 2352 bytes.
    const long long cyl = 255LL * 63 * 512;
    FakeDisk disk;
    disk.number = 0;
    disk.size = 1000 * cyl;
    disk.partitions.push_back(FakeDiskSystem::MbrPartition(1, cyl, 100 * cyl, 0x07));
    disk.partitions.push_back(FakeDiskSystem::MbrPartition(0, 101 * cyl, 899 * cyl, 0x0F));
    disk.partitions.push_back(FakeDiskSystem::EmptyMbrSlot());
    disk.partitions.push_back(FakeDiskSystem::EmptyMbrSlot());
    for (int i = 0; i < 3; ++i) {
        disk.partitions.push_back(
            FakeDiskSystem::MbrPartition(5 + i, (101 + 200 * i + 1) * cyl, 199 * cyl, 0x07));
        disk.partitions.push_back(
            FakeDiskSystem::MbrPartition(0, (101 + 200 * (i + 1)) * cyl, 200 * cyl, i < 2 ? 0x05 : 0));
        disk.partitions.push_back(FakeDiskSystem::EmptyMbrSlot());
        disk.partitions.push_back(FakeDiskSystem::EmptyMbrSlot());
    }
    fake.AddDisk(disk);

    gs::DriveManager* manager = gs::DriveManager::Instance();
    ASSERT_EQ(manager->GetCount(), 1u);
    // 624, 1200, 1776, 2352 bytes.
    EXPECT_EQ(CountControls(fake, IOCTL_DISK_GET_DRIVE_LAYOUT_EX), 4u);
    gs::DriveData* data = manager->GetDriveData(0);
    std::vector<int> numbers;
    std::vector<unsigned> kinds;
    for (size_t i = 0; i < data->GetPartitionCount(); ++i) {
        numbers.push_back(data->GetPartition(i)->number);
        kinds.push_back(data->GetPartition(i)->kind);
    }
    EXPECT_EQ(numbers, (std::vector<int>{1, 0, 5, 6, 7, 0}));
    EXPECT_EQ(kinds, (std::vector<unsigned>{0, 1, 2, 2, 2, 5}));
}

TEST_F(DriveTest, LetterlessVolumeIsReadWithoutLeavingADosDevice)
{
    fake.AddDisk(SataDisk(0, 1000));
    FakeVolume hidden;
    hidden.device = L"\\Device\\HarddiskVolume7";
    hidden.fileSystem = L"NTFS";
    hidden.label = L"Recovery";
    hidden.extents = {FakeDiskSystem::Extent(0, MiB, 998 * MiB)};
    fake.AddVolume(hidden);
    fake.AddPartitionLink(0, 1, L"\\Device\\HarddiskVolume7");

    gs::DriveData* data = gs::DriveManager::Instance()->GetDriveData(0);
    gs::_Partition* p = data->GetPartition(0);
    EXPECT_EQ(p->letter, L"");
    EXPECT_EQ(p->type, L"NTFS");
    EXPECT_EQ(p->label, L"Recovery");
    EXPECT_TRUE(fake.Definitions().empty());
    bool throughRoot = false;
    for (const FakeOpen& open : fake.Opens()) {
        if (open.name == L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume7") {
            throughRoot = open.succeeded;
            EXPECT_EQ(open.access, 0x80000088u);
        }
    }
    EXPECT_TRUE(throughRoot);
}

TEST_F(DriveTest, TemporaryDosDeviceIsRemovedAfterUse)
{
    fake.AddDisk(SataDisk(0, 1000));
    FakeVolume hidden;
    hidden.device = L"\\Device\\HarddiskVolume7";
    hidden.fileSystem = L"FAT32";
    hidden.extents = {FakeDiskSystem::Extent(0, MiB, 998 * MiB)};
    fake.AddVolume(hidden);
    fake.AddPartitionLink(0, 1, L"\\Device\\HarddiskVolume7");

    HookedDiskSystem hooked(fake);
    ScopedDiskSystem useHooked(hooked);
    hooked.refuseOpen = [](const std::wstring& name) {
        return name.find(L"GLOBALROOT") != std::wstring::npos;
    };

    for (int round = 0; round < 2; ++round) {
        gs::DriveManager::ReleaseInstance();
        gs::DriveData* data = gs::DriveManager::Instance()->GetDriveData(0);
        EXPECT_EQ(data->GetPartition(0)->type, L"FAT32");
        EXPECT_EQ(data->GetPartition(0)->label, L"NONAME");
    }
    auto definitions = fake.Definitions();
    ASSERT_EQ(definitions.size(), 4u);
    for (size_t i = 0; i < definitions.size(); i += 2) {
        EXPECT_EQ(definitions[i].name, L"1:");
        EXPECT_EQ(definitions[i].target, L"\\Device\\HarddiskVolume7");
        EXPECT_TRUE(definitions[i + 1].flags & DDD_REMOVE_DEFINITION);
        EXPECT_TRUE(definitions[i + 1].succeeded);
    }
    wchar_t target[256];
    EXPECT_EQ(fake.QueryDosDeviceW(L"1:", target, 256), 0u);
}
