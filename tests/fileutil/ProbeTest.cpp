#include "engine/FileUtil.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class ProbeTest : public ::testing::Test {
protected:
    void SetUp() override { MakeDirs(dir / L"sources"); }
    std::wstring Idwbinfo() const { return dir / L"sources\\idwbinfo.txt"; }

    TempDir dir;
};

TEST_F(ProbeTest, BuildArchAmd64InAnyCaseMeans64Bit)
{
    WriteBytes(Idwbinfo(), "[BUILDINFO]\r\nBuildBranch=win7_rtm\r\nBuildArch=amd64\r\n");
    EXPECT_TRUE(Is64bitMedia(Idwbinfo()));
    WriteBytes(Idwbinfo(), "[buildinfo]\r\nbuildarch=AMD64\r\n");
    EXPECT_TRUE(Is64bitMedia(Idwbinfo()));
}

TEST_F(ProbeTest, OtherArchitecturesEmptyValuesAndMissingFilesMean32Bit)
{
    WriteBytes(Idwbinfo(), "[BUILDINFO]\r\nBuildArch=x86\r\n");
    EXPECT_FALSE(Is64bitMedia(Idwbinfo()));
    WriteBytes(Idwbinfo(), "[BUILDINFO]\r\nBuildArch=\r\n");
    EXPECT_FALSE(Is64bitMedia(Idwbinfo()));
    WriteBytes(Idwbinfo(), "[OTHER]\r\nBuildArch=AMD64\r\n");
    EXPECT_FALSE(Is64bitMedia(Idwbinfo()));
    EXPECT_FALSE(Is64bitMedia(dir / L"sources\\missing.txt"));
}

TEST_F(ProbeTest, EmbeddedTypeInAnySectionSpellingIsAnEmbeddedEdition)
{
    WriteBytes(dir / L"sources\\product.ini", "[SKU]\r\nType=Embedded\r\n");
    EXPECT_TRUE(IsEmbeddedSku(dir.Path()));
    WriteBytes(dir / L"sources\\product.ini", "[sku]\r\nType=Retail\r\n");
    EXPECT_FALSE(IsEmbeddedSku(dir.Path()));
    DeleteFileW((dir / L"sources\\product.ini").c_str());
    EXPECT_FALSE(IsEmbeddedSku(dir.Path()));
}

TEST(TextTest, SameTextFoldsOnlyAsciiLetters)
{
    EXPECT_TRUE(IsSameTextNoCase(L"c:\\", L"C:\\"));
    EXPECT_FALSE(IsSameTextNoCase(L"C:\\", L"D:\\"));
    EXPECT_FALSE(IsSameTextNoCase(L"\u00e4", L"\u00c4"));
    EXPECT_FALSE(IsSameTextNoCase(L"C:", L"C:\\"));
}

} // namespace
