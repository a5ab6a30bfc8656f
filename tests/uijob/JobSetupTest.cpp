// Filling a job record from the wizard's choices, the trace of its fields and the texts
// of a refused start.
#include "ui/JobSetup.h"

#include "engine/MultiLang.h"
#include "support/TestSupport.h"
#include "support/TraceLines.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

using namespace testing_support;

namespace {

JobChoice Usb()
{
    JobChoice c;
    c.sourcePath = L"D:\\";
    c.targetPath = L"E:\\ (Capacity: 7634 MB )";
    c.programFolder = L"C:\\Tools\\Brindle\\";
    c.tmpPath = L"C:\\ProgramData\\Tervo\\BrindleWinSln\\TervoToolTmp\\";
    c.dlgType = 0;
    return c;
}

String Folder(int length) // "C:\xxx...x" of exactly `length` characters
{
    return String(L"C:\\") + String(static_cast<size_t>(length - 3), L'x');
}

} // namespace

TEST(JobSetup, FillsTheFivePaths)
{
    _WIN7_OPERAT_INFO info;
    std::memset(&info, 0xCC, sizeof(info));
    String tooLong = L"stale";
    ASSERT_TRUE(FillJobPaths(info, Usb(), tooLong));
    EXPECT_TRUE(tooLong.IsEmpty());
    EXPECT_STREQ(info.szSourcePath, L"D:\\");
    EXPECT_STREQ(info.szDriverPath, L"C:\\Tools\\Brindle\\OS\\AutoUnattend");
    EXPECT_STREQ(info.szImgDriverPath, L"C:\\Tools\\Brindle\\OS");
    EXPECT_STREQ(info.szTagPath, L"E:\\"); // the root of the chosen item, not its text
    EXPECT_STREQ(info.szTmpPath, L"C:\\ProgramData\\Tervo\\BrindleWinSln\\TervoToolTmp\\");
    // Fields are cleared to their end: no stale characters behind the terminator.
    EXPECT_EQ(info.szTagPath[259], L'\0');
    EXPECT_EQ(info.bIs64bitDVD, 0xCC); // left to the caller

    JobChoice iso = Usb();
    iso.dlgType = 1;
    iso.targetPath = L"F:\\Images\\";
    ASSERT_TRUE(FillJobPaths(info, iso, tooLong));
    EXPECT_STREQ(info.szTagPath, L"F:\\Images\\");
}

TEST(JobSetup, RefusesWhatDoesNotFit)
{
    struct Case {
        const char* what;
        void (*change)(JobChoice&);
        bool fits;
    };
    const Case cases[] = {
        {"folder of 259 with its backslash",
         [](JobChoice& c) {
             c.dlgType = 1;
             c.targetPath = Folder(259) + L"\\";
         },
         false},
        {"folder of 258 with its backslash",
         [](JobChoice& c) {
             c.dlgType = 1;
             c.targetPath = Folder(258) + L"\\";
         },
         true},
        {"program folder too long for OS\\AutoUnattend",
         [](JobChoice& c) { c.programFolder = Folder(245) + L"\\"; }, false},
        {"program folder that just fits", [](JobChoice& c) { c.programFolder = Folder(243) + L"\\"; }, true},
        {"source image path", [](JobChoice& c) { c.sourcePath = Folder(260); }, false},
        {"temporary folder", [](JobChoice& c) { c.tmpPath = Folder(300) + L"\\"; }, false},
        {"a long USB item is cut to its root", [](JobChoice& c) { c.targetPath = L"E:\\ " + Folder(400); },
         true},
    };
    for (const Case& c : cases) {
        JobChoice choice = Usb();
        c.change(choice);
        _WIN7_OPERAT_INFO info = {};
        String tooLong;
        EXPECT_EQ(FillJobPaths(info, choice, tooLong), c.fits) << c.what;
        if (!c.fits) {
            EXPECT_GE(tooLong.Length(), kJobPathCapacity) << c.what;
            EXPECT_EQ(info.szSourcePath[0], L'\0') << c.what << ": nothing written";
        }
    }
}

TEST(JobSetup, TracesEveryFieldAsPlainText)
{
    TempDir dir;
    ScopedWorkingFolder working(dir.Path());
    _WIN7_OPERAT_INFO info = {};
    JobChoice c = Usb();
    c.dlgType = 1;
    c.targetPath = L"F:\\100% %s %n\\";
    c.programFolder = L"C:\\Prog %d\\";
    String tooLong;
    ASSERT_TRUE(FillJobPaths(info, c, tooLong));
    info.bIs64bitDVD = 7;
    TraceJobRecord(info, 1);
    const std::vector<std::wstring> expected = {
        L"WIN7_OPERAT_INFO:szSourcePath: D:\\",
        L"WIN7_OPERAT_INFO:szDriverPath: C:\\Prog %d\\OS\\AutoUnattend",
        L"WIN7_OPERAT_INFO:szImgDriverPath: C:\\Prog %d\\OS",
        L"WIN7_OPERAT_INFO:szTagPath: F:\\100% %s %n\\",
        L"WIN7_OPERAT_INFO:szTmpPath: C:\\ProgramData\\Tervo\\BrindleWinSln\\TervoToolTmp\\",
        L"WIN7_OPERAT_INFO:bIs64bitDVD: 1",
        L"WIN7_OPERAT_INFO:m_DlgType: 1",
    };
    EXPECT_EQ(TraceLines(dir.Path()), expected);
}

TEST(JobSetup, RefusalTexts)
{
    const String w = TranslateStr(L"Space warning1");
    EXPECT_EQ(SpaceWarningText(3337, 1), w + L" 7674 MB" + w); // twice the need for an image
    EXPECT_EQ(SpaceWarningText(3337, 0), w + L" 3837 MB" + w);
    const String t = PathTooLongText(L"C:\\very\\long");
    EXPECT_EQ(t, String(TranslateStr(L"Path too long")) + L"\r\nC:\\very\\long");
    EXPECT_NE(String(TranslateStr(L"Path too long")), L"Path too long")
        << "the translation DLL holds the text";
}
