// The configuration reader over small files of every shape it may meet.
#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"
#include "ui/Getconfiginfo.h"

using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";

struct Read {
    bool opened;
    std::wstring title, version, logo, eulaEnglish;
    bool showEula;
    int currentType;
};

Read ReadConfig(const std::wstring& path)
{
    CGetConfigInfo* info = CGetConfigInfo::Instance();
    Read r;
    r.opened = info->Open(path);
    r.title = info->GetTitle();
    r.version = info->GetVersion();
    r.logo = info->GetLogoPath();
    r.eulaEnglish = info->GetEula("english");
    r.showEula = info->IsShowEula();
    r.currentType = info->GetCurrentType();
    CGetConfigInfo::ReleaseInstance();
    return r;
}

std::string Type(const std::string& key, const std::string& title, const std::string& extra = "")
{
    return "<type key=\"" + key + "\"><ui><title>" + title + "</title>" + extra + "</ui></type>";
}

std::string Repeat(const std::string& text, int times)
{
    std::string out;
    while (times-- > 0)
        out += text;
    return out;
}

struct Case {
    const char* name;
    std::string bytes;
    bool opened;
    const wchar_t* title;
    const wchar_t* version;
    bool showEula;
    int currentType;
};

} // namespace

TEST(ConfigReader, TableOfFiles)
{
    const std::string root2 = "<r><currenttype>2</currenttype><version>3.1</version>" + Type("1", "one") +
                              Type("2", "two") + "</r>";
    const Case cases[] = {
        {"plain",
         std::string(kDecl) + "<r><currenttype>0</currenttype><version>1.0</version>" +
             Type("0", "Tool", "<isshoweula>0</isshoweula>") + "</r>",
         true, L"Tool", L"1.0", false, 0},
        {"no declaration", "<r><version>1.0</version>" + Type("0", "Tool") + "</r>", false, L"", L"", true,
         0},
        {"comment before the root", std::string(kDecl) + "<!-- c --><r><version>1.0</version></r>", false,
         L"", L"", true, 0},
        {"type 2 chosen", std::string(kDecl) + root2, true, L"two", L"3.1", true, 2},
        {"hex current type",
         std::string(kDecl) + "<r><currenttype>0x2</currenttype>" + Type("2", "hex") + "</r>", true, L"hex",
         L"", true, 2},
        {"octal current type",
         std::string(kDecl) + "<r><currenttype>010</currenttype>" + Type("10", "ten") + Type("8", "eight") +
             "</r>",
         true, L"eight", L"", true, 8},
        {"current type with trailing text",
         std::string(kDecl) + "<r><currenttype> 3abc</currenttype>" + Type("3", "three") + "</r>", true,
         L"three", L"", true, 3},
        {"empty current type",
         std::string(kDecl) + "<r><currenttype></currenttype>" + Type("0", "zero") + "</r>", true, L"zero",
         L"", true, 0},
        {"capitals in names",
         std::string(kDecl) + "<r><Version>1.0</Version><Type key=\"0\"><ui><title>x</title>"
                              "</ui></Type></r>",
         true, L"", L"", true, 0},
        {"hex digits in capitals",
         std::string(kDecl) + "<r><currenttype>0XABC</currenttype>" + Type("2748", "abc") + "</r>", true,
         L"abc", L"", true, 2748},
        {"negative type",
         std::string(kDecl) + "<r><currenttype>-1</currenttype>" + Type("-1", "minus") + "</r>", true,
         L"minus", L"", true, -1},
        {"duplicate keys", std::string(kDecl) + "<r>" + Type("0", "first") + Type("0", "second") + "</r>",
         true, L"first", L"", true, 0},
        {"type without key skipped",
         std::string(kDecl) + "<r><type><ui><title>nokey</title></ui></type>" + Type("0", "keyed") + "</r>",
         true, L"keyed", L"", true, 0},
        {"word for isshoweula",
         std::string(kDecl) + "<r>" + Type("0", "w", "<isshoweula>yes</isshoweula>") + "</r>", true, L"w",
         L"", false, 0},
        {"empty isshoweula",
         std::string(kDecl) + "<r>" + Type("0", "e", "<isshoweula></isshoweula>") + "</r>", true, L"e", L"",
         true, 0},
        {"hex isshoweula",
         std::string(kDecl) + "<r>" + Type("0", "h", "<isshoweula>0x0</isshoweula>") + "</r>", true, L"h",
         L"", false, 0},
        {"damaged", std::string(kDecl) + "<r><version>1.0</r>", false, L"", L"", true, 0},
        {"empty file", "", false, L"", L"", true, 0},
        {"binary", std::string("\x00\x01\xFF\xFE<\x00?x\x89PNG\r\n\x1a\n", 16), false, L"", L"", true, 0},
        {"declaration only", std::string(kDecl), false, L"", L"", true, 0},
        // Files that would overflow the parser's stack, or are no configuration by size.
        {"nested 10,000 deep", std::string(kDecl) + Repeat("<a>", 10000) + Repeat("</a>", 10000), false, L"",
         L"", true, 0},
        // The declaration's quoted '>' hides the nesting from the scan; the tag count does not.
        {"hidden nesting", "<?xml version=\"><!--\" ?>" + Repeat("<a>", 5000) + "-->", false, L"", L"", true,
         0},
        {"hidden nesting as deep as the tags allow",
         "<?xml version=\"><!--\" ?>" + Repeat("<a>", 2040) + "-->", false, L"", L"", true, 0},
        {"larger than any configuration",
         std::string(kDecl) + "<r><!--" + std::string(300 * 1024, 'x') + "--></r>", false, L"", L"", true, 0},
        {"siblings, empty elements and comments are not depth",
         std::string(kDecl) + "<r><version>2</version>" + Repeat("<!-- <a><b> --><e/><f x='/>'/>", 60) +
             Type("0", "flat") + "</r>",
         true, L"flat", L"2", true, 0},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring path = dir / L"config.xml";
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        Read r = ReadConfig(path);
        EXPECT_EQ(c.opened, r.opened);
        EXPECT_EQ(std::wstring(c.title), r.title);
        EXPECT_EQ(std::wstring(c.version), r.version);
        EXPECT_EQ(c.showEula, r.showEula);
        EXPECT_EQ(c.currentType, r.currentType);
    }
}

TEST(ConfigReader, MissingFileGivesDefaults)
{
    TempDir dir;
    Read r = ReadConfig(dir / L"absent.xml");
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(L"", r.title);
    EXPECT_EQ(L"", r.logo);
    EXPECT_EQ(L"", r.eulaEnglish);
    EXPECT_TRUE(r.showEula);
    EXPECT_EQ(0, r.currentType);
}

TEST(ConfigReader, TextIsReadInTheAnsiCodePage)
{
    // "é" written as UTF-8 comes back as its two bytes decoded one by one.
    TempDir dir;
    std::wstring path = dir / L"config.xml";
    ASSERT_TRUE(WriteBytes(path, std::string(kDecl) + "<r><version>caf\xC3\xA9</version></r>"));
    Read r = ReadConfig(path);
    EXPECT_EQ(L"caf" + testing_support::Widen("\xC3\xA9"), r.version);
}

TEST(ConfigReader, EulaEntriesByLanguageName)
{
    TempDir dir;
    std::wstring path = dir / L"config.xml";
    ASSERT_TRUE(WriteBytes(
        path, std::string(kDecl) + "<r><type key=\"0\"><eula><english>en.txt</english><french>fr.txt</french>"
                                   "<french>second.txt</french><spanish/></eula></type></r>"));
    CGetConfigInfo* info = CGetConfigInfo::Instance();
    ASSERT_TRUE(info->Open(path));
    EXPECT_EQ(L"en.txt", info->GetEula("english"));
    EXPECT_EQ(L"fr.txt", info->GetEula("French"));
    EXPECT_EQ(L"", info->GetEula("spanish"));
    EXPECT_EQ(L"", info->GetEula("japanese"));
    EXPECT_EQ(0, info->GetTypeInt("eula", "english")); // a text without digits reads as 0
    EXPECT_EQ(1, info->GetTypeInt("eula", "spanish")); // no text: the default
    CGetConfigInfo::ReleaseInstance();
}

TEST(ConfigReader, FolderNameOutsideTheCodePage)
{
    // Japanese and Greek characters: no single-byte code page holds both, so only a file
    // opened by its wide name is found.
    TempDir dir;
    std::wstring folder = dir / L"\u30C4\u30FC\u30EB\u03A9";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::wstring path = folder + L"\\config.xml";
    ASSERT_TRUE(WriteBytes(path, std::string(kDecl) + "<r><version>2.5</version></r>"));
    Read r = ReadConfig(path);
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(L"2.5", r.version);
}

TEST(ConfigFile, KeyAndNameMatching)
{
    TempDir dir;
    std::wstring path = dir / L"c.xml";
    ASSERT_TRUE(WriteBytes(path, std::string(kDecl) +
                                     "<r><type>a</type><type key=\"ABC\">b</type><type key=\"abc\">c</type>"
                                     "<type key=\"ab\">d</type></r>"));
    gs::GsConfigFile file;
    ASSERT_TRUE(file.Open(path, false));
    std::string text;
    // The wanted name is lower-cased; the key folds ASCII case and must match in length.
    ASSERT_TRUE(gs::GetElementTextA(gs::FindChildElement(file.GetRoot(), "TYPE", "abc"), text));
    EXPECT_EQ("b", text);
    ASSERT_TRUE(gs::GetElementTextA(gs::FindChildElement(file.GetRoot(), "type", "AB"), text));
    EXPECT_EQ("d", text);
    ASSERT_TRUE(gs::GetElementTextA(gs::FindChildElement(file.GetRoot(), "type"), text));
    EXPECT_EQ("a", text);
    EXPECT_EQ(nullptr, gs::FindChildElement(file.GetRoot(), "type", "a"));
}
