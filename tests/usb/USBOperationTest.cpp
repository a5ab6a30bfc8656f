#include "UsbFixture.h"

#include "engine/BrindleImp.h"
#include "engine/USBOperation.h"
#include "src/disk/DiskOP.h"
#include "support/JobFolders.h"
#include "support/ProgressWindow.h"
#include "support/TraceLines.h"

#include <memory>

using namespace testing_support;
using namespace usbtest;

namespace {

using Steps = std::vector<std::pair<int, int>>;

class USBOperationTest : public UsbFixture {
protected:
    std::vector<std::wstring> Lines() const { return TraceLines(work.Path()); }
};

} // namespace

TEST_F(USBOperationTest, FormatsAndLabelsTheStick)
{
    ProgressWindow window;
    auto operation = std::make_unique<USBOperation>(window.Handle(), L"E:\\", L"INSTALL_MEDIA_X64");
    EXPECT_EQ(operation->Excute(), 1);
    EXPECT_EQ(window.Steps(), (Steps{{0, 10}, {0, 70}, {1, 100}}));
    ASSERT_NE(fake.Volume(L'E'), nullptr);
    EXPECT_EQ(fake.Volume(L'E')->label, L"INSTALL_M~1");
    EXPECT_EQ(diskpart.Runs().size(), 2u);

    auto lines = Lines();
    int create = FindTraceLine(lines, L"USBOperation::create");
    ASSERT_GE(create, 0);
    EXPECT_EQ(FindTraceLine(lines, L"USBOperation::Excute - FORMATUSB"), create + 1);
    EXPECT_EQ(FindTraceLine(lines, L"[CUSBManager::Excute : m_USBPath:] E:\\"), create + 2);
    int label = FindTraceLine(lines, L"USBOperation::Excute - SetVolumeLabelName");
    EXPECT_GT(label, create + 2);
    EXPECT_EQ(FindTraceLine(lines, L"USBOperation::Excute - FORMATUSBOK"), label + 1);

    // Deleting the operation releases the drive manager and its raw handles.
    EXPECT_GT(fake.OpenHandleCount(), 0u);
    operation.reset();
    EXPECT_EQ(fake.OpenHandleCount(), 0u);
    EXPECT_GE(FindTraceLine(Lines(), L"USBOperation::Release"), 0);
}

TEST_F(USBOperationTest, FormatFailureStopsAfterTheFirstStep)
{
    ProgressWindow window;
    USBOperation operation(window.Handle(), L"C:\\", L"LABEL");
    EXPECT_EQ(operation.Excute(), 0);
    EXPECT_EQ(window.Steps(), (Steps{{0, 10}}));
    EXPECT_GE(FindTraceLine(Lines(), L"[CUSBManager::Instance()->FormatActiveUSB] is fail"), 0);
    EXPECT_EQ(fake.Volume(L'C')->label, L"");
}

TEST_F(USBOperationTest, StickThatChangedItsLetterFailsTheJob)
{
    // The stick's partition 2 is E; after the wipe its new partition 1 comes up as F.
    fake.RemoveLink(L"\\Device\\Harddisk1\\Partition1");
    AddStick(8000, 2);
    FakeVolume moved;
    moved.letter = L'F';
    moved.device = L"\\Device\\HarddiskVolume9";
    moved.fileSystem = L"FAT32";
    moved.driveType = DRIVE_REMOVABLE;
    fake.AddVolume(moved);
    fake.AddPartitionLink(1, 1, L"\\Device\\HarddiskVolume9");
    diskpart.SetExitCodes({1, 0});
    boxes.QueueAnswer(IDYES);
    boxes.QueueAnswer(IDYES);

    ProgressWindow window;
    USBOperation operation(window.Handle(), L"E:\\", L"LABEL");
    EXPECT_EQ(operation.Excute(), 0);
    EXPECT_EQ(window.Steps(), (Steps{{0, 10}}));
    EXPECT_EQ(fake.Volume(L'F')->label, L"");
    EXPECT_GE(FindTraceLine(Lines(), L"[USBOperation::Excute] the USB disk/flash moved from E: to F: after "
                                     L"formatting; the job stops"),
              0);
}

// A USB job of the pipeline against the disk fake and the diskpart stand-in: the stick's
// letter is the drive of a test folder, which stands for the stick's root.
TEST_F(USBOperationTest, PipelineGetsPastTheFormatStep)
{
    TempDir dir;
    TempDir stick(StickBase());
    const wchar_t letter = PutStickAtLetterOf(stick.Path());
    _WIN7_OPERAT_INFO info = {};
    PointJobAt(info, dir.Path());
    MakeDirs(stick / L"tag");
    wcscpy(info.szTagPath, (stick / L"tag\\").c_str());
    for (const wchar_t* folder : {L"src\\sources", L"prog\\Other\\x64"})
        MakeDirs(dir / folder);
    WriteBytes(dir / L"src\\setup.exe", "setup");
    ScopedProgramFolder program(dir / L"prog\\");

    ProgressWindow window;
    {
        Win7InsCreator creator(window.Handle(), 0, &info, false, false);
        creator.Excute();
    }
    Steps steps = window.Steps();
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ(Steps(steps.begin(), steps.begin() + 3), (Steps{{0, 10}, {0, 70}, {1, 100}}));
    // The source copy ran onto the stick's folder.
    EXPECT_EQ(ReadBytes(stick / L"tag\\setup.exe"), "setup");
    auto runs = diskpart.Runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].script, FormatScript(1, 1, "FAT32"));
    EXPECT_EQ(fake.Volume(letter)->label, L"NONAME");
    EXPECT_EQ(boxes.Count(), 0u);
    auto lines = Lines();
    EXPECT_LT(FindTraceLine(lines, L"USBOperation::Excute - FORMATUSBOK"),
              FindTraceLine(lines, L"CopyOperation::Create"));
}
