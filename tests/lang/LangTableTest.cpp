#include "langdll/LangTable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

// Every key the program looks up.
const wchar_t* const kKeys[] = {L"Tool Description",
                                L"Please select",
                                L"ODDToUSB",
                                L"ODDToISO",
                                L"Note",
                                L"USB Note",
                                L"Next",
                                L"Back",
                                L"I agree",
                                L"Browse",
                                L"Exit",
                                L"Cancel",
                                L"Step1",
                                L"Step2",
                                L"Step3",
                                L"USB Step1 Note",
                                L"USB Step1 Caption",
                                L"Please wait",
                                L"USB Step2 Caption",
                                L"USB Step2 Select Note",
                                L"USB Step2 Insert Note",
                                L"Add NVMe",
                                L"NVMe Instruction",
                                L"Status",
                                L"USB Step3 Caption",
                                L"ISO Step3 Caption",
                                L"USB Step3 Note",
                                L"ISO Step2 Note",
                                L"ISO Step2 Caption",
                                L"Compatibility Mode",
                                L"Compatibility Instruction",
                                L"Capacity",
                                L"Space warning1",
                                L"Warning",
                                L"Error",
                                L"Format warning1",
                                L"Format warning2",
                                L"Format failure",
                                L"Format confirm",
                                L"Still failed",
                                L"SuccessMsg",
                                L"CancelMsg",
                                L"Finish",
                                L"Disk too small",
                                L"Not NTFS",
                                L"Format",
                                L"Format success",
                                L"Copy OS",
                                L"Copy success",
                                L"Copy",
                                L"Mount",
                                L"Mount success",
                                L"Adding driver",
                                L"Commit",
                                L"Commit success",
                                L"UnMount",
                                L"Generating ISO",
                                L"CancelStatus",
                                L"Successfully updated",
                                L"Operation failed",
                                L"Path too long"};

} // namespace

TEST(LangTable, EveryKeyHasATextInEveryLanguage)
{
    for (const wchar_t* key : kKeys) {
        for (int l = 0; l < vxlang::LanguageCount; ++l) {
            const wchar_t* text = vxlang::FindText(key, static_cast<vxlang::Language>(l));
            ASSERT_NE(text, nullptr) << Narrow(key);
            EXPECT_GT(std::wcslen(text), 0u) << Narrow(key) << " in " << l;
        }
    }
    size_t count = 0;
    const vxlang::Entry* entries = vxlang::Entries(count);
    std::set<std::wstring> seen;
    for (size_t i = 0; i < count; ++i)
        EXPECT_TRUE(seen.insert(entries[i].key).second) << "duplicate " << Narrow(entries[i].key);
    EXPECT_EQ(count, sizeof(kKeys) / sizeof(kKeys[0]));
}

namespace {

using TranslateFn = int(WINAPI*)(const wchar_t*, wchar_t*, int);
using LangNameFn = BOOLEAN(WINAPI*)(wchar_t*);

struct Dll {
    HMODULE module = LoadLibraryW((TestProgramFolder() + L"VxMultiLang.dll").c_str());
    ~Dll()
    {
        if (module)
            FreeLibrary(module);
    }
    TranslateFn Translate() const
    {
        return reinterpret_cast<TranslateFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "VxTranslateStr")));
    }
    LangNameFn LangName() const
    {
        return reinterpret_cast<LangNameFn>(reinterpret_cast<void*>(GetProcAddress(module, "VxGetLangName")));
    }
};

} // namespace

TEST(VxMultiLangEntries, FollowTheBindingsContract)
{
    Dll dll;
    ASSERT_NE(dll.module, nullptr);
    TranslateFn translate = dll.Translate();
    LangNameFn langName = dll.LangName();
    ASSERT_NE(translate, nullptr);
    ASSERT_NE(langName, nullptr);

    wchar_t buffer[50];
    std::wmemset(buffer, L'#', 50);
    // An unknown key is its own text, and the count is its full length.
    EXPECT_EQ(translate(L"Unknown key", buffer, 5), 11);
    EXPECT_STREQ(buffer, L"Unkn");
    EXPECT_EQ(buffer[5], L'#');
    EXPECT_EQ(translate(L"Unknown key", buffer, 50), 11);
    EXPECT_STREQ(buffer, L"Unknown key");
    EXPECT_EQ(translate(L"", buffer, 50), 0);
    EXPECT_STREQ(buffer, L"");

    std::wmemset(buffer, L'#', 50);
    ASSERT_TRUE(langName(buffer));
    std::wstring name(buffer);
    EXPECT_LE(name.size(), 49u);
    EXPECT_TRUE(name == L"english" || name == L"japanese" || name == L"spanish" || name == L"french");
}

TEST(VxMultiLangEntries, TwoThreadsAtOnce)
{
    Dll dll;
    TranslateFn translate = dll.Translate();
    ASSERT_NE(translate, nullptr);
    wchar_t expectedBuffer[1024];
    translate(L"Format confirm", expectedBuffer, 1024);
    std::wstring expected(expectedBuffer);

    auto work = [&](bool& ok) {
        ok = true;
        wchar_t buffer[1024];
        for (int i = 0; i < 2000 && ok; ++i) {
            int n = translate(L"Format confirm", buffer, 1024);
            ok = n == static_cast<int>(expected.size()) && expected == buffer;
        }
    };
    bool ok1 = false, ok2 = false;
    std::thread a(work, std::ref(ok1));
    std::thread b(work, std::ref(ok2));
    a.join();
    b.join();
    EXPECT_TRUE(ok1);
    EXPECT_TRUE(ok2);
}
