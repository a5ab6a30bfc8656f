// Partition links resolved through the real system calls, against links this test creates
// in the object namespace (the system itself has no \Device\HarddiskN\PartitionM here).
#include "engine/DiskSystem.h"
#include "engine/VolumeQuery.h"

#include <gtest/gtest.h>

#include <winternl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr ACCESS_MASK kDirectoryAllAccess = 0x000F000F;
constexpr ACCESS_MASK kSymbolicLinkAllAccess = 0x000F0001;
constexpr ULONG kObjCaseInsensitive = 0x00000040;

using CreateDirectoryFn = NTSTATUS(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*);
using CreateLinkFn = NTSTATUS(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, UNICODE_STRING*);
using CloseFn = NTSTATUS(NTAPI*)(HANDLE);

template <typename Fn>
Fn NtFunction(const char* name)
{
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

UNICODE_STRING Counted(const std::wstring& text)
{
    UNICODE_STRING s;
    s.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    s.MaximumLength = static_cast<USHORT>(s.Length + sizeof(wchar_t));
    s.Buffer = const_cast<wchar_t*>(text.c_str());
    return s;
}

// A "\Device\HarddiskN" folder of temporary links; everything goes when the handles close.
class PartitionLinks {
public:
    explicit PartitionLinks(int disk) : m_disk(disk)
    {
        auto create = NtFunction<CreateDirectoryFn>("NtCreateDirectoryObject");
        if (!create)
            return;
        std::wstring name = L"\\Device\\Harddisk" + std::to_wstring(disk);
        UNICODE_STRING counted = Counted(name);
        OBJECT_ATTRIBUTES attributes = {};
        attributes.Length = sizeof(attributes);
        attributes.ObjectName = &counted;
        attributes.Attributes = kObjCaseInsensitive;
        m_status = create(&m_directory, kDirectoryAllAccess, &attributes);
    }
    ~PartitionLinks()
    {
        auto close = NtFunction<CloseFn>("NtClose");
        for (HANDLE h : m_links)
            close(h);
        if (m_directory)
            close(m_directory);
    }
    bool Ready() const { return m_directory != nullptr; }
    NTSTATUS Status() const { return m_status; }

    NTSTATUS Add(int partition, const std::wstring& target)
    {
        auto create = NtFunction<CreateLinkFn>("NtCreateSymbolicLinkObject");
        if (!create)
            return static_cast<NTSTATUS>(0xC000007AL);
        std::wstring name =
            L"\\Device\\Harddisk" + std::to_wstring(m_disk) + L"\\Partition" + std::to_wstring(partition);
        UNICODE_STRING counted = Counted(name);
        UNICODE_STRING countedTarget = Counted(target);
        OBJECT_ATTRIBUTES attributes = {};
        attributes.Length = sizeof(attributes);
        attributes.ObjectName = &counted;
        attributes.Attributes = kObjCaseInsensitive;
        HANDLE link = nullptr;
        NTSTATUS status = create(&link, kSymbolicLinkAllAccess, &attributes, &countedTarget);
        if (status == 0)
            m_links.push_back(link);
        return status;
    }

private:
    int m_disk;
    HANDLE m_directory = nullptr;
    NTSTATUS m_status = static_cast<NTSTATUS>(0xC000007AL);
    std::vector<HANDLE> m_links;
};

// A disk number no other process is likely to use at the same time.
int UnusedDiskNumber() { return 100 + static_cast<int>(::GetCurrentProcessId() % 800); }

std::wstring DosTargetOf(const wchar_t* device)
{
    std::vector<wchar_t> buffer(1024, L'\0');
    if (!GetRealDiskSystem().QueryDosDeviceW(device, buffer.data(), 1024))
        return L"";
    return buffer.data();
}

class ObjectNamespaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The engine must talk to the system itself here.
        ASSERT_EQ(&GetDiskSystem(), &GetRealDiskSystem());
        ASSERT_TRUE(links.Ready()) << "NtCreateDirectoryObject: 0x" << std::hex << links.Status();
    }

    int disk = UnusedDiskNumber();
    PartitionLinks links{disk};
};

TEST_F(ObjectNamespaceTest, PartitionLetterOfALinkToDriveC)
{
    const std::wstring cTarget = DosTargetOf(L"C:");
    ASSERT_FALSE(cTarget.empty());
    ASSERT_EQ(links.Add(1, cTarget), 0);
    ASSERT_EQ(links.Add(2, L"\\Device\\HarddiskVolume977"), 0);

    wchar_t letter = L'?';
    EXPECT_TRUE(GetPartitionLetter(disk, 1, letter));
    EXPECT_EQ(letter, L'C');

    // A partition whose volume has no drive letter, and one with no link at all.
    letter = L'?';
    EXPECT_FALSE(GetPartitionLetter(disk, 2, letter));
    EXPECT_EQ(letter, 0);
    letter = L'?';
    EXPECT_FALSE(GetPartitionLetter(disk, 3, letter));
    EXPECT_EQ(letter, 0);
}

TEST_F(ObjectNamespaceTest, LinkTargetIsTerminatedInsideTheBuffer)
{
    const std::wstring target = L"\\Device\\HarddiskVolume12"; // 24 characters
    ASSERT_EQ(links.Add(1, target), 0);
    const std::wstring name = L"\\Device\\Harddisk" + std::to_wstring(disk) + L"\\Partition1";
    const wchar_t canary = 0xCAFE;

    std::vector<wchar_t> buffer(27, L'#');
    buffer[24] = canary;
    EXPECT_EQ(QueryDosSymbolicLink(name.c_str(), buffer.data(), 48), 0);
    EXPECT_EQ(buffer[24], canary);

    // Wine, unlike Windows, also wants room for a terminator of its own within the maximum.
    std::fill(buffer.begin(), buffer.end(), L'#');
    buffer[26] = canary;
    EXPECT_EQ(QueryDosSymbolicLink(name.c_str(), buffer.data(), 52), 1);
    EXPECT_EQ(std::wstring(buffer.data()), target);
    EXPECT_EQ(buffer[26], canary);
}

} // namespace
