#include "src/disk/Drive.h"
#include "LayoutBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

using namespace disktest;
using gs::_Partition;

namespace {

// A disk as the walks see it: letters by partition number, volumes by number.
struct FakeDisk {
    std::map<int, std::wstring> letters;
    std::map<int, std::pair<std::wstring, std::wstring>> volumes; // number -> file system, label
    long long size = 0;
    std::vector<int> volumeReads;
    int sizeQueries = 0;

    gs::LayoutServices Services()
    {
        gs::LayoutServices s;
        s.partitionLetter = [this](int number) {
            auto it = letters.find(number);
            return it == letters.end() ? std::wstring() : it->second;
        };
        s.queryVolume = [this](_Partition& p, std::wstring& fs, std::wstring& label) {
            volumeReads.push_back(p.number);
            auto it = volumes.find(p.number);
            if (it == volumes.end()) {
                fs = L"garbage";
                return false;
            }
            fs = it->second.first;
            label = it->second.second;
            return true;
        };
        s.diskSize = [this] {
            ++sizeQueries;
            return size;
        };
        return s;
    }
};

void ExpectIndexes(const std::vector<_Partition>& list)
{
    for (size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i].index, static_cast<int>(i));
}

void ExpectUnused(const _Partition& p, unsigned long long sizeMiB, unsigned kind = gs::PARTITION_KIND_UNUSED)
{
    EXPECT_EQ(p.number, 0);
    EXPECT_EQ(p.kind, kind);
    EXPECT_EQ(p.size, sizeMiB);
    EXPECT_EQ(p.type, L"Entry Unused");
    EXPECT_EQ(p.letter, L"");
    EXPECT_EQ(p.label, L"");
    EXPECT_EQ(p.info.StartingOffset.QuadPart, 0);
    EXPECT_EQ(p.info.PartitionNumber, 0u);
}

} // namespace

// ---- GPT

TEST(GptWalk, EfiReservedAndBasicDataWithoutGaps)
{
    LayoutBytes layout(1, 3);
    layout.Gpt(0, 1 * MiB, 100 * MiB, 1, kEfi);
    layout.Gpt(1, 101 * MiB, 16 * MiB, 2, kReserved);
    layout.Gpt(2, 117 * MiB, 1000 * MiB, 3, kBasicData);
    FakeDisk disk;
    disk.size = 1118 * MiB; // 1 MiB after the last partition: no trailing record
    disk.letters[3] = L"F";
    disk.volumes[1] = {L"FAT32", L"SYSTEM"};
    disk.volumes[3] = {L"NTFS", L""};

    auto list = gs::WalkGptLayout(layout.data(), layout.size(), disk.Services());
    ASSERT_EQ(list.size(), 3u);
    ExpectIndexes(list);
    EXPECT_EQ(list[0].kind, gs::PARTITION_KIND_EFI);
    EXPECT_EQ(list[0].type, L"EFI system partition");
    EXPECT_EQ(list[0].label, L"SYSTEM");
    EXPECT_EQ(list[0].size, 100u);
    EXPECT_EQ(list[1].kind, gs::PARTITION_KIND_RESERVED);
    EXPECT_EQ(list[1].type, L"Microsoft reserved partition");
    EXPECT_EQ(list[2].kind, gs::PARTITION_KIND_PRIMARY);
    EXPECT_EQ(list[2].number, 3);
    EXPECT_EQ(list[2].letter, L"F");
    EXPECT_EQ(list[2].type, L"NTFS");
    EXPECT_EQ(list[2].info.StartingOffset.QuadPart, 117 * MiB);
    // The reserved partition's volume is never read.
    EXPECT_EQ(disk.volumeReads, (std::vector<int>{1, 3}));
}

TEST(GptWalk, GapOfTwoMiBIsNoRecordOneByteMoreIs)
{
    for (long long extra : {0LL, 1LL}) {
        LayoutBytes layout(1, 2);
        layout.Gpt(0, 1 * MiB, 10 * MiB, 1, kBasicData);
        layout.Gpt(1, 11 * MiB + 2 * MiB + extra, 10 * MiB, 2, kBasicData);
        FakeDisk disk;
        disk.size = 0;
        auto list = gs::WalkGptLayout(layout.data(), layout.size(), disk.Services());
        ExpectIndexes(list);
        if (extra == 0) {
            ASSERT_EQ(list.size(), 2u);
        } else {
            ASSERT_EQ(list.size(), 3u);
            ExpectUnused(list[1], 2);
            EXPECT_EQ(list[2].number, 2);
        }
    }
}

TEST(GptWalk, TrailingGapAfterTheLastEntry)
{
    LayoutBytes layout(1, 2);
    layout.Gpt(0, 1 * MiB, 10 * MiB, 1, kBasicData);
    layout.Gpt(1, 11 * MiB, 10 * MiB, 2, kRecovery);
    FakeDisk disk;
    disk.volumes[2] = {L"NTFS", L"Recovery"};
    disk.size = 21 * MiB + 2 * MiB; // exactly 2 MiB left: no record
    auto list = gs::WalkGptLayout(layout.data(), layout.size(), disk.Services());
    ASSERT_EQ(list.size(), 2u);
    // A failed volume read leaves the type empty.
    EXPECT_EQ(list[0].type, L"");
    EXPECT_EQ(list[0].label, L"");
    EXPECT_EQ(list[1].type, L"NTFS");
    EXPECT_EQ(list[1].label, L"Recovery");

    disk.size = 21 * MiB + 500 * MiB;
    list = gs::WalkGptLayout(layout.data(), layout.size(), disk.Services());
    ASSERT_EQ(list.size(), 3u);
    ExpectIndexes(list);
    ExpectUnused(list[2], 500);
}

TEST(GptWalk, SingleEntryMakesNoTrailingRecord)
{
    LayoutBytes layout(1, 1);
    layout.Gpt(0, 1 * MiB, 10 * MiB, 1, kLinuxData);
    FakeDisk disk;
    disk.size = 1000 * MiB;
    auto list = gs::WalkGptLayout(layout.data(), layout.size(), disk.Services());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].number, 1);
    EXPECT_EQ(list[0].kind, gs::PARTITION_KIND_UNUSED);
    EXPECT_EQ(list[0].type, L"Entry Unused");
    // Read once, to tell the entry lies on the disk; no trailing record follows.
    EXPECT_EQ(disk.sizeQueries, 1);
    EXPECT_TRUE(disk.volumeReads.empty());
}

TEST(GptWalk, NoEntriesShowTheWholeDiskUnused)
{
    LayoutBytes layout(1, 0);
    FakeDisk disk;
    disk.size = 4000 * MiB;
    auto list = gs::WalkGptLayout(layout.data(), layout.size(), disk.Services());
    ASSERT_EQ(list.size(), 1u);
    ExpectUnused(list[0], 4000);
}

TEST(GptWalk, CountBeyondTheBufferReadsOnlyWhatIsThere)
{
    LayoutBytes layout(1, 2);
    layout.Gpt(0, 1 * MiB, 10 * MiB, 1, kBasicData);
    layout.Gpt(1, 11 * MiB, 10 * MiB, 2, kBasicData);
    unsigned lie = 200;
    std::memcpy(&layout.bytes()[4], &lie, 4);
    FakeDisk disk;
    auto list = gs::WalkGptLayout(layout.data(), layout.size(), disk.Services());
    EXPECT_EQ(list.size(), 2u);
    EXPECT_TRUE(gs::WalkGptLayout(layout.data(), 20, disk.Services()).size() <= 1u);
}

TEST(GptWalk, DiskIdInRegistryForm)
{
    GUID id = {0x0123ABCD, 0x4567, 0x89EF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
    EXPECT_EQ(gs::GuidToRegistryText(id), L"{0123ABCD-4567-89EF-FEDC-BA9876543210}");
}

// ---- MBR

namespace {
// 255 heads, 63 sectors of 512 bytes: a cylinder of 8,225,280 bytes.
constexpr long long Cyl = 255LL * 63 * 512;

std::vector<_Partition> Mbr(const LayoutBytes& layout, FakeDisk& disk)
{
    return gs::WalkMbrLayout(layout.data(), layout.size(), 255, 63, 512, disk.Services());
}
} // namespace

TEST(MbrWalk, OneFat32PartitionWithTrailingGap)
{
    LayoutBytes layout(0, 4);
    layout.Mbr(0, 1 * MiB, 100 * Cyl, 1, 0x0C);
    FakeDisk disk;
    disk.letters[1] = L"E";
    disk.volumes[1] = {L"FAT32", L"NONAME"};
    disk.size = 1 * MiB + 100 * Cyl + 3 * Cyl;

    auto list = Mbr(layout, disk);
    ASSERT_EQ(list.size(), 2u);
    ExpectIndexes(list);
    EXPECT_EQ(list[0].number, 1);
    EXPECT_EQ(list[0].kind, gs::PARTITION_KIND_PRIMARY);
    EXPECT_EQ(list[0].letter, L"E");
    EXPECT_EQ(list[0].type, L"FAT32");
    EXPECT_EQ(list[0].label, L"NONAME");
    EXPECT_EQ(list[0].info.Mbr.PartitionType, 0x0C);
    ExpectUnused(list[1], static_cast<unsigned long long>(3 * Cyl / MiB));

    // Less than a whole cylinder beyond the last one: no trailing record.
    disk.size = 1 * MiB + 100 * Cyl + Cyl / 2;
    EXPECT_EQ(Mbr(layout, disk).size(), 1u);
}

TEST(MbrWalk, ExtendedPartitionWithTwoLogicalDrivesAndGaps)
{
    LayoutBytes layout(0, 12);
    const long long extStart = 200 * Cyl, extEnd = 800 * Cyl;
    // Table order differs from disk order: the walk sorts by offset.
    layout.Mbr(0, extStart, extEnd - extStart, 0, 0x0F);
    layout.Mbr(1, 1 * Cyl, 100 * Cyl, 1, 0x07);
    layout.Mbr(4, extStart + 10 * Cyl, 100 * Cyl, 5, 0x07);  // 10 cylinders into the container
    layout.Mbr(5, extStart + 200 * Cyl, 300 * Cyl, 0, 0x05); // link to the next table
    layout.Mbr(8, extStart + 300 * Cyl, 100 * Cyl, 6, 0x0B);
    FakeDisk disk;
    disk.letters = {{1, L"C"}, {5, L"G"}, {6, L"H"}};
    disk.volumes = {{1, {L"NTFS", L"OS"}}, {5, {L"NTFS", L"DATA"}}, {6, {L"FAT32", L"NONAME"}}};
    disk.size = 1000 * Cyl;

    auto list = Mbr(layout, disk);
    ASSERT_EQ(list.size(), 9u);
    ExpectIndexes(list);
    EXPECT_EQ(list[0].number, 1);
    // The gap before the container follows the container's own record.
    EXPECT_EQ(list[1].kind, gs::PARTITION_KIND_EXTENDED);
    EXPECT_EQ(list[1].letter, L"");
    EXPECT_EQ(list[1].size, static_cast<unsigned long long>(600 * Cyl / MiB));
    ExpectUnused(list[2], static_cast<unsigned long long>(99 * Cyl / MiB)); // 101 .. 200
    ExpectUnused(list[3], static_cast<unsigned long long>(10 * Cyl / MiB));
    EXPECT_EQ(list[4].kind, gs::PARTITION_KIND_LOGICAL);
    EXPECT_EQ(list[4].number, 5);
    EXPECT_EQ(list[4].letter, L"G");
    EXPECT_EQ(list[4].label, L"DATA");
    ExpectUnused(list[5], static_cast<unsigned long long>(190 * Cyl / MiB));
    EXPECT_EQ(list[6].number, 6);
    EXPECT_EQ(list[6].type, L"FAT32");
    ExpectUnused(list[7], static_cast<unsigned long long>(200 * Cyl / MiB)); // to the container's end
    ExpectUnused(list[8], static_cast<unsigned long long>(200 * Cyl / MiB)); // to the disk's end
    // The container itself is never read as a volume.
    EXPECT_EQ(disk.volumeReads, (std::vector<int>{1, 5, 6}));
}

TEST(MbrWalk, EmptyExtendedPartition)
{
    for (unsigned count : {4u, 8u}) {
        LayoutBytes layout(0, count);
        layout.Mbr(0, 1 * Cyl, 100 * Cyl, 1, 0x07);
        layout.Mbr(1, 101 * Cyl, 50 * Cyl, 0, 0x05);
        FakeDisk disk;
        disk.size = 151 * Cyl;
        auto list = Mbr(layout, disk);
        ASSERT_EQ(list.size(), 3u) << count;
        EXPECT_EQ(list[1].kind, gs::PARTITION_KIND_EXTENDED);
        // Without logical tables the container is one unused logical record; with
        // empty ones its span is an ordinary gap.
        ExpectUnused(list[2], static_cast<unsigned long long>(50 * Cyl / MiB),
                     count == 4 ? gs::PARTITION_KIND_LOGICAL : gs::PARTITION_KIND_UNUSED);
        ExpectIndexes(list);
    }
}

TEST(MbrWalk, EveryUsedLogicalSlotIsARecord)
{
    LayoutBytes layout(0, 12);
    layout.Mbr(0, 1 * Cyl, 100 * Cyl, 0, 0x05);
    layout.Mbr(4, 1 * Cyl, 50 * Cyl, 0, 0x05); // a link where a logical drive would be
    layout.Mbr(8, 51 * Cyl, 50 * Cyl, 6, 0x07);
    FakeDisk disk;
    disk.size = 101 * Cyl;
    disk.volumes[6] = {L"NTFS", L"DATA"};
    auto list = Mbr(layout, disk);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1].kind, gs::PARTITION_KIND_LOGICAL);
    EXPECT_EQ(list[1].info.Mbr.PartitionType, 0x05);
    EXPECT_EQ(list[2].number, 6);
    EXPECT_EQ(list[2].type, L"NTFS");
    // Neither container is read as a volume.
    EXPECT_EQ(disk.volumeReads, (std::vector<int>{6}));
}

TEST(MbrWalk, EmptyTableIsOneUnusedRecordForTheDisk)
{
    LayoutBytes layout(0, 0);
    FakeDisk disk;
    disk.size = 1000 * Cyl;
    auto list = Mbr(layout, disk);
    ASSERT_EQ(list.size(), 1u);
    ExpectUnused(list[0], static_cast<unsigned long long>(1000 * Cyl / MiB));

    LayoutBytes zeroed(0, 4); // four slots, none used
    EXPECT_EQ(Mbr(zeroed, disk).size(), 1u);
}

TEST(MbrWalk, EqualOffsetsKeepTableOrder)
{
    LayoutBytes layout(0, 4);
    layout.Mbr(2, 1 * Cyl, 10 * Cyl, 3, 0x07);
    layout.Mbr(0, 20 * Cyl, 10 * Cyl, 1, 0x07);
    layout.Mbr(1, 1 * Cyl, 10 * Cyl, 2, 0x07);
    FakeDisk disk;
    disk.size = 30 * Cyl;
    auto list = Mbr(layout, disk);
    ASSERT_GE(list.size(), 3u);
    EXPECT_EQ(list[0].number, 2);
    EXPECT_EQ(list[1].number, 3);
    EXPECT_EQ(list[list.size() - 1].number, 1);
}

TEST(MbrWalk, GeometryWithAZeroFieldGivesAnEmptyList)
{
    LayoutBytes layout(0, 4);
    layout.Mbr(0, 1 * MiB, 100 * MiB, 1, 0x0C);
    FakeDisk disk;
    disk.size = 1000 * MiB;
    EXPECT_TRUE(gs::WalkMbrLayout(layout.data(), layout.size(), 0, 63, 512, disk.Services()).empty());
    EXPECT_TRUE(gs::WalkMbrLayout(layout.data(), layout.size(), 255, 0, 512, disk.Services()).empty());
    EXPECT_TRUE(gs::WalkMbrLayout(layout.data(), layout.size(), 255, 63, 0, disk.Services()).empty());
    EXPECT_TRUE(disk.volumeReads.empty());
}

// ---- damaged or crafted tables

TEST(HostileTable, EntriesOffTheDiskAreLeftOut)
{
    const long long diskBytes = 8000 * MiB;
    const long long bad[][2] = {{100 * Cyl, 0x7FFFFFFFFFF00000LL}, // the end overflows
                                {-Cyl, 10 * Cyl},
                                {10 * Cyl, -Cyl},
                                {900 * Cyl, 300 * Cyl}};
    for (const auto& b : bad) {
        FakeDisk disk;
        disk.size = diskBytes;
        LayoutBytes mbr(0, 4), gpt(1, 3);
        mbr.Mbr(0, b[0], b[1], 2, 0x0F);
        mbr.Mbr(1, 1 * Cyl, 100 * Cyl, 1, 0x07);
        gpt.Gpt(0, 1 * MiB, 10 * MiB, 1, kBasicData);
        gpt.Gpt(1, b[0], b[1], 2, kBasicData);
        gpt.Gpt(2, 100 * MiB, 10 * MiB, 3, kBasicData);
        auto list = Mbr(mbr, disk);
        ASSERT_EQ(list.size(), 2u) << b[0];
        ExpectUnused(list[1], static_cast<unsigned long long>((diskBytes - 101 * Cyl) / MiB));
        list = gs::WalkGptLayout(gpt.data(), gpt.size(), disk.Services());
        ASSERT_EQ(list.size(), 4u) << b[0];
        ExpectUnused(list[1], 89);
    }
}

TEST(HostileTable, FourContainersListTheLogicalChainOnceAndBounded)
{
    LayoutBytes layout(0, 4 + 4 * 2000);
    for (int k = 0; k < 4; ++k)
        layout.Mbr(k, (k ? 5001 + 1000LL * k : 1) * Cyl, (k ? 1000 : 5000) * Cyl, 0, 0x05);
    for (unsigned i = 0; i < 2000; ++i)
        layout.Mbr(4 + 4 * i, (1 + 2LL * i) * Cyl, Cyl, 5 + i, 0x07);
    FakeDisk disk;
    disk.size = 10000 * Cyl;
    auto list = Mbr(layout, disk);
    // 127 logical tables are read, once; the three other containers hold none.
    EXPECT_EQ(std::count_if(list.begin(), list.end(),
                            [](const _Partition& p) { return p.kind == gs::PARTITION_KIND_LOGICAL; }),
              130);
}
