#include "engine/Dismmanager.h"
#include "engine/TraceLog.h"
#include "support/DismStandin.h"
#include "support/TestSupport.h"
#include "support/TraceLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace testing_support;

namespace {

struct ProgressLog {
    std::vector<std::pair<UINT, UINT>> calls;
    void* seenUserData = nullptr;
};

void CALLBACK RecordProgress(UINT current, UINT total, PVOID userData)
{
    auto* log = static_cast<ProgressLog*>(userData);
    log->calls.emplace_back(current, total);
    log->seenUserData = userData;
}

std::wstring Hex(const void* p)
{
    wchar_t buffer[32];
    swprintf(buffer, 32, L"0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(p)));
    return buffer;
}

class DismManagerTest : public ::testing::Test {
protected:
    TempDir dir;
    std::wstring working = dir / L"work\\";
    ScopedWorkingFolder scopedWorking{working};
    DismStandin standin{dir / L"state\\"};
    MessageBoxRecorder boxes;
    std::wstring image = dir / L"media\\sources\\boot.wim";

    void SetUp() override
    {
        MakeDirs(dir / L"media\\sources");
        ASSERT_TRUE(WriteFakeImage(image, 2));
        DismManager::SetMountFolderRetryWait(100);
    }
    void TearDown() override
    {
        DismManager::Release();
        DismManager::SetMountFolderRetryWait(1000);
    }

    DismManager* Dism()
    {
        DismManager* dism = DismManager::Instance();
        dism->SetImagePath(image);
        return dism;
    }

    std::wstring TraceText() { return testing_support::TraceText(working); }
};

TEST_F(DismManagerTest, FullCycleMakesTheExactCallsInOrder)
{
    std::wstring package = dir / L"kb1.msu";
    std::wstring driver = dir / L"usb3.inf";
    WriteBytes(package, "p");
    WriteBytes(driver, "d");
    ProgressLog progress;

    DismManager* dism = Dism();
    EXPECT_EQ(dism->GetImageCount(), 2u);
    ASSERT_TRUE(dism->Mount(2, RecordProgress, &progress));
    std::wstring mount = dism->GetMountFolder();
    ASSERT_EQ(mount.compare(0, working.size(), working), 0);
    ASSERT_EQ(mount.back(), L'\\');
    EXPECT_TRUE(DirExists(mount + L"Windows"));
    EXPECT_TRUE(dism->AddPackage(package));
    EXPECT_TRUE(dism->AddDriver(driver));
    EXPECT_TRUE(dism->Commit(RecordProgress, &progress));
    EXPECT_TRUE(dism->Unmount(RecordProgress, &progress));
    EXPECT_FALSE(DirExists(mount));

    auto calls = standin.Journal();
    std::vector<std::wstring> names;
    for (const auto& c : calls)
        names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::wstring>{
                         L"DismInitialize", L"DismGetImageInfo", L"DismDelete", L"DismGetMountedImageInfo",
                         L"DismDelete", L"DismMountImage", L"DismOpenSession", L"DismAddPackage",
                         L"DismAddDriver", L"DismCommitImage", L"DismCloseSession", L"DismUnmountImage"}));
    ASSERT_EQ(calls.size(), 12u);
    for (const auto& c : calls)
        EXPECT_EQ(c.result, 0u) << Utf8(c.name);
    EXPECT_EQ(calls[0].args, (std::vector<std::wstring>{L"2", working + L"log.txt", L"(null)"}));
    EXPECT_EQ(calls[1].args[0], image);
    std::wstring user = Hex(&progress);
    EXPECT_EQ(calls[5].args,
              (std::vector<std::wstring>{image, mount, L"2", L"(null)", L"0", L"0", L"null", L"cb", user}));
    EXPECT_EQ(calls[6].args[0], mount);
    EXPECT_EQ(calls[6].args[1], L"(null)");
    EXPECT_EQ(calls[6].args[2], L"(null)");
    std::wstring session = calls[7].args[0];
    EXPECT_EQ(calls[7].args,
              (std::vector<std::wstring>{session, package, L"1", L"0", L"null", L"null", L"null"}));
    EXPECT_EQ(calls[8].args, (std::vector<std::wstring>{session, driver, L"1"}));
    EXPECT_EQ(calls[9].args, (std::vector<std::wstring>{session, L"0", L"null", L"cb", user}));
    EXPECT_EQ(calls[10].args, (std::vector<std::wstring>{session}));
    EXPECT_EQ(calls[11].args, (std::vector<std::wstring>{mount, L"0", L"null", L"cb", user}));

    // Mount, commit and unmount each report progress with the caller's data.
    EXPECT_EQ(progress.calls.size(), 9u);
    EXPECT_EQ(progress.seenUserData, &progress);
    // The commit reached the image file.
    std::string wim = ReadBytes(image);
    EXPECT_NE(wim.find("commit index=2"), std::string::npos);
    EXPECT_NE(wim.find("driver " + Narrow(driver) + " ForceUnsigned=1"), std::string::npos);
    EXPECT_NE(wim.find("package " + Narrow(package) + " IgnoreCheck=1 PreventPending=0"), std::string::npos);
    EXPECT_TRUE(standin.Mounts().empty());
    EXPECT_EQ(standin.LiveAllocations(), 0);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(DismManagerTest, UnreadableImageShowsTheBoxAndCountsZero)
{
    standin.SetLastErrorText(L"The system cannot find the file specified.");
    DismManager* dism = DismManager::Instance();
    dism->SetImagePath(dir / L"missing.wim");
    EXPECT_EQ(dism->GetImageCount(), 0u);
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              L"DismGetImageInfo failed 0x80070002 : The system cannot find the file specified.  ");
    EXPECT_EQ(shown[0].caption, L"DismCpp");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_EQ(standin.LiveAllocations(), 0);
}

TEST_F(DismManagerTest, ErrorBoxTextIsBoundedAndSurvivesAMissingMessage)
{
    // A 600-character DISM message is cut at the box's 260-character buffer.
    std::wstring longText(600, L'x');
    standin.SetLastErrorText(longText);
    standin.Fail(L"DismMountImage", L"1");
    DismManager* dism = Dism();
    EXPECT_FALSE(dism->Mount(2, nullptr, nullptr));
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    std::wstring head = L"DismMountImage failed 0x80004005 : ";
    EXPECT_EQ(shown[0].text, head + std::wstring(259 - head.size(), L'x'));

    // Now DISM has no message, and leaves the pointer it is given untouched: the
    // text must read as empty, never as the string already freed.
    standin.SetNoLastError();
    standin.Fail(L"DismMountImage", L"*");
    EXPECT_FALSE(dism->Mount(2, nullptr, nullptr));
    shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, L"DismMountImage failed 0x80004005 :   ");
    EXPECT_EQ(standin.LiveAllocations(), 0);
}

TEST_F(DismManagerTest, EachFailingCallIsNamedInTheBox)
{
    struct Case {
        const wchar_t* call;
        const wchar_t* shownName;
    } cases[] = {
        {L"DismOpenSession", L"DismOpenSession "},  {L"DismAddPackage", L"DismAddPackage  "},
        {L"DismAddDriver", L"DismAddDriver  "},     {L"DismCommitImage", L"DismCommitImage "},
        {L"DismCloseSession", L"DismCloseSession"}, {L"DismUnmountImage", L"DismUnmountImage  "},
    };
    std::wstring file = dir / L"pkg.msu";
    WriteBytes(file, "p");
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.call));
        DismManager::Release();
        RemoveTree(standin.StateFolder());
        MakeDirs(standin.StateFolder());
        RemoveTree(working);
        standin.SetLastErrorText(L"why");
        standin.Fail(c.call, L"1", 0x800f081fUL);
        size_t before = boxes.Count();

        DismManager* dism = Dism();
        bool ok = dism->Mount(2, nullptr, nullptr) && dism->AddPackage(file) && dism->AddDriver(file) &&
                  dism->Commit(nullptr, nullptr) && dism->Unmount(nullptr, nullptr);
        EXPECT_FALSE(ok);
        auto shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), before + 1);
        std::wstring text = std::wstring(c.shownName) + L" failed 0x800f081f : why";
        EXPECT_EQ(shown.back().text, text + L"  ");
        EXPECT_EQ(shown.back().caption, L"DismCpp");
        EXPECT_GE(FindTraceLine(TraceLines(working), L"[DismCpp] " + text), 0);
        // The wrapper stops where the call failed: nothing after it, but for a mount
        // without a session its discard.
        auto names = standin.JournalNames();
        if (std::wstring(c.call) == L"DismOpenSession" && names.back() == L"DismUnmountImage")
            names.pop_back();
        ASSERT_GE(names.size(), 3u);
        EXPECT_EQ(names[names.size() - 3], c.call);
        EXPECT_EQ(names[names.size() - 2], L"DismGetLastErrorMessage");
        EXPECT_EQ(names.back(), L"DismDelete");
    }
}

TEST_F(DismManagerTest, OpenSessionFailureDiscardsTheMountAtOnce)
{
    standin.Fail(L"DismOpenSession", L"1");
    DismManager* dism = Dism();
    EXPECT_FALSE(dism->Mount(2, nullptr, nullptr));
    std::wstring first = dism->GetMountFolder();
    EXPECT_TRUE(standin.Mounts().empty());
    EXPECT_FALSE(DirExists(first + L"Windows"));

    // The next mount has nothing to clear and mounts afresh.
    ASSERT_TRUE(dism->Mount(2, nullptr, nullptr));
    ASSERT_EQ(standin.Mounts().size(), 1u);
    EXPECT_EQ(standin.Mounts()[0].path + L"\\", dism->GetMountFolder());
}

TEST_F(DismManagerTest, AFolderWhoseDiscardFailsIsKept)
{
    std::wstring stale = working + L"999";
    MakeDirs(stale + L"\\Windows");
    standin.SetMounts({{stale, image, 1, 0, 0, 0}});
    standin.SetLastErrorText(L"In use.");
    standin.Fail(L"DismUnmountImage", L"1", 0x80070020UL);
    // Nothing is deleted under the live mount; the job mounts in a folder of its own.
    ASSERT_TRUE(Dism()->Mount(2, nullptr, nullptr));
    EXPECT_TRUE(DirExists(stale + L"\\Windows"));
    EXPECT_NE(TraceText().find(L"DismUnmountImage failed 0x80070020 : In use. on " + stale),
              std::wstring::npos);
}

TEST_F(DismManagerTest, StaleFoldersAndInvalidMountsAreCleared)
{
    // A folder of an interrupted run, still mounted, holding "Windows"; another without.
    std::wstring stale = working + L"999";
    std::wstring plain = working + L"1234";
    MakeDirs(stale + L"\\Windows");
    MakeDirs(plain);
    std::wstring other = dir / L"other.wim";
    WriteFakeImage(other, 1);
    // Two mounts DISM records as invalid, one of them of the very image and index we mount.
    MakeDirs(dir / L"gone1");
    MakeDirs(dir / L"gone2");
    standin.SetMounts({
        {stale, other, 1, 0, 0, 0},
        {dir / L"gone1", image, 2, 0, 2, 0},
        {dir / L"gone2", other, 1, 1, 2, 0},
    });

    DismManager* dism = Dism();
    ASSERT_TRUE(dism->Mount(2, nullptr, nullptr));
    EXPECT_FALSE(DirExists(stale));
    EXPECT_TRUE(DirExists(plain));
    auto names = standin.JournalNames();
    EXPECT_EQ(names,
              (std::vector<std::wstring>{L"DismInitialize", L"DismGetMountedImageInfo",
                                         L"DismCleanupMountpoints", L"DismCleanupMountpoints", L"DismDelete",
                                         L"DismUnmountImage", L"DismMountImage", L"DismOpenSession"}));
    auto mounts = standin.Mounts();
    ASSERT_EQ(mounts.size(), 1u);
    EXPECT_EQ(mounts[0].image, image);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(standin.LiveAllocations(), 0);
}

TEST_F(DismManagerTest, ReadOnlySessionIsDiscardedNotCommitted)
{
    DismManager::Release();
    DismCpp::DismImgManager session;
    session.SetImagePath(image);
    std::wstring mount = working + L"ro\\";
    MakeDirs(mount);
    ASSERT_TRUE(session.Mount(mount, true, 1, nullptr, nullptr));
    EXPECT_TRUE(session.Unmount(nullptr, nullptr));
    auto calls = standin.Journal();
    auto mountCall = std::find_if(calls.begin(), calls.end(),
                                  [](const DismCall& c) { return c.name == L"DismMountImage"; });
    ASSERT_NE(mountCall, calls.end());
    EXPECT_EQ(mountCall->args[5], L"1"); // DISM_MOUNT_READONLY
    // The session closes before the image goes.
    EXPECT_EQ(calls[calls.size() - 2].name, L"DismCloseSession");
    EXPECT_EQ(calls.back().name, L"DismUnmountImage");
    EXPECT_EQ(calls.back().args[1], L"1"); // DISM_DISCARD_IMAGE
    EXPECT_EQ(ReadBytes(image), "images=2\n");
}

TEST_F(DismManagerTest, MountFolderNameFollowsTheClock)
{
    EXPECT_EQ(DismManager::MountFolderName("C:\\w\\", 14, 5, 9), "C:\\w\\1459\\");
    EXPECT_EQ(DismManager::MountFolderName("C:\\w\\", 9, 5, 3), "C:\\w\\953\\");
    EXPECT_EQ(DismManager::MountFolderName("C:\\w\\", 10, 53, 0), "C:\\w\\10530\\");
    EXPECT_EQ(DismManager::MountFolderName("C:\\w\\", 0, 0, 0), "C:\\w\\000\\");
}

TEST_F(DismManagerTest, TwoMountFoldersInOneSecondGetDifferentNames)
{
    DismManager* dism = DismManager::Instance();
    ASSERT_TRUE(dism->CreateMountFolder());
    std::wstring first = dism->GetMountFolder();
    ASSERT_TRUE(dism->CreateMountFolder());
    std::wstring second = dism->GetMountFolder();
    EXPECT_NE(first, second);
    EXPECT_TRUE(DirExists(first));
    EXPECT_TRUE(DirExists(second));
}

TEST_F(DismManagerTest, MountFolderCreationGivesUp)
{
    DismManager::SetMountFolderRetryWait(10);
    // Every name the next few seconds can give is already taken.
    std::string wf = WStringToAString(working);
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME ft;
    SystemTimeToFileTime(&now, &ft);
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    for (int s = -1; s <= 6; ++s) {
        ULARGE_INTEGER u = t;
        u.QuadPart += static_cast<long long>(s) * 10000000LL;
        FILETIME f{u.LowPart, u.HighPart};
        SYSTEMTIME st;
        FileTimeToSystemTime(&f, &st);
        MakeDirs(Widen(DismManager::MountFolderName(wf, st.wHour, st.wMinute, st.wSecond)));
    }
    DismManager* dism = Dism();
    standin.ClearJournal();
    EXPECT_FALSE(dism->Mount(2, nullptr, nullptr));
    EXPECT_TRUE(standin.JournalNames().empty());
    EXPECT_NE(TraceText().find(L"[DismManager::CreateMountFolder] no mount folder after 30 tries"),
              std::wstring::npos);
    // The user is told the job has no folder to mount in.
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text.find(L"No new mount folder could be made in " + working), 0u);
}

TEST_F(DismManagerTest, UndeletableMountFolderFailsTheUnmountQuietly)
{
    DismManager* dism = Dism();
    ASSERT_TRUE(dism->Mount(2, nullptr, nullptr));
    ASSERT_TRUE(dism->Commit(nullptr, nullptr));
    // A handle held open on the folder keeps it from being deleted.
    HANDLE hold =
        CreateFileW(dism->GetMountFolder().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(dism->Unmount(nullptr, nullptr));
    CloseHandle(hold);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_TRUE(standin.Mounts().empty());
}

TEST_F(DismManagerTest, FailedStartUpThrowsAndTheNextCallTriesAgain)
{
    DismManager::Release();
    standin.Fail(L"DismInitialize", L"1");
    try {
        DismManager::Instance();
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Unable to DismInitialize");
    }
    EXPECT_NE(DismManager::Instance(), nullptr);
    EXPECT_EQ(standin.JournalNames(),
              (std::vector<std::wstring>{L"DismInitialize", L"DismGetLastErrorMessage", L"DismInitialize"}));
    EXPECT_NE(TraceText().find(L"DismInitialize failed 0x80004005 : "), std::wstring::npos);
}

TEST_F(DismManagerTest, MissingLibraryIsAFailedStartUp)
{
    DismManager::Release();
    TempDir empty;
    SetDismLibraryFolderOverride(empty.Path());
    EXPECT_THROW(DismManager::Instance(), std::runtime_error);
    EXPECT_NE(TraceText().find(L"cannot load " + empty.Path() + L"dismapi.dll"), std::wstring::npos);
    EXPECT_NE(TraceText().find(L"  system error 126"), std::wstring::npos);
    SetDismLibraryFolderOverride(std::wstring());
    EXPECT_NE(DismManager::Instance(), nullptr);
}

} // namespace
