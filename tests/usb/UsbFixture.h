#pragma once
// A machine with one USB stick (disk 1, partition 1, drive E) and a SATA system disk,
// the diskpart stand-in, recorded message boxes and a private working folder.
#include "engine/EngineMessageBox.h"
#include "engine/USBManager.h"
#include "support/DiskpartStandIn.h"
#include "support/FakeDiskSystem.h"
#include "support/TestSupport.h"
#include "support/TraceLines.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>

namespace usbtest {

constexpr unsigned long long MiB = 1024ULL * 1024;

// One folder per process: the script file's path is relative to the current folder.
inline const std::wstring& ScriptFolder()
{
    static testing_support::TempDir folder;
    return folder.Path();
}

class UsbFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetCurrentDirectoryW(ScriptFolder().c_str());
        CUSBManager::SetSettleDelay(0);
        SetApplicationWindow(reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x1234)));

        testing_support::FakeDisk system;
        system.number = 0;
        system.size = 100000 * MiB;
        system.partitions = {testing_support::FakeDiskSystem::MbrPartition(1, MiB, 99000 * MiB, 0x07)};
        fake.AddDisk(system);
        testing_support::FakeVolume c;
        c.letter = L'C';
        c.device = L"\\Device\\HarddiskVolume1";
        c.extents = {testing_support::FakeDiskSystem::Extent(0, MiB, 99000 * MiB)};
        fake.AddVolume(c);
        fake.AddPartitionLink(0, 1, L"\\Device\\HarddiskVolume1");
        AddStick(8000);
    }

    void TearDown() override
    {
        CUSBManager::ReleaseInstance();
        SetApplicationWindow(nullptr);
        EXPECT_EQ(fake.OpenHandleCount(), 0u);
    }

    // The stick on disk 1: one partition (number `partition`) at E, of `sizeMB` MB.
    void AddStick(unsigned long long sizeMB, DWORD partition = 1, bool removable = true)
    {
        testing_support::FakeDisk stick;
        stick.number = 1;
        stick.busType = BusTypeUsb;
        stick.removable = removable;
        stick.size = sizeMB * MiB;
        // Cylinders of exactly 1 MiB, so the disk's size in MB is exactly sizeMB.
        stick.geometry.Cylinders.QuadPart = static_cast<LONGLONG>(sizeMB);
        stick.geometry.MediaType = removable ? RemovableMedia : FixedMedia;
        stick.geometry.TracksPerCylinder = 1;
        stick.geometry.SectorsPerTrack = 2048;
        stick.geometry.BytesPerSector = 512;
        stick.partitions = {
            testing_support::FakeDiskSystem::MbrPartition(partition, MiB, (sizeMB - 1) * MiB, 0x0C)};
        fake.AddDisk(stick);
        testing_support::FakeVolume e;
        e.letter = L'E';
        e.device = L"\\Device\\HarddiskVolume5";
        e.fileSystem = L"FAT32";
        e.driveType = removable ? DRIVE_REMOVABLE : DRIVE_FIXED;
        e.extents = {testing_support::FakeDiskSystem::Extent(1, MiB, (sizeMB - 1) * MiB)};
        fake.AddVolume(e);
        fake.AddPartitionLink(1, partition, L"\\Device\\HarddiskVolume5");
    }

    // Moves the stick to the drive letter of `folder`, which then stands for the stick's root;
    // the stick's own E gives way, and the system volume too when it had that letter.
    // Returns the letter.
    wchar_t PutStickAtLetterOf(const std::wstring& folder)
    {
        if (towupper(folder[0]) == L'C')
            fake.RemoveVolume(L"\\Device\\HarddiskVolume1");
        fake.RemoveVolume(L"\\Device\\HarddiskVolume5");
        testing_support::FakeVolume stick;
        stick.letter = folder[0];
        stick.device = L"\\Device\\HarddiskVolume5";
        stick.fileSystem = L"FAT32";
        stick.driveType = DRIVE_REMOVABLE;
        stick.extents = {testing_support::FakeDiskSystem::Extent(1, MiB, 7999 * MiB)};
        fake.AddVolume(stick);
        return stick.letter;
    }

    std::wstring Trace() const { return testing_support::TraceText(work.Path()); }

    // A folder on a drive of its own (Wine's Z:), away from the Windows, program and working
    // folders, to stand for a stick's root: no disk holding those may ever be formatted.
    static std::wstring StickBase() { return L"Z:\\tmp\\"; }

    testing_support::TempDir work;
    testing_support::ScopedWorkingFolder useWork{work.Path()};
    testing_support::FakeDiskSystem fake;
    testing_support::ScopedDiskSystem useFake{fake};
    testing_support::MessageBoxRecorder boxes;
    testing_support::ScopedDiskpartStandIn diskpart;
};

inline std::string FormatScript(int disk, int partition, const char* fs)
{
    return "sel disk " + std::to_string(disk) + "\r\nsel par " + std::to_string(partition) +
           "\r\nformat fs=" + fs + " quick\r\nexit\r\n";
}

inline std::string ActiveScript(int disk, int partition)
{
    return "sel disk " + std::to_string(disk) + "\r\nsel par " + std::to_string(partition) +
           "\r\nactive\r\nexit\r\n";
}

inline std::string CleanScript(int disk, const char* fs, const char* letter)
{
    return "sel disk " + std::to_string(disk) +
           "\r\nclean\r\ncrea part prim\r\nsel part 1\r\nformat fs=" + fs +
           " quick\r\nassign letter=" + letter + "\r\nactive\r\nexit\r\n";
}

} // namespace usbtest
