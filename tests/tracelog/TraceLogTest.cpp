#include "engine/TraceLog.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

// The log as text, after checking it is UTF-16LE with exactly one byte-order mark.
std::wstring ReadLog(const std::wstring& folder)
{
    std::string bytes = ReadBytes(folder + L"XHCItrace.log");
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    EXPECT_EQ(text.find(L'\xFEFF'), std::wstring::npos) << "a second byte-order mark";
    return text;
}

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return lines;
}

bool IsStamp(const std::wstring& line)
{
    // "HH:MM:SS.mmm "
    if (line.size() < 13)
        return false;
    for (int i : {0, 1, 3, 4, 6, 7, 9, 10, 11})
        if (!iswdigit(line[i]))
            return false;
    return line[2] == L':' && line[5] == L':' && line[8] == L'.' && line[12] == L' ';
}

class TraceLogTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedWorkingFolder working{dir.Path()};
};

TEST_F(TraceLogTest, LinesAreStampedPlainTextWithOneByteOrderMark)
{
    TraceLog(L"[Test] first");
    TraceLog(L"%s %d 100%");
    TraceLog(L"");
    auto lines = Lines(ReadLog(dir.Path()));
    ASSERT_EQ(lines.size(), 3u);
    for (const auto& line : lines)
        EXPECT_TRUE(IsStamp(line)) << std::string(line.begin(), line.end());
    EXPECT_EQ(lines[0].substr(13), L"[Test] first");
    EXPECT_EQ(lines[1].substr(13), L"%s %d 100%");
    EXPECT_EQ(lines[2].size(), 13u);
}

TEST_F(TraceLogTest, NonAsciiTextIsKept)
{
    const std::wstring message = L"[Label] \x30E9\x30D9\x30EB \x00E9t\x00E9 \x4E2D end";
    TraceLog(message);
    TraceLog(L"next");
    auto lines = Lines(ReadLog(dir.Path()));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(13), message);
}

TEST_F(TraceLogTest, LongMessageIsCutTo1023Characters)
{
    std::wstring message(2000, L'x');
    message[1022] = L'E';
    TraceLog(message);
    auto lines = Lines(ReadLog(dir.Path()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 13u + 1023u);
    EXPECT_EQ(lines[0].back(), L'E');
}

TEST_F(TraceLogTest, DeletedFileIsCreatedAfresh)
{
    TraceLog(L"one");
    ASSERT_TRUE(DeleteFileW((dir.Path() + L"XHCItrace.log").c_str()));
    TraceLog(L"two");
    auto lines = Lines(ReadLog(dir.Path()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(13), L"two");
}

TEST_F(TraceLogTest, LinesFromManyThreadsStayWhole)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i)
                TraceLog(L"[Thread " + std::to_wstring(t) + L"] line " + std::to_wstring(i) + L" " +
                         std::wstring(100, L'a' + t));
        });
    for (auto& thread : threads)
        thread.join();
    auto lines = Lines(ReadLog(dir.Path()));
    ASSERT_EQ(lines.size(), 200u);
    for (const auto& line : lines) {
        ASSERT_TRUE(IsStamp(line));
        ASSERT_EQ(line.substr(13, 8), L"[Thread ");
        wchar_t fill = L'a' + (line[21] - L'0');
        ASSERT_EQ(line.substr(line.size() - 100), std::wstring(100, fill));
    }
}

TEST(WorkingFolder, IsCreatedUnderAllUsersAppDataWhenMissing)
{
    std::string folder = GetWorkingFolder();
    ASSERT_FALSE(folder.empty());
    const std::string tail = "\\Tervo\\BrindleWinSln\\";
    ASSERT_GE(folder.size(), tail.size());
    EXPECT_EQ(folder.substr(folder.size() - tail.size()), tail);
    EXPECT_TRUE(DirExists(Widen(folder)));
}

TEST(TextHelpers, ConvertAndFormat)
{
    EXPECT_EQ(IntToAString(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(IntToAString(0), "0");
    EXPECT_EQ(IntToWString(42), L"42");
    EXPECT_EQ(IntToWString(-7), L"-7");

    EXPECT_EQ(AddTrailingBackslash(""), "");
    EXPECT_EQ(AddTrailingBackslash("C:"), "C:\\");
    EXPECT_EQ(AddTrailingBackslash("C:\\"), "C:\\");

    EXPECT_EQ(ToLowerWString(L"0A1C"), L"0a1c");
    EXPECT_EQ(ToLowerWString(L"E:\\Sources\\Z"), L"e:\\sources\\z");

    EXPECT_EQ(WStringToAString(L""), "");
    EXPECT_EQ(AStringToWString(""), L"");
    EXPECT_EQ(WStringToAString(L"C:\\Work"), "C:\\Work");
    EXPECT_EQ(AStringToWString("TervoToolTmp\\"), L"TervoToolTmp\\");
    // A character the ANSI code page lacks becomes its default character.
    EXPECT_EQ(WStringToAString(std::wstring(1, L'\x4E2D')), "?");
}

} // namespace
