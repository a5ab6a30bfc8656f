#include "engine/FileUtil.h"
#include "engine/TraceLog.h"
#include "support/FakeDiskSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const unsigned long long MB = 1048576ull;

// Drives with a type and free space through the disk seam.
class Drives {
public:
    void Add(wchar_t letter, UINT type, unsigned long long freeMB)
    {
        std::wstring device = L"\\Device\\HarddiskVolume" + std::wstring(1, letter);
        if (fake.Volume(letter))
            fake.RemoveVolume(device);
        FakeVolume volume;
        volume.letter = letter;
        volume.device = device;
        volume.driveType = type;
        volume.totalBytes = 2 * freeMB * MB;
        volume.freeBytes = volume.freeToCallerBytes = freeMB * MB;
        fake.AddVolume(volume);
    }

    FakeDiskSystem fake;
    ScopedDiskSystem use{fake};
};

class TmpFolderTest : public ::testing::Test {
protected:
    std::wstring WorkTmp() const { return dir / L"work\\TervoToolTmp\\"; }

    TempDir dir;
    ScopedWorkingFolder working{dir / L"work\\"};
    Drives drives;
};

TEST_F(TmpFolderTest, TheSystemDriveWithRoomGivesAFreshFolderUnderTheWorkingFolder)
{
    drives.Add(L'C', DRIVE_FIXED, 5000);
    MakeDirs(WorkTmp() + L"old");
    WriteBytes(WorkTmp() + L"old\\leftover.bin", "x");
    SetFileAttributesW((WorkTmp() + L"old\\leftover.bin").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(SelectTmpFolder(3000, L"E:\\"), WorkTmp());
    EXPECT_TRUE(DirExists(WorkTmp()));
    EXPECT_FALSE(DirExists(WorkTmp() + L"old")) << "a previous job's leftovers go";
}

TEST_F(TmpFolderTest, TheTargetsOwnDriveNeedsTwiceTheRoom)
{
    drives.Add(L'C', DRIVE_FIXED, 5000);
    EXPECT_EQ(MakeToolTmpFolder(3000, L"c:\\"), L"C:\\") << "5000 MB is not twice 3000";
    EXPECT_EQ(MakeToolTmpFolder(2500, L"C:\\"), L"C:\\") << "room must be more than the need";
    EXPECT_EQ(MakeToolTmpFolder(2499, L"C:\\"), WorkTmp());
    EXPECT_EQ(MakeToolTmpFolder(4999, L"D:\\"), WorkTmp());
}

TEST_F(TmpFolderTest, ANumberedFolderOnTheFirstOtherDriveWithRoom)
{
    drives.Add(L'C', DRIVE_FIXED, 100);
    drives.Add(L'B', DRIVE_CDROM, 90000); // optical drives never hold it
    drives.Add(L'D', DRIVE_FIXED, 4000);
    drives.Add(L'E', DRIVE_REMOVABLE, 7000); // the target, room for twice the need
    EXPECT_EQ(SelectTmpFolder(3000, L"E:\\"), L"D:\\TervoToolTmp0\\");
}

TEST_F(TmpFolderTest, TheTargetDriveIsChosenOnlyWithRoomForTwice)
{
    drives.Add(L'C', DRIVE_FIXED, 100);
    drives.Add(L'E', DRIVE_REMOVABLE, 5000);
    drives.Add(L'F', DRIVE_REMOTE, 90000);
    EXPECT_EQ(SelectTmpFolder(3000, L"E:\\"), L"");
    drives.Add(L'E', DRIVE_REMOVABLE, 6001);
    EXPECT_EQ(SelectTmpFolder(3000, L"e:\\sub\\"), L"E:\\TervoToolTmp0\\");
}

TEST_F(TmpFolderTest, NoRoomAnywhereGivesTheEmptyText)
{
    drives.Add(L'C', DRIVE_FIXED, 3000);
    drives.Add(L'D', DRIVE_FIXED, 2999);
    EXPECT_EQ(SelectTmpFolder(3000, L"D:\\"), L"");
    EXPECT_FALSE(DirExists(WorkTmp()));
}

// Z: is the only drive besides C: that this Wine prefix has, so the numbering is
// checked there, on the host's root folder.
TEST_F(TmpFolderTest, ExistingNumberedFoldersAreSkippedAndLeftAlone)
{
    drives.Add(L'C', DRIVE_FIXED, 100);
    drives.Add(L'Z', DRIVE_FIXED, 90000);
    const std::wstring zero = L"Z:\\TervoToolTmp0\\", one = L"Z:\\TervoToolTmp1\\";
    if (DirExists(zero) || DirExists(one))
        GTEST_SKIP() << "numbered folders left on Z: by someone else";
    if (!CreateDirectoryW(zero.c_str(), nullptr))
        GTEST_SKIP() << "the host's root folder is not writable";
    WriteBytes(zero + L"keep.txt", "k");

    std::wstring chosen = SelectTmpFolder(3000, L"E:\\");
    bool made = DirExists(one);
    bool kept = FileExists(zero + L"keep.txt");
    RemoveTree(one);
    RemoveTree(zero);
    EXPECT_EQ(chosen, one);
    EXPECT_TRUE(made);
    EXPECT_TRUE(kept);
}

} // namespace
