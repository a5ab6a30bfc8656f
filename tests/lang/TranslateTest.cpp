#include "engine/MultiLang.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// A scripted translate entry: answers a fixed count, writes a text filling the buffer.
std::vector<int> g_capacities;
int g_count = 0;

int WINAPI ScriptedTranslate(const wchar_t*, wchar_t* buffer, int capacity)
{
    g_capacities.push_back(capacity);
    // Fill the buffer with the capacity's letter so the test sees which buffer was used.
    wchar_t mark = static_cast<wchar_t>(L'a' + capacity / 1024 - 1);
    int n = g_count < 0 ? 0 : g_count < capacity - 1 ? g_count : capacity - 1;
    for (int i = 0; i < n; ++i)
        buffer[i] = mark;
    buffer[n] = L'\0';
    return g_count;
}

int WINAPI NeverTerminates(const wchar_t*, wchar_t* buffer, int capacity)
{
    g_capacities.push_back(capacity);
    for (int i = 0; i < capacity; ++i)
        buffer[i] = L'x';
    return capacity;
}

std::wstring Scripted(int count)
{
    g_capacities.clear();
    g_count = count;
    return TranslateWith(ScriptedTranslate, L"Key");
}

} // namespace

TEST(TranslateWith, GrowsTheBufferWhileTheCountFillsIt)
{
    EXPECT_EQ(Scripted(1022), std::wstring(1022, L'a'));
    EXPECT_EQ(g_capacities, (std::vector<int>{1024}));

    EXPECT_EQ(Scripted(1023), std::wstring(1023, L'b'));
    EXPECT_EQ(g_capacities, (std::vector<int>{1024, 2048}));

    // The text comes from the 3072-character buffer.
    EXPECT_EQ(Scripted(3000), std::wstring(3000, L'c'));
    EXPECT_EQ(g_capacities, (std::vector<int>{1024, 2048, 3072}));

    EXPECT_EQ(Scripted(0), L"");
    EXPECT_EQ(g_capacities.size(), 1u);
}

TEST(TranslateWith, NegativeCountGivesTheKey)
{
    EXPECT_EQ(Scripted(-1), L"Key");
    EXPECT_EQ(g_capacities.size(), 1u);
    EXPECT_EQ(Scripted(-2147483647 - 1), L"Key");
}

TEST(TranslateWith, StopsGrowingAtSixtyFourKCharacters)
{
    g_capacities.clear();
    std::wstring text = TranslateWith(NeverTerminates, L"Key");
    ASSERT_FALSE(g_capacities.empty());
    EXPECT_EQ(g_capacities.back(), 65536);
    EXPECT_EQ(g_capacities.size(), 64u);
    // An unterminated buffer is cut at its last character.
    EXPECT_EQ(text, std::wstring(65535, L'x'));
}

namespace {

class BindingAt : public VxMultiLangDll {
public:
    explicit BindingAt(std::wstring path) : m_path(std::move(path)) {}
    std::wstring GetDllPath() override { return m_path; }

private:
    std::wstring m_path;
};

} // namespace

TEST(VxMultiLangDll, MissingDllGivesKeysAndNoName)
{
    TempDir dir;
    ScopedWorkingFolder work(dir.Path());
    MessageBoxRecorder boxes;
    BindingAt binding(dir.Path() + L"VxMultiLang.dll");
    binding.Bind();
    EXPECT_FALSE(binding.IsBound());
    EXPECT_EQ(binding.Translate(L"Format failure"), L"Format failure");
    EXPECT_EQ(binding.LangName(), L"");
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST(VxMultiLangDll, MissingExportCallsNeitherEntry)
{
    TempDir dir;
    ScopedWorkingFolder work(dir.Path());
    BindingAt binding(TestProgramFolder() + L"FakeLangNoName.dll");
    binding.Bind();
    EXPECT_FALSE(binding.IsBound());
    // The DLL's translate entry would have answered "<Next>".
    EXPECT_EQ(binding.Translate(L"Next"), L"Next");
    EXPECT_EQ(binding.LangName(), L"");
}

TEST(VxMultiLangDll, FailedLanguageNameShowsWarningEachTime)
{
    MessageBoxRecorder boxes;
    BindingAt binding(TestProgramFolder() + L"FakeLangFailing.dll");
    binding.Bind();
    ASSERT_TRUE(binding.IsBound());
    EXPECT_EQ(binding.Translate(L"Next"), L"<Next>");
    EXPECT_EQ(binding.LangName(), L"");
    EXPECT_EQ(binding.LangName(), L"");
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_EQ(shown[0].text, L"VxGetLangName error");
    EXPECT_EQ(shown[0].caption, L"VxMultiLangDll");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
}

TEST(VxMultiLangDll, OurDllAnswersKeysAndUnknownKeys)
{
    BindingAt binding(TestProgramFolder() + L"VxMultiLang.dll");
    binding.Bind();
    ASSERT_TRUE(binding.IsBound());
    // Unknown keys come back as themselves, in any language.
    EXPECT_EQ(binding.Translate(L"No such key 42"), L"No such key 42");
    EXPECT_FALSE(binding.Translate(L"Format failure").empty());
    EXPECT_NE(binding.Translate(L"Format failure"), L"Format failure");
    EXPECT_FALSE(binding.LangName().empty());
}

TEST(LanguageId, TestsFollowTheLowByteOrTheWholeId)
{
    EXPECT_EQ(FormatLangId(0x0411), L"0411");
    EXPECT_EQ(FormatLangId(0x0c0a), L"0c0a");
    EXPECT_EQ(FormatLangId(0x040C), L"040c");

    EXPECT_TRUE(IsSpanishLangId(0x080a));
    EXPECT_TRUE(IsSpanishLangId(0x0c0a));
    EXPECT_FALSE(IsSpanishLangId(0x0409));
    EXPECT_TRUE(IsFrenchLangId(0x0c0c));
    EXPECT_TRUE(IsFrenchLangId(0x040c));
    EXPECT_FALSE(IsFrenchLangId(0x080a));
    EXPECT_TRUE(IsJapaneseLangId(0x0411));
    EXPECT_FALSE(IsJapaneseLangId(0x0811));
    EXPECT_FALSE(IsJapaneseLangId(0x0409));
}

// Run by ctest once per locale (LC_ALL) with the language the DLL must choose.
TEST(SystemLanguage, FollowsTheLocale)
{
    const char* expected = std::getenv("BRINDLE_EXPECT_LANG");
    if (!expected)
        GTEST_SKIP() << "run per locale by ctest";
    std::wstring language = Widen(expected);
    ScopedProgramFolder program(TestProgramFolder());

    EXPECT_EQ(GetLangName(), language);
    EXPECT_EQ(IsJapaneseSystem(), language == L"japanese");
    EXPECT_EQ(IsSpanishSystem(), language == L"spanish");
    EXPECT_EQ(IsFrenchSystem(), language == L"french");

    const wchar_t* next = language == L"japanese"  ? L"\u6b21\u3078"
                          : language == L"spanish" ? L"Siguiente"
                          : language == L"french"  ? L"Suivant"
                                                   : L"Next";
    EXPECT_EQ(TranslateStr(L"Next"), next);
    EXPECT_EQ(TranslateStr(L"unknown key"), L"unknown key");
}
