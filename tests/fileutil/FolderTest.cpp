#include "engine/FileUtil.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testing_support;

namespace {

const unsigned long long kFiveGB = 5ull * 1024 * 1024 * 1024;

// Keeps the current folder for the test and puts it back afterwards.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const std::wstring& folder)
    {
        wchar_t old[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, old);
        m_old = old;
        SetCurrentDirectoryW(folder.c_str());
    }
    ~ScopedCurrentFolder() { SetCurrentDirectoryW(m_old.c_str()); }

private:
    std::wstring m_old;
};

TEST(FolderSizeTest, CountsSubfoldersOnlyWhenAskedAndFilesOver4GB)
{
    TempDir dir;
    MakeDirs(dir / L"sub");
    ASSERT_TRUE(MakeSizedFile(dir / L"sub\\big.wim", kFiveGB));
    WriteBytes(dir / L"top.txt", "12345");
    WriteBytes(dir / L"h.txt", "abc");
    SetFileAttributesW((dir / L"h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(GetFolderSize(dir.Path(), false), 8u);
    std::wstring noSlash = dir.Path().substr(0, dir.Path().size() - 1);
    EXPECT_EQ(GetFolderSize(noSlash, true), kFiveGB + 8);
    EXPECT_EQ(GetFolderSize(dir / L"missing", true), 0u);
    EXPECT_EQ(GetFileSize64(dir / L"sub\\big.wim"), kFiveGB);
    EXPECT_EQ(GetFileSize64(dir / L"nothing.bin"), 0u);
}

TEST(ClearReadOnlyTest, ClearsOnlyTheReadOnlyBit)
{
    TempDir dir;
    std::wstring file = dir / L"f";
    WriteBytes(file, "x");
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(ClearReadOnly(file));
    DWORD attributes = GetFileAttributesW(file.c_str());
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(ClearReadOnly(dir / L"missing"));
}

TEST(CopyFolderTest, CopiesAFoldersContentsOrOneFileIntoTheTarget)
{
    TempDir dir;
    MakeDirs(dir / L"src\\sub");
    WriteBytes(dir / L"src\\a.txt", "a");
    WriteBytes(dir / L"src\\sub\\b.txt", "b");
    WriteBytes(dir / L"lone.txt", "lone");

    EXPECT_TRUE(CopyFolder(dir / L"src", dir / L"dst"));
    EXPECT_EQ(ReadBytes(dir / L"dst\\a.txt"), "a");
    EXPECT_EQ(ReadBytes(dir / L"dst\\sub\\b.txt"), "b");
    EXPECT_FALSE(DirExists(dir / L"dst\\src"));

    EXPECT_TRUE(CopyFolder(dir / L"src\\", dir / L"dst2\\"));
    EXPECT_EQ(ReadBytes(dir / L"dst2\\sub\\b.txt"), "b");

    WriteBytes(dir / L"dst\\a.txt", "old");
    EXPECT_TRUE(CopyFolder(dir / L"lone.txt", dir / L"dst"));
    EXPECT_EQ(ReadBytes(dir / L"dst\\lone.txt"), "lone");
    EXPECT_TRUE(CopyFolder(dir / L"src", dir / L"dst"));
    EXPECT_EQ(ReadBytes(dir / L"dst\\a.txt"), "a") << "existing files are replaced";
}

TEST(CopyFolderTest, RefusesAnEmptySourceAndOverlongPaths)
{
    TempDir dir;
    EXPECT_FALSE(CopyFolder(L"", dir / L"dst"));
    std::wstring deep = dir.Path() + std::wstring(250, L'x');
    EXPECT_FALSE(CopyFolder(deep, dir / L"dst"));
    EXPECT_FALSE(CopyFolder(dir.Path(), dir.Path() + std::wstring(260, L'y')));
}

TEST(DeleteFolderTest, DeletesATreeWithOrWithoutTrailingBackslash)
{
    TempDir dir;
    MakeDirs(dir / L"a\\b");
    WriteBytes(dir / L"a\\b\\f.txt", "f");
    EXPECT_TRUE(DeleteFolder(dir / L"a\\"));
    EXPECT_FALSE(DirExists(dir / L"a"));
    MakeDirs(dir / L"c");
    EXPECT_TRUE(DeleteFolder(dir / L"c"));
    EXPECT_FALSE(DirExists(dir / L"c"));
    EXPECT_FALSE(DeleteFolder(dir / L"c"));
}

TEST(DeleteFolderTest, DeleteAndEmptyRefuseEmptyPathsAndDriveRoots)
{
    TempDir dir;
    WriteBytes(dir / L"keep.txt", "k");
    ScopedCurrentFolder current(dir.Path());
    // An empty path, or "C:", would otherwise stand for the current folder.
    EmptyFolder(L"");
    EmptyFolder(L"C:");
    EmptyFolder(L"\\");
    EXPECT_FALSE(DeleteFolder(L""));
    EXPECT_FALSE(DeleteFolder(L"C:\\"));
    EXPECT_FALSE(DeleteFolder(L"C:"));
    EXPECT_FALSE(DeleteFolder(L"\\"));
    EXPECT_FALSE(DeleteFolder(L"\\\\?\\C:\\"));
    EXPECT_TRUE(FileExists(dir / L"keep.txt"));
}

TEST(EmptyFolderTest, RemovesAReadOnlyTreeThatTheShellDeleteLeaves)
{
    TempDir dir;
    std::wstring root = dir / L"ro\\";
    MakeDirs(root + L"inner\\deeper");
    WriteBytes(root + L"a.txt", "a");
    WriteBytes(root + L"inner\\deeper\\b.txt", "b");
    SetFileAttributesW((root + L"a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW((root + L"inner\\deeper\\b.txt").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((root + L"inner").c_str(), FILE_ATTRIBUTE_READONLY);

    // The finish routine's order: the shell first, entry by entry when that fails.
    if (!DeleteFolder(root))
        EmptyFolder(root);
    EXPECT_FALSE(DirExists(root));

    MakeDirs(root + L"x");
    WriteBytes(root + L"x\\c.txt", "c");
    SetFileAttributesW((root + L"x\\c.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EmptyFolder(root);
    EXPECT_FALSE(DirExists(root));
}

TEST(FindFilesTest, FindsMatchingExtensionsDepthFirstAndAppends)
{
    TempDir dir;
    MakeDirs(dir / L"x64\\sub\\deeper");
    WriteBytes(dir / L"x64\\a.inf", "");
    WriteBytes(dir / L"x64\\sub\\B.INF", "");
    WriteBytes(dir / L"x64\\sub\\deeper\\c.inf_", "");
    WriteBytes(dir / L"x64\\sub\\deeper\\d.Inf", "");
    WriteBytes(dir / L"x64\\inf", "");
    std::vector<std::wstring> found{L"kept"};
    FindFilesByExt(found, dir / L"x64", L".INF");
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0], L"kept");
    std::vector<std::wstring> rest(found.begin() + 1, found.end());
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(rest, (std::vector<std::wstring>{dir / L"x64\\a.inf", dir / L"x64\\sub\\B.INF",
                                               dir / L"x64\\sub\\deeper\\d.Inf"}));
}

} // namespace
