#include "UsbFixture.h"

#include "engine/MultiLang.h"
#include "engine/TraceLog.h"
#include "src/disk/DiskOP.h"

using namespace testing_support;
using namespace usbtest;

namespace {

std::wstring ScriptPath() { return gs::CDiskOP::Instance()->GetScriptPath(); }

class USBFormat : public UsbFixture {};

} // namespace

TEST_F(USBFormat, SmallStickGetsFat32ThenActive)
{
    CUSBManager* usb = CUSBManager::Instance();
    ASSERT_TRUE(usb->FormatActiveUSB(L"E:\\"));
    EXPECT_EQ(usb->m_USBLetter, L"E");

    auto runs = diskpart.Runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].script, FormatScript(1, 1, "FAT32"));
    EXPECT_EQ(runs[1].script, ActiveScript(1, 1));
    // Started by its full path; the command line is the plain "diskpart /s <script>".
    EXPECT_EQ(ToLowerWString(runs[0].image), ToLowerWString(ScopedDiskpartStandIn::StandInPath()));
    EXPECT_EQ(runs[0].commandLine.rfind(L"diskpart /s ", 0), 0u) << Narrow(runs[0].commandLine);
    EXPECT_NE(runs[0].commandLine.find(L"\\_"), std::wstring::npos);
    // While diskpart ran, no other process could change or remove its script.
    EXPECT_FALSE(runs[0].scriptReplaceable);
    EXPECT_FALSE(runs[1].scriptReplaceable);

    // The script file is gone once the format succeeded.
    EXPECT_FALSE(gs::CDiskOP::Instance()->HasScriptFile());
    EXPECT_EQ(ScriptPath(), L"");
    EXPECT_EQ(boxes.Count(), 0u);

    std::wstring trace = Trace();
    EXPECT_NE(trace.find(L"[CUSBManager::FormatUSB - DiskIndex, PartIndex] 1 , 1"), std::wstring::npos);
    EXPECT_NE(trace.find(L"[CUSBManager::ReGetUSBLtr] - m_USBLetter: E"), std::wstring::npos);
}

TEST_F(USBFormat, FileSystemFollowsTheFortyThousandMBThreshold)
{
    AddStick(40000);
    ASSERT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"e:\\"));
    CUSBManager::ReleaseInstance();
    AddStick(40001);
    ASSERT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"e:\\"));

    auto runs = diskpart.Runs();
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].script, FormatScript(1, 1, "FAT32"));
    EXPECT_EQ(runs[2].script, FormatScript(1, 1, "NTFS"));
}

TEST_F(USBFormat, FixedDiskOffTheUsbBusIsRefusedBeforeDiskpart)
{
    CUSBManager* usb = CUSBManager::Instance();
    EXPECT_FALSE(usb->FormatActiveUSB(L"C:\\"));
    EXPECT_TRUE(diskpart.Runs().empty());
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_EQ(shown[0].text, L"This is not a USB disk/flash.");
    EXPECT_EQ(shown[0].caption, L"Error");
    EXPECT_NE(Trace().find(L"[CUSBManager::FormatUSB - CheckCond] is fail"), std::wstring::npos);
}

TEST_F(USBFormat, DecliningTheFallbackRemovesTheScriptFile)
{
    diskpart.SetExitCodes({1});
    boxes.QueueAnswer(IDNO);
    CUSBManager* usb = CUSBManager::Instance();
    EXPECT_FALSE(usb->FormatActiveUSB(L"E:\\"));
    ASSERT_EQ(diskpart.Runs().size(), 1u);
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].owner, GetApplicationWindow());
    EXPECT_EQ(shown[0].text, TranslateStr(L"Format failure"));
    EXPECT_EQ(shown[0].caption, TranslateStr(L"Warning"));
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_ICONWARNING | MB_YESNO));
    EXPECT_NE(Trace().find(L"[CUSBManager::FormatUSB - DiskpartFormat] is fail"), std::wstring::npos);

    // No script is left in the current folder for anyone to change before the next run.
    EXPECT_FALSE(gs::CDiskOP::Instance()->HasScriptFile());
    EXPECT_FALSE(FileExists(diskpart.Runs()[0].commandLine.substr(12)));

    boxes.QueueAnswer(IDYES);
    boxes.QueueAnswer(IDNO);
    EXPECT_FALSE(usb->FormatActiveUSB(L"E:\\"));
    shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].text, TranslateStr(L"Format confirm"));
    EXPECT_EQ(shown[2].caption, TranslateStr(L"Warning"));
    EXPECT_EQ(diskpart.Runs().size(), 2u);
}

TEST_F(USBFormat, FailedActivationAlsoFallsBack)
{
    diskpart.SetExitCodes({0, 1});
    EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(L"E:\\"));
    EXPECT_EQ(diskpart.Runs().size(), 2u);
    EXPECT_EQ(boxes.Count(), 1u);
    auto lines = TraceLines(work.Path());
    int failed = FindTraceLine(lines, L"[CUSBManager::FormatUSB - DiskpartActive] is fail");
    ASSERT_GE(failed, 0);
    EXPECT_EQ(FindTraceLine(lines, L"  exit code 1"), failed + 1) << "diskpart's exit code follows";
    gs::CDiskOP::Instance()->DeleteScriptFile();
}

TEST_F(USBFormat, AcceptedFallbackWipesAndFormatsFat32)
{
    diskpart.SetExitCodes({1, 0});
    boxes.QueueAnswer(IDYES);
    boxes.QueueAnswer(IDYES);
    CUSBManager* usb = CUSBManager::Instance();
    ASSERT_TRUE(usb->FormatActiveUSB(L"E:\\"));
    auto runs = diskpart.Runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].script, CleanScript(1, "fat32", "e"));
    EXPECT_EQ(usb->m_USBLetter, L"E");
    EXPECT_FALSE(gs::CDiskOP::Instance()->HasScriptFile());
}

TEST_F(USBFormat, FallbackOnAStickAbove32GBUsesNtfs)
{
    AddStick(35000);
    diskpart.SetExitCodes({1, 0});
    boxes.QueueAnswer(IDYES);
    boxes.QueueAnswer(IDYES);
    ASSERT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"E:\\"));
    auto runs = diskpart.Runs();
    ASSERT_EQ(runs.size(), 2u);
    // FAT32 first: the stick is not above 40000 MB; then the wipe must not ask for FAT32.
    EXPECT_EQ(runs[0].script, FormatScript(1, 1, "FAT32"));
    EXPECT_EQ(runs[1].script, CleanScript(1, "ntfs", "e"));
}

TEST_F(USBFormat, FallbackAt32GBExactlyKeepsFat32)
{
    AddStick(32768);
    diskpart.SetExitCodes({1, 0});
    boxes.QueueAnswer(IDYES);
    boxes.QueueAnswer(IDYES);
    ASSERT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"E:\\"));
    ASSERT_EQ(diskpart.Runs().size(), 2u);
    EXPECT_EQ(diskpart.Runs()[1].script, CleanScript(1, "fat32", "e"));
}

TEST_F(USBFormat, FailedFallbackSaysStillFailed)
{
    diskpart.SetExitCodes({1, 1});
    boxes.QueueAnswer(IDYES);
    boxes.QueueAnswer(IDYES);
    EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(L"E:\\"));
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].owner, GetApplicationWindow());
    EXPECT_EQ(shown[2].text, TranslateStr(L"Still failed"));
    EXPECT_EQ(shown[2].caption, TranslateStr(L"Error"));
    EXPECT_EQ(shown[2].type, static_cast<UINT>(MB_ICONERROR | MB_OK));
    EXPECT_NE(Trace().find(L"[CUSBManager::FormatUSB - Cleanandformat USB] is fail"), std::wstring::npos);
    gs::CDiskOP::Instance()->DeleteScriptFile();
}

TEST_F(USBFormat, LetterNotFoundAfterTheWipe)
{
    // The stick's only partition is number 2; after the wipe partition 1 has no letter.
    fake.RemoveLink(L"\\Device\\Harddisk1\\Partition1");
    AddStick(8000, 2);
    diskpart.SetExitCodes({1, 0});
    boxes.QueueAnswer(IDYES);
    boxes.QueueAnswer(IDYES);
    EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(L"E:\\"));
    auto runs = diskpart.Runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].script, FormatScript(1, 2, "FAT32"));
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].owner, nullptr);
    EXPECT_EQ(shown[2].text, L"Get USB disk/flash letter error!");
    EXPECT_EQ(shown[2].caption, TranslateStr(L"Error"));
    EXPECT_NE(Trace().find(L"[CUSBManager::FormatUSB - ReGetUSBLtr] is fail"), std::wstring::npos);
}

TEST_F(USBFormat, DiskpartThatCannotStartIsAFailure)
{
    gs::SetDiskpartPathOverride(ScriptFolder() + L"missing\\diskpart.exe");
    EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(L"E:\\"));
    EXPECT_TRUE(diskpart.Runs().empty());
    EXPECT_EQ(boxes.Count(), 1u); // the fallback question, declined
    EXPECT_NE(Trace().find(L"create process fail"), std::wstring::npos);
    auto lines = TraceLines(work.Path());
    int failed = FindTraceLine(lines, L"[CUSBManager::FormatUSB - DiskpartFormat] is fail");
    ASSERT_GE(failed, 0);
    ASSERT_LT(failed + 1, static_cast<int>(lines.size()));
    EXPECT_EQ(lines[failed + 1].rfind(L"  system error ", 0), 0u) << Narrow(lines[failed + 1]);
    gs::CDiskOP::Instance()->DeleteScriptFile();
}

// The script writer's own guard, whatever its caller checked: only a disk on the USB bus
// that holds none of the system's, the program's or the working folders is ever formatted.
TEST_F(USBFormat, ScriptsRefuseEveryDiskButTheStick)
{
    auto addDisk = [&](int number, STORAGE_BUS_TYPE bus, wchar_t letter, const wchar_t* device) {
        FakeDisk disk;
        disk.number = number;
        disk.busType = bus;
        disk.size = 16000 * MiB;
        disk.partitions = {FakeDiskSystem::MbrPartition(1, MiB, 15000 * MiB, 0x07)};
        fake.AddDisk(disk);
        FakeVolume volume;
        volume.letter = letter;
        volume.device = device;
        volume.extents = {FakeDiskSystem::Extent(number, MiB, 15000 * MiB)};
        fake.AddVolume(volume);
    };
    addDisk(2, BusTypeUsb, L'P', L"\\Device\\HarddiskVolume7");  // holds the program
    addDisk(3, BusTypeScsi, L'S', L"\\Device\\HarddiskVolume8"); // fixed, not USB
    addDisk(4, BusTypeUsb, L'Z', L"\\Device\\HarddiskVolume9");  // holds the working folder
    ScopedProgramFolder program(L"P:\\Brindle\\");
    TempDir onZ{StickBase()};
    ScopedWorkingFolder workOnZ{onZ.Path()};
    auto trace = [&] { return TraceText(onZ.Path()); };
    gs::CDiskOP* disks = gs::CDiskOP::Instance();
    disks->CreateScriptFile();
    std::wstring script = ScriptPath();

    const struct {
        unsigned disk;
        const wchar_t* refusal; // null: the stick, formatted
    } cases[] = {{0, L"[CDiskOP::MayFormatDisk] disk 0 holds the Windows folder "},
                 {2, L"[CDiskOP::MayFormatDisk] disk 2 holds the program's folder P:\\Brindle\\"},
                 {3, L"[CDiskOP::MayFormatDisk] disk 3 is not reported on the USB bus: it is not formatted"},
                 {4, L"[CDiskOP::MayFormatDisk] disk 4 holds the working folder Z:\\"},
                 {1, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE("disk " + std::to_string(c.disk));
        size_t runs = diskpart.Runs().size();
        std::wstring before = trace();
        EXPECT_EQ(disks->FormatPartition(c.disk, 1, "FAT32"), c.refusal == nullptr);
        EXPECT_EQ(disks->CleanAndFormat(c.disk, "e", "fat32"), c.refusal == nullptr);
        std::wstring added = trace().substr(before.size());
        if (c.refusal) {
            EXPECT_EQ(diskpart.Runs().size(), runs) << "diskpart never ran";
            EXPECT_NE(added.find(c.refusal), std::wstring::npos) << Narrow(added);
        } else {
            auto all = diskpart.Runs();
            ASSERT_EQ(all.size(), runs + 2);
            EXPECT_EQ(all[runs].script, FormatScript(1, 1, "FAT32"));
            EXPECT_EQ(all[runs + 1].script, CleanScript(1, "fat32", "e"));
            EXPECT_EQ(added.find(L"MayFormatDisk"), std::wstring::npos);
        }
    }
    // Through the whole format: a stick that holds the program is no target.
    fake.RemoveVolume(L"\\Device\\HarddiskVolume5");
    FakeVolume onStick;
    onStick.letter = L'E';
    onStick.device = L"\\Device\\HarddiskVolume5";
    onStick.driveType = DRIVE_REMOVABLE;
    onStick.extents = {FakeDiskSystem::Extent(1, MiB, 7999 * MiB)};
    fake.AddVolume(onStick);
    ScopedProgramFolder onTheStick(L"E:\\Brindle\\");
    size_t runs = diskpart.Runs().size();
    EXPECT_FALSE(CUSBManager::Instance()->FormatActiveUSB(L"E:\\"));
    EXPECT_EQ(diskpart.Runs().size(), runs);
    EXPECT_EQ(boxes.Count(), 0u) << "no offer to wipe a disk that may not be formatted";
    // Refused or not, the format leaves no script behind.
    EXPECT_FALSE(FileExists(script));
}

TEST_F(USBFormat, ASecondJobEnumeratesTheDisksAgain)
{
    ASSERT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"E:\\"));
    CUSBManager::ReleaseInstance();
    // A second stick appears between the jobs.
    FakeDisk other;
    other.number = 2;
    other.busType = BusTypeUsb;
    other.removable = true;
    other.size = 4000 * MiB;
    other.partitions = {FakeDiskSystem::MbrPartition(1, MiB, 3990 * MiB, 0x0C)};
    fake.AddDisk(other);
    FakeVolume f;
    f.letter = L'F';
    f.device = L"\\Device\\HarddiskVolume6";
    f.driveType = DRIVE_REMOVABLE;
    f.extents = {FakeDiskSystem::Extent(2, MiB, 3990 * MiB)};
    fake.AddVolume(f);
    fake.AddPartitionLink(2, 1, L"\\Device\\HarddiskVolume6");
    ASSERT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"F:\\"));
    EXPECT_EQ(CUSBManager::Instance()->m_USBLetter, L"F");
    EXPECT_EQ(diskpart.Runs().back().script, ActiveScript(2, 1));
}

TEST_F(USBFormat, DiskpartInTheCurrentFolderIsNeverRun)
{
    std::wstring planted = ScriptFolder() + L"diskpart.exe";
    ASSERT_TRUE(CopyFileW(ScopedDiskpartStandIn::StandInPath().c_str(), planted.c_str(), FALSE));
    EXPECT_TRUE(CUSBManager::Instance()->FormatActiveUSB(L"E:\\"));
    for (const auto& run : diskpart.Runs())
        EXPECT_EQ(ToLowerWString(run.image), ToLowerWString(ScopedDiskpartStandIn::StandInPath()));
    DeleteFileW(planted.c_str());
}
