// The selection pages' rules: list items, the capacity read back from them, the two size
// tests, measuring a source and the folder browser.
#include "ui/Selection.h"

#include "engine/MultiLang.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

TEST(Selection, ItemTexts)
{
    EXPECT_EQ(DvdItemText(L"D:\\", L"GRMCULXFRER_EN_DVD"), L"D:\\ ( GRMCULXFRER_EN_DVD ) ");
    EXPECT_EQ(DvdItemText(L"E:\\", L""), L"E:\\");
    const String word = TranslateStr(L"Capacity");
    EXPECT_EQ(UsbItemText(L"E:\\", 7634), L"E:\\ (" + word + L" 7634 MB )");
    EXPECT_EQ(UsbItemText(L"F:\\", 0), L"F:\\");
}

TEST(Selection, ParseUsbCapacity)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* word;
        int mb;
    };
    const Case cases[] = {
        {L"E:\\ (Capacity: 7634 MB )", L"Capacity:", 7634},
        {L"E:\\ (容量: 15200 MB )", L"容量:", 15200},
        {L"E:\\ (Capacité : 3837 MB )", L"Capacité :", 3837},
        {L"E:\\", L"Capacity:", 0},                         // the root alone
        {L"Please insert a USB drive.", L"Capacity:", 0},   // the note line
        {L"E:\\ (Capacity:MB )", L"Capacity:", 0},          // nothing between
        {L"E:\\ (Capacity:\t 42\t MB )", L"Capacity:", 42}, // blanks trimmed
        {L"E:\\ MB ) (Capacity: 5 MB )", L"Capacity:", 0},  // "MB )" before the word
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseUsbCapacity(c.text, c.word), c.mb) << Narrow(c.text);
    // Whatever the language, an item made by UsbItemText reads back its size.
    const String word = TranslateStr(L"Capacity");
    for (long long mb : {1LL, 3837LL, 1907729LL})
        EXPECT_EQ(ParseUsbCapacity(UsbItemText(L"G:\\", mb), word), mb);
    EXPECT_THROW(ParseUsbCapacity(L"E:\\ (Capacity: 12x MB )", L"Capacity:"), EConvertError);
}

TEST(Selection, SizeThresholds)
{
    // A disc of 3337 MB needs 3837 MB: met with >= on a stick, strictly above on a folder.
    EXPECT_FALSE(UsbLargeEnough(3836, 3337));
    EXPECT_TRUE(UsbLargeEnough(3837, 3337));
    EXPECT_FALSE(FolderHasRoom(3837, 3337));
    EXPECT_TRUE(FolderHasRoom(3838, 3337));
    // No disc measured: a stick of 500 MB is enough, a folder needs 501.
    EXPECT_TRUE(UsbLargeEnough(500, 0));
    EXPECT_FALSE(FolderHasRoom(500, 0));
    EXPECT_TRUE(UsbLargeEnough(4LL << 40, 2000000000)); // no 32-bit overflow
}

TEST(Selection, MeasureSourceInWholeMB)
{
    TempDir dir;
    ASSERT_TRUE(MakeDirs(dir / L"disc\\sources"));
    ASSERT_TRUE(MakeSizedFile(dir / L"disc\\sources\\install.wim", 3000000000ull));
    ASSERT_TRUE(MakeSizedFile(dir / L"disc\\boot.bin", 500000000ull));
    EXPECT_EQ(MeasureSourceMB(dir / L"disc\\"), 3337); // 3,500,000,000 bytes
    EXPECT_EQ(MeasureSourceMB(L""), 0);
}

namespace {

// Answers the folder browser with a path and counts the item lists given out and freed.
class FakeBrowser : public ShellFolderBrowser {
public:
    explicit FakeBrowser(const wchar_t* path, bool chosen = true, BOOL pathOk = TRUE)
        : m_path(path), m_chosen(chosen), m_pathOk(pathOk)
    {
        SetShellFolderBrowser(this);
    }
    ~FakeBrowser() override { SetShellFolderBrowser(nullptr); }

    PIDLIST_ABSOLUTE Browse(BROWSEINFOW* info) override
    {
        flags = info->ulFlags;
        root = info->pidlRoot;
        title = info->lpszTitle ? info->lpszTitle : L"";
        if (!m_chosen)
            return nullptr;
        ++given;
        return static_cast<PIDLIST_ABSOLUTE>(CoTaskMemAlloc(16));
    }
    BOOL PathFromIDList(PCIDLIST_ABSOLUTE, wchar_t* path) override
    {
        wcscpy(path, m_path.c_str());
        return m_pathOk;
    }
    void FreeIDList(PIDLIST_ABSOLUTE list) override
    {
        ++freed;
        CoTaskMemFree(list);
    }

    UINT flags = 0;
    PCIDLIST_ABSOLUTE root = reinterpret_cast<PCIDLIST_ABSOLUTE>(1);
    std::wstring title;
    int given = 0;
    int freed = 0;

private:
    std::wstring m_path;
    bool m_chosen;
    BOOL m_pathOk;
};

} // namespace

TEST(Selection, BrowseForFolder)
{
    struct Case {
        const wchar_t* shellPath;
        bool chosen;
        BOOL pathOk;
        const wchar_t* result;
    };
    const Case cases[] = {
        {L"E:\\", true, TRUE, L"E:\\"},               // a root keeps its one backslash
        {L"E:\\Images", true, TRUE, L"E:\\Images\\"}, // below it one is added
        {L"E:\\Images\\", true, TRUE, L"E:\\Images\\"},
        {L"", true, FALSE, L""},           // not a file-system folder
        {L"E:\\Images", false, TRUE, L""}, // cancelled
    };
    for (const Case& c : cases) {
        FakeBrowser shell(c.shellPath, c.chosen, c.pathOk);
        EXPECT_EQ(BrowseForFolderWith(nullptr, L"Please Select Folder:"), c.result) << Narrow(c.shellPath);
        EXPECT_EQ(shell.flags, static_cast<UINT>(BIF_RETURNONLYFSDIRS));
        EXPECT_EQ(shell.root, nullptr);
        EXPECT_EQ(shell.title, L"Please Select Folder:");
        EXPECT_EQ(shell.freed, shell.given) << "every item list is freed";
    }
}
