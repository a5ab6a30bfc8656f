#include "engine/Ccopyfileopt.h"
#include "engine/FolderListing.h"
#include "engine/TraceLog.h"
#include "support/ChunkedCopy.h"
#include "support/TestSupport.h"
#include "support/TraceLines.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// The name of an entry exactly as the file system keeps it.
std::wstring StoredName(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return std::wstring();
    FindClose(find);
    return data.cFileName;
}

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool IsEmptyFolder(const std::wstring& folder)
{
    if (!DirExists(folder))
        return false;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    bool empty = true;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L".."))
                empty = false;
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return empty;
}

class CopyEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeDirs(src);
        MakeDirs(dst);
    }
    bool Copy(LPPROGRESS_ROUTINE routine = nullptr, void* data = nullptr)
    {
        COptFile* engine = COptFile::Instance();
        engine->SetPath(src.c_str(), dst.c_str());
        engine->SetWeight(1.0);
        return engine->Copy(routine, data);
    }

    TempDir dir;
    ScopedWorkingFolder working{dir / L"work\\"};
    ScopedChunkedCopy chunked{4096};
    std::wstring src = dir / L"src\\";
    std::wstring dst = dir / L"dst\\";
};

TEST_F(CopyEngineTest, CopiesHiddenSystemAndNestedEntriesAndCountsEveryByte)
{
    MakeDirs(src + L"sub\\deep");
    MakeDirs(src + L"hid");
    WriteBytes(src + L"a.txt", "alpha");
    WriteBytes(src + L"sub\\b.bin", std::string(10000, 'b'));
    WriteBytes(src + L"sub\\deep\\empty.dat", "");
    WriteBytes(src + L"hid\\c.sys", "system");
    WriteBytes(src + L"h.txt", "hidden");
    SetFileAttributesW((src + L"h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((src + L"hid\\c.sys").c_str(), FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesW((src + L"hid").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);

    ASSERT_TRUE(Copy());
    EXPECT_EQ(ReadBytes(dst + L"a.txt"), "alpha");
    EXPECT_EQ(ReadBytes(dst + L"sub\\b.bin"), std::string(10000, 'b'));
    EXPECT_TRUE(FileExists(dst + L"sub\\deep\\empty.dat"));
    EXPECT_EQ(ReadBytes(dst + L"hid\\c.sys"), "system");
    EXPECT_EQ(ReadBytes(dst + L"h.txt"), "hidden");
    EXPECT_TRUE(Attributes(dst + L"h.txt") & FILE_ATTRIBUTE_HIDDEN);

    COptFile* engine = COptFile::Instance();
    EXPECT_EQ(engine->GetTotalSize(), 5u + 10000u + 6u + 6u);
    EXPECT_EQ(engine->GetCopiedSize(), engine->GetTotalSize());
    auto lines = TraceLines(dir / L"work\\");
    EXPECT_GE(FindTraceLine(lines, L"[CopyOperation:: Srcpath]" + src), 0);
    EXPECT_GE(FindTraceLine(lines, L"[CopyOperation:: m_TotalFileSize]10017"), 0);
    EXPECT_GE(FindTraceLine(lines, L"[COptFile::IsFinished]!true"), 0);
}

TEST_F(CopyEngineTest, OverwritesFilesOfTheSameName)
{
    WriteBytes(src + L"same.txt", "new");
    WriteBytes(dst + L"same.txt", "old and longer");
    ASSERT_TRUE(Copy());
    EXPECT_EQ(ReadBytes(dst + L"same.txt"), "new");
}

TEST_F(CopyEngineTest, AutorunKeepsTheSourceSpellingAndLeavesNoTemporaryName)
{
    MakeDirs(src + L"inner");
    WriteBytes(src + L"AutoRun.Inf", "[autorun]\r\n");
    WriteBytes(src + L"inner\\autorun.inf", "inner");
    ASSERT_TRUE(Copy());
    EXPECT_EQ(StoredName(dst + L"autorun.inf"), L"AutoRun.Inf");
    EXPECT_EQ(ReadBytes(dst + L"AutoRun.Inf"), "[autorun]\r\n");
    EXPECT_EQ(StoredName(dst + L"inner\\AUTORUN.INF"), L"autorun.inf");
    EXPECT_FALSE(FileExists(dst + L"TOINI"));
    EXPECT_FALSE(FileExists(dst + L"inner\\TOINI"));
}

TEST_F(CopyEngineTest, AutorunReplacesAnExistingReadOnlyTarget)
{
    WriteBytes(src + L"AUTORUN.INF", "fresh");
    WriteBytes(dst + L"AUTORUN.INF", "stale");
    SetFileAttributesW((dst + L"AUTORUN.INF").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(Copy());
    EXPECT_EQ(ReadBytes(dst + L"AUTORUN.INF"), "fresh");
    EXPECT_FALSE(FileExists(dst + L"TOINI"));
}

TEST_F(CopyEngineTest, AFailedAutorunRenameFailsTheCopy)
{
    WriteBytes(src + L"autorun.inf", "x");
    WriteBytes(src + L"other.txt", "y");
    // A folder of that name can't be replaced by a file.
    MakeDirs(dst + L"AUTORUN.INF\\keep");
    EXPECT_FALSE(Copy());
    auto lines = TraceLines(dir / L"work\\");
    EXPECT_GE(FindTraceLine(lines, L"[OnCopyfileCallback::false]!res || (res && !IsFinished() )"), 0);
    EXPECT_TRUE(IsEmptyFolder(dst)) << "a failed copy empties the target";
}

TEST_F(CopyEngineTest, SingleFileSourceLandsUnderItsOwnName)
{
    WriteBytes(src + L"one.wim", std::string(9000, 'w'));
    COptFile* engine = COptFile::Instance();
    std::wstring file = src + L"one.wim";
    std::wstring target = dst + L"new\\";
    engine->SetPath(file.c_str(), target.c_str());
    ASSERT_TRUE(engine->Copy(nullptr, nullptr));
    EXPECT_EQ(ReadBytes(target + L"one.wim"), std::string(9000, 'w'));
    EXPECT_EQ(engine->GetTotalSize(), 9000u);
    EXPECT_EQ(engine->GetCopiedSize(), 0u);
}

// A folder that is not there copies as empty; one that can't be read fails (below).
TEST_F(CopyEngineTest, MissingSourceCopiesNothingAndSucceeds)
{
    std::wstring missing = dir / L"nothing\\";
    COptFile* engine = COptFile::Instance();
    engine->SetPath(missing.c_str(), dst.c_str());
    EXPECT_TRUE(engine->Copy(nullptr, nullptr));
    EXPECT_TRUE(IsEmptyFolder(dst));
}

// A damaged disc: from its n-th listing on, one folder breaks off with g_error, at once or
// after its first entry. The engine lists the source to measure, copy and measure again.
std::wstring g_pattern;
int g_from, g_listings;
bool g_afterFirst;
DWORD g_error;
HANDLE g_broken;

HANDLE WINAPI DamagedFindFirst(LPCWSTR pattern, LPWIN32_FIND_DATAW entry)
{
    if (g_pattern != pattern || ++g_listings < g_from)
        return FindFirstFileW(pattern, entry);
    g_broken = g_afterFirst ? FindFirstFileW(pattern, entry) : INVALID_HANDLE_VALUE;
    SetLastError(g_error);
    return g_broken;
}

BOOL WINAPI DamagedFindNext(HANDLE find, LPWIN32_FIND_DATAW entry)
{
    if (find != g_broken)
        return FindNextFileW(find, entry);
    SetLastError(g_error);
    return FALSE;
}

TEST_F(CopyEngineTest, AFolderThatCannotBeListedFailsTheCopyAndIsNamed)
{
    const struct {
        const wchar_t* folder;
        int from;
        bool afterFirst;
        const wchar_t* origin;
    } cases[] = {{L"sub\\", 1, false, L"[COptFile::GetPathSize]"},
                 {L"sub\\", 2, false, L"[COptFile::CopyFolder]"},
                 {L"", 2, true, L"[COptFile::CopyFolder]"},
                 {L"", 3, false, L"[COptFile::IsFinished]"}};
    WriteBytes(src + L"a.txt", "a");
    MakeDirs(src + L"sub");
    WriteBytes(src + L"sub\\b.txt", "b");
    FolderListing::SetFindFunctions(&DamagedFindFirst, &DamagedFindNext);
    for (const auto& c : cases) {
        g_pattern = src + c.folder + L"*.*", g_from = c.from, g_afterFirst = c.afterFirst;
        g_listings = 0, g_error = ERROR_CRC, g_broken = INVALID_HANDLE_VALUE;
        EXPECT_FALSE(Copy());
        EXPECT_EQ(COptFile::Instance()->GetLastCopyError(), static_cast<unsigned long>(ERROR_CRC));
        EXPECT_TRUE(IsEmptyFolder(dst));
        EXPECT_GE(FindTraceLine(TraceLines(dir / L"work\\"), c.origin +
                                                                 (L" cannot list " + src + c.folder + L": ") +
                                                                 SystemErrorText(ERROR_CRC).substr(2)),
                  0)
            << Narrow(c.origin + src + c.folder);
    }
    // The root of an empty disc answers "no files" at once: empty, not damaged.
    RemoveTree(src);
    MakeDirs(src);
    g_pattern = src + L"*.*", g_from = 1, g_afterFirst = false, g_error = ERROR_FILE_NOT_FOUND;
    EXPECT_TRUE(Copy());
    FolderListing::SetFindFunctions(nullptr, nullptr);
}

TEST_F(CopyEngineTest, ASourceThatShrinksDuringTheCopyFailsIt)
{
    WriteBytes(src + L"a.txt", std::string(500, 'a'));
    WriteBytes(src + L"b.txt", std::string(500, 'b'));
    // When the second file is done, the first one (already copied) disappears.
    bool removed = false;
    std::wstring first;
    SetChunkObserver([&](const std::wstring& source, unsigned long long done, unsigned long long total) {
        if (done != total)
            return;
        if (first.empty())
            first = source;
        else if (!removed)
            removed = DeleteFileW(first.c_str()) != FALSE;
    });
    EXPECT_FALSE(Copy());
    EXPECT_TRUE(removed);
    auto lines = TraceLines(dir / L"work\\");
    EXPECT_GE(FindTraceLine(lines, L"[COptFile::IsFinished]!false"), 0);
}

TEST(CopyEngineSystemCopy, CopiesATreeWithTheSystemCopyFunction)
{
    TempDir dir;
    ScopedWorkingFolder working(dir / L"work\\");
    std::wstring src = dir / L"src\\", dst = dir / L"dst\\";
    MakeDirs(src + L"x");
    WriteBytes(src + L"x\\y.txt", "why");
    WriteBytes(src + L"AUTORUN.inf", "run");
    COptFile* engine = COptFile::Instance();
    engine->SetPath(src.c_str(), dst.c_str());
    ASSERT_TRUE(engine->Copy(nullptr, nullptr));
    EXPECT_EQ(ReadBytes(dst + L"x\\y.txt"), "why");
    EXPECT_EQ(StoredName(dst + L"autorun.inf"), L"AUTORUN.inf");
}

} // namespace
