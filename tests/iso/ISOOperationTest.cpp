#include "engine/ISOOperation.h"
#include "engine/MakeISOFile.h"
#include "iso/IsoTestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testing_support;
using namespace iso_testing;

namespace {

// Reaches the operation's own steps.
class OpenISOOperation : public ISOOperation {
public:
    using ISOOperation::FileNameFromLabel;
    using ISOOperation::GetISOFileName;
    using ISOOperation::ISOOperation;
    using ISOOperation::QuotePath;
};

TEST(ISOOperationQuotePath, QuotesOnlyWhatIsMissing)
{
    EXPECT_EQ(OpenISOOperation::QuotePath(L""), L"");
    EXPECT_EQ(OpenISOOperation::QuotePath(L"C:\\a b\\x.iso"), L"\"C:\\a b\\x.iso\"");
    EXPECT_EQ(OpenISOOperation::QuotePath(L"\"C:\\x.iso\""), L"\"C:\\x.iso\"");
    EXPECT_EQ(OpenISOOperation::QuotePath(L"\"C:\\x.iso"), L"\"C:\\x.iso\"");
    EXPECT_EQ(OpenISOOperation::QuotePath(L"C:\\x.iso\""), L"\"C:\\x.iso\"");
    // A folder keeps its backslash inside the quotes.
    EXPECT_EQ(OpenISOOperation::QuotePath(L"C:\\tmp\\"), L"\"C:\\tmp\\\"");
}

TEST(ISOOperationFileName, HostileLabelsStayInsideTheFolderAndOneArgument)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Win 7 (x64) \u00d1.v2", L"Win 7 (x64) \u00d1.v2"},
        {L"", L""},
        {L"..\\up\" \"C:/x", L".._up_ _C__x"},
        {L"<|?*>\t", L"______"},
        {L"..", L"__"},
        {L"NUL", L"_NUL"},
        {L"com1.x", L"_com1.x"},
        {L"COM10", L"COM10"}};
    for (const auto& c : cases)
        EXPECT_EQ(OpenISOOperation::FileNameFromLabel(c.first), c.second) << Narrow(c.first);
}

class ISOOperationTest : public ::testing::Test {
protected:
    ISOOperationTest()
    {
        MakeDirs(Work() + L"sources");
        WriteBytes(Work() + L"sources\\boot.wim", "boot");
        WriteBytes(Work() + L"setup.exe", "setup");
        MakeDirs(IsoFolder());
    }

    std::wstring Work() const { return dir / L"TervoToolTmp\\"; }
    std::wstring IsoFolder() const { return dir / L"iso out"; }
    std::vector<std::wstring> Trace() const { return TraceMessages(work.Path()); }

    TempDir dir;
    TempDir work;
    ScopedWorkingFolder working{work.Path()};
    ToolFolder tools;
    ScopedProgramFolder program{tools.Program()};
    MessageBoxRecorder boxes;
    ProgressWindow window;
};

TEST_F(ISOOperationTest, Media32BitRunsTheX86ToolWithOneBootEntry)
{
    OpenISOOperation operation(window.Handle(), STEP_ISO_BUILDING, Work(), IsoFolder(), L"GRMCULFRER", 0);
    EXPECT_EQ(operation.Excute(), 1);
    window.Pump();

    const std::wstring x86 = tools.X86();
    const std::wstring image = IsoFolder() + L"\\GRMCULFRER.iso";
    EXPECT_EQ(tools.RawCommandLine(), L"\"" + x86 +
                                          L"oscdimg.exe\" -lWIN7 -m -o -u1 -udfver102 -bootdata:1#p0,e,b\"" +
                                          x86 + L"etfsboot.com\" \"" + Work() + L"\" \"" + image + L"\"");
    EXPECT_TRUE(ToolFolder::RawCommandLineIn(tools.Amd64()).empty());
    EXPECT_TRUE(ImageFinished(image));
    EXPECT_EQ(boxes.Count(), 0u);

    std::vector<int> values = window.Values(STEP_ISO_BUILDING);
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.back(), 100);
    EXPECT_EQ(window.Messages().size(), values.size()) << "only step 17 is posted";

    auto lines = Trace();
    int create = FindLine(lines, L"ISOOperation create");
    int tool = FindLine(lines, L"[ISOOperation::tmp_oscdTool]" + x86 + L"oscdimg.exe", create);
    int excute = FindLine(lines, L"ISOOperation Excute", tool);
    int check = FindLine(lines, L"ISOOperation precheck", excute);
    int end = FindLine(lines, L"ISOOperation Excute - end(TRUE)", check);
    EXPECT_EQ(create, 0);
    EXPECT_EQ(tool, 1);
    EXPECT_GT(check, excute);
    EXPECT_GT(end, check);
}

TEST_F(ISOOperationTest, Media64BitTakesBootFilesFromTheAmd64FolderButRunsTheX86Tool)
{
    OpenISOOperation operation(window.Handle(), STEP_ISO_BUILDING, Work(), IsoFolder() + L"\\",
                               L"GSP1RMCULFRER_EN_DVD", 1);
    EXPECT_EQ(operation.Excute(), 1);

    const std::wstring amd64 = tools.Amd64();
    const std::wstring image = IsoFolder() + L"\\GSP1RMCULFRER_EN_DVD.iso";
    EXPECT_EQ(tools.RawCommandLine(), L"\"" + tools.X86() +
                                          L"oscdimg.exe\" -lWIN7 -m -o -u1 -udfver102 -bootdata:2#p0,e,b\"" +
                                          amd64 + L"etfsboot.com\"#pEF,e,b\"" + amd64 + L"efisys.bin\" \"" +
                                          Work() + L"\" \"" + image + L"\"");
    EXPECT_TRUE(ToolFolder::RawCommandLineIn(amd64).empty());
    EXPECT_TRUE(ImageFinished(image));
    EXPECT_TRUE(HasLine(Trace(), L"[ISOOperation::tmp_oscdTool]" + amd64 + L"oscdimg.exe"));
}

TEST_F(ISOOperationTest, ImageNamesNeverOverwrite)
{
    const std::wstring plain = IsoFolder() + L"\\W7.iso";
    OpenISOOperation bare(nullptr, STEP_ISO_BUILDING, Work(), IsoFolder(), L"W7", 0);
    OpenISOOperation slashed(nullptr, STEP_ISO_BUILDING, Work(), IsoFolder() + L"\\", L"W7", 0);
    EXPECT_EQ(bare.GetISOFileName(), plain);
    EXPECT_EQ(slashed.GetISOFileName(), plain);

    WriteBytes(plain, "older image");
    EXPECT_EQ(bare.GetISOFileName(), IsoFolder() + L"\\W70.iso");
    WriteBytes(IsoFolder() + L"\\W70.iso", "older image");
    EXPECT_EQ(slashed.GetISOFileName(), IsoFolder() + L"\\W71.iso");
    // A folder of that name is not overwritten either.
    MakeDirs(IsoFolder() + L"\\W71.iso");
    EXPECT_EQ(bare.GetISOFileName(), IsoFolder() + L"\\W72.iso");

    OpenISOOperation unlabelled(nullptr, STEP_ISO_BUILDING, Work(), IsoFolder(), L"", 0);
    EXPECT_EQ(unlabelled.GetISOFileName(), IsoFolder() + L"\\.iso");

    // The run itself takes the free name and leaves the older images alone.
    EXPECT_EQ(bare.Excute(), 1);
    EXPECT_EQ(ReadBytes(plain), "older image");
    EXPECT_TRUE(ImageFinished(IsoFolder() + L"\\W72.iso"));
}

TEST_F(ISOOperationTest, MissingIsoFolderShowsTheBoxAndRunsNothing)
{
    OpenISOOperation operation(window.Handle(), STEP_ISO_BUILDING, Work(), dir / L"gone", L"W7", 0);
    EXPECT_EQ(operation.Excute(), 0);
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_EQ(shown[0].text, L"The ISO directory does not exist.");
    EXPECT_EQ(shown[0].caption, L"make ISO error");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(tools.RawCommandLine().empty());
    window.Pump();
    EXPECT_TRUE(window.Messages().empty());
    // A file where the folder should be is no folder either.
    WriteBytes(dir / L"file", "x");
    OpenISOOperation onFile(nullptr, STEP_ISO_BUILDING, Work(), dir / L"file", L"W7", 0);
    EXPECT_EQ(onFile.Excute(), 0);
    EXPECT_EQ(boxes.Count(), 2u);
}

TEST_F(ISOOperationTest, ToolFailureFailsTheOperation)
{
    tools.SetMode("fail 30");
    // An image of an earlier run is not this run's to remove.
    WriteBytes(IsoFolder() + L"\\W7.iso", "earlier");
    OpenISOOperation operation(window.Handle(), STEP_ISO_BUILDING, Work(), IsoFolder(), L"W7", 0);
    EXPECT_EQ(operation.Excute(), 0);
    EXPECT_FALSE(FileExists(IsoFolder() + L"\\W70.iso")) << "the tool's half image is gone";
    EXPECT_EQ(ReadBytes(IsoFolder() + L"\\W7.iso"), "earlier");
    window.Pump();
    std::vector<int> values = window.Values(STEP_ISO_BUILDING);
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.back(), 0);
    auto lines = Trace();
    EXPECT_TRUE(HasLine(lines, L"[ISOOperation- RunOperate] is fail"));
    EXPECT_TRUE(HasLine(lines, L"[ISOOperation::RunOperate] removed the unfinished image " + IsoFolder() +
                                   L"\\W70.iso"));
    EXPECT_FALSE(HasLine(lines, L"ISOOperation Excute - end(TRUE)"));
}

TEST_F(ISOOperationTest, StopEndsTheToolAndTheOperationSucceeds)
{
    tools.SetMode("hang");
    OpenISOOperation operation(window.Handle(), STEP_ISO_BUILDING, Work(), IsoFolder(), L"W7", 0);
    int result = -1;
    std::thread job([&] { result = operation.Excute(); });
    for (int i = 0; i < 200 && !tools.ToolProcessId(); ++i)
        Sleep(20);
    DWORD pid = tools.ToolProcessId();
    ASSERT_TRUE(ProcessAlive(pid));
    DWORD stopAt = GetTickCount();
    operation.Stop();
    job.join();
    EXPECT_LT(GetTickCount() - stopAt, 2000u);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(operation.IsStop(), 1);
    window.Pump();
    EXPECT_EQ(window.Values(STEP_ISO_BUILDING), std::vector<int>{0});
    auto lines = Trace();
    EXPECT_TRUE(HasLine(lines, L"MakeISOFile::Cancle"));
    EXPECT_TRUE(HasLine(lines, L"ISOOperation Excute - end(TRUE)"));
    for (int i = 0; i < 50 && ProcessAlive(pid); ++i)
        Sleep(20);
    EXPECT_FALSE(ProcessAlive(pid));
}

TEST_F(ISOOperationTest, StopBeforeTheRunIsNotLost)
{
    OpenISOOperation operation(window.Handle(), STEP_ISO_BUILDING, Work(), IsoFolder(), L"W7", 0);
    operation.Stop();
    EXPECT_EQ(operation.Excute(), 1);
    EXPECT_TRUE(tools.RawCommandLine().empty()) << "the tool never started";
    window.Pump();
    EXPECT_EQ(window.Values(STEP_ISO_BUILDING), std::vector<int>{0});
    EXPECT_FALSE(FileExists(IsoFolder() + L"\\W7.iso"));
}

} // namespace
