// TStringList reading files in every encoding it recognises, and TIniFile.
#include <gtest/gtest.h>

#include <cstdlib>

#include "forms/IniFiles.h"
#include "tests/support/TestSupport.h"

namespace ts = testing_support;

namespace {

std::vector<String> Lines(TStringList& list)
{
    std::vector<String> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list[i]);
    return out;
}

std::string Utf16(const std::wstring& text, bool bigEndian)
{
    std::string out;
    for (wchar_t c : text) {
        char lo = char(c & 0xFF), hi = char((c >> 8) & 0xFF);
        if (bigEndian) {
            out += hi;
            out += lo;
        } else {
            out += lo;
            out += hi;
        }
    }
    return out;
}

} // namespace

// The run under LC_ALL=ja_JP.UTF-8 says which code page it expects; check we got it,
// so a wrong environment cannot pass as the other code page.
TEST(StringListFile, RunsUnderTheExpectedCodePage)
{
    const char* expected = std::getenv("FORMS_EXPECT_ACP");
    UINT acp = GetACP();
    if (expected)
        EXPECT_EQ(UINT(std::atoi(expected)), acp);
    else
        EXPECT_EQ(1252u, acp);
}

TEST(StringListFile, ReadsUtf8Utf16AndAnsiWithEveryLineBreak)
{
    ts::TempDir dir;
    const std::wstring text = L"Licence \u00e9\u3042\r\nsecond\nthird\rfourth\r\n\r\nlast";
    const std::vector<String> expected = {
        L"Licence \u00e9\u3042", L"second", L"third", L"fourth", L"", L"last"};

    std::string utf8;
    {
        int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
        utf8.resize(n - 1);
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], n, nullptr, nullptr);
    }
    ASSERT_TRUE(ts::WriteBytes(dir / L"u8.txt", "\xEF\xBB\xBF" + utf8));
    ASSERT_TRUE(ts::WriteBytes(dir / L"le.txt", "\xFF\xFE" + Utf16(text, false)));
    ASSERT_TRUE(ts::WriteBytes(dir / L"be.txt", "\xFE\xFF" + Utf16(text, true)));

    for (const wchar_t* name : {L"u8.txt", L"le.txt", L"be.txt"}) {
        TStringList list;
        list.LoadFromFile(dir / name);
        EXPECT_EQ(expected, Lines(list)) << ts::Narrow(name);
    }
}

TEST(StringListFile, ReadsTheAnsiCodePageWithoutAMark)
{
    ts::TempDir dir;
    // The same bytes mean different text under 1252 and 932.
    const std::string bytes = "\x83\x41\r\n\x82\xA0\x82\xA2\r\n";
    ASSERT_TRUE(ts::WriteBytes(dir / L"ansi.txt", bytes));
    TStringList list;
    list.LoadFromFile(dir / L"ansi.txt");
    ASSERT_EQ(2, list.Count());
    if (GetACP() == 932) {
        EXPECT_EQ(String(L"\u30a2"), list[0]);
        EXPECT_EQ(String(L"\u3042\u3044"), list[1]);
    } else {
        EXPECT_EQ(String(L"\u0192A"), list[0]);
        EXPECT_EQ(String(L"\u201a\u00a0\u201a\u00a2"), list[1]);
    }
}

TEST(StringListFile, EmptyFilesAndFinalBreaks)
{
    ts::TempDir dir;
    ASSERT_TRUE(ts::WriteBytes(dir / L"empty.txt", ""));
    ASSERT_TRUE(ts::WriteBytes(dir / L"bom.txt", "\xEF\xBB\xBF"));
    ASSERT_TRUE(ts::WriteBytes(dir / L"one.txt", "a\r\n"));
    ASSERT_TRUE(ts::WriteBytes(dir / L"odd.txt", std::string("\xFF\xFE"
                                                             "a\0b",
                                                             5)));
    TStringList list;
    list.Add(L"old");
    list.LoadFromFile(dir / L"empty.txt");
    EXPECT_EQ(0, list.Count());
    list.LoadFromFile(dir / L"bom.txt");
    EXPECT_EQ(0, list.Count());
    list.LoadFromFile(dir / L"one.txt");
    EXPECT_EQ(std::vector<String>{L"a"}, Lines(list));
    // A dangling half character of UTF-16 is dropped.
    list.LoadFromFile(dir / L"odd.txt");
    EXPECT_EQ(std::vector<String>{L"a"}, Lines(list));
}

TEST(StringListFile, MissingFileRaisesAndKeepsTheList)
{
    ts::TempDir dir;
    TStringList list;
    list.Add(L"kept");
    try {
        list.LoadFromFile(dir / L"absent.txt");
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_NE(String::npos, e.Message().find(L"absent.txt"));
    }
    EXPECT_EQ(std::vector<String>{L"kept"}, Lines(list));
}

TEST(StringList, TextObjectsAndBounds)
{
    TStringList list;
    TStringList marker;
    list.Add(L"a");
    list.AddObject(L"B", &marker);
    list.Insert(0, L"z");
    EXPECT_EQ(String(L"z\r\na\r\nB\r\n"), list.Text());
    EXPECT_EQ(2, list.IndexOf(L"b"));
    EXPECT_EQ(2, list.IndexOfObject(&marker));
    EXPECT_EQ(&marker, list.Objects(2));
    list.SetText(L"x\ny");
    EXPECT_EQ(2, list.Count());
    EXPECT_THROW(list.Get(2), EStringListError);
    EXPECT_THROW(list.Delete(-1), EStringListError);

    // A whole new text is one change notice.
    struct Counter : TObject {
        int count = 0;
        void Changed(TObject*) { ++count; }
    } counter;
    list.OnChange = MakeEvent(&counter, &Counter::Changed);
    list.SetText(L"x\r\ny\r\n");
    EXPECT_EQ(1, counter.count);
    list.Add(L"z");
    EXPECT_EQ(2, counter.count);
    list.Delete(2);

    TStringList copy;
    copy.Assign(&list);
    EXPECT_EQ(Lines(list), Lines(copy));

    ts::TempDir dir;
    list.SaveToFile(dir / L"saved.txt", true);
    EXPECT_EQ(std::string("\xEF\xBB\xBFx\r\ny\r\n"), ts::ReadBytes(dir / L"saved.txt"));
}

TEST(IniFile, ReadsThroughThePrivateProfileCalls)
{
    ts::TempDir dir;
    ASSERT_TRUE(ts::WriteBytes(dir / L"idwbinfo.txt", "[BUILDINFO]\r\nBuildArch=amd64\r\nCount=0x10\r\n"));
    TIniFile ini(dir / L"idwbinfo.txt");
    EXPECT_EQ(String(L"amd64"), ini.ReadString(L"buildinfo", L"BUILDARCH", L""));
    EXPECT_EQ(String(L"none"), ini.ReadString(L"BUILDINFO", L"Missing", L"none"));
    EXPECT_EQ(String(L""), ini.ReadString(L"Other", L"BuildArch", L""));
    EXPECT_EQ(16, ini.ReadInteger(L"BUILDINFO", L"Count", 0));
    EXPECT_EQ(7, ini.ReadInteger(L"BUILDINFO", L"BuildArch", 7));
    TIniFile missing(dir / L"absent.ini");
    EXPECT_EQ(String(L"dflt"), missing.ReadString(L"a", L"b", L"dflt"));

    ini.WriteString(L"BUILDINFO", L"Long", String(5000, L'x'));
    EXPECT_EQ(5000, ini.ReadString(L"BUILDINFO", L"Long", L"").Length());
}
