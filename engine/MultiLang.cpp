#include "engine/MultiLang.h"

#include "engine/AppPaths.h"
#include "engine/EngineMessageBox.h"
#include "engine/TraceLog.h"

#include <cstdio>
#include <vector>

namespace {
constexpr int kCapacityStep = 1024;
constexpr int kCapacityLimit = 65536;
// The DLL is told no size (it promises 50 characters at most): room to spare, so a
// longer name can't write past the buffer.
constexpr int kLangNameChars = 1024;
} // namespace

VxMultiLangDll::VxMultiLangDll()
    : m_pVxTranslateStr(nullptr), m_pVxGetLangName(nullptr), m_hModule(nullptr), m_bindTried(false)
{
}

// The process-wide instance is never destroyed; a test's own binding frees its DLL.
VxMultiLangDll::~VxMultiLangDll()
{
    if (m_hModule)
        FreeLibrary(m_hModule);
}

std::wstring VxMultiLangDll::GetDllPath() { return GetProgramFolder() + L"VxMultiLang.dll"; }

void VxMultiLangDll::Bind()
{
    if (m_bindTried)
        return;
    m_bindTried = true;

    std::wstring path = GetDllPath();
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        TraceLog(L"Can not find " + path);
        return;
    }
    m_hModule = LoadLibraryW(path.c_str());
    if (!m_hModule) {
        wchar_t text[128];
        std::swprintf(text, 128, L"%hs failed: GetLastError return %u\n", "Load VxMultiLang.dll",
                      static_cast<unsigned>(GetLastError()));
        TraceLog(text);
        return;
    }
    auto translate = reinterpret_cast<VxTranslateStrFn>(
        reinterpret_cast<void*>(GetProcAddress(m_hModule, "VxTranslateStr")));
    auto langName = reinterpret_cast<VxGetLangNameFn>(
        reinterpret_cast<void*>(GetProcAddress(m_hModule, "VxGetLangName")));
    if (!translate || !langName) {
        TraceLog(L"[VxMultiLangDll] " + path + L" lacks VxTranslateStr or VxGetLangName");
        return;
    }
    m_pVxTranslateStr = translate;
    m_pVxGetLangName = langName;
}

std::wstring VxMultiLangDll::Translate(const wchar_t* key)
{
    if (!key)
        return std::wstring();
    if (!IsBound())
        return key;
    return TranslateWith(m_pVxTranslateStr, key);
}

std::wstring VxMultiLangDll::LangName()
{
    if (!IsBound())
        return std::wstring();
    std::vector<wchar_t> buffer(kLangNameChars, L'\0');
    std::wstring name;
    if (m_pVxGetLangName(buffer.data())) {
        buffer[kLangNameChars - 1] = L'\0';
        name = buffer.data();
    } else {
        EngineMessageBox(nullptr, L"VxGetLangName error", L"VxMultiLangDll", MB_ICONWARNING | MB_OK);
    }
    return name;
}

VxMultiLangDll& VxMultiLangDll::Instance()
{
    static VxMultiLangDll* instance = [] {
        auto* created = new VxMultiLangDll();
        created->Bind();
        return created;
    }();
    return *instance;
}

std::wstring TranslateWith(VxTranslateStrFn translate, const wchar_t* key)
{
    if (!key)
        return std::wstring();
    if (!translate)
        return key;
    int capacity = kCapacityStep;
    for (;;) {
        std::vector<wchar_t> buffer(capacity, L'\0');
        int count = translate(key, buffer.data(), capacity);
        if (count < 0)
            return key;
        // The terminator is ours, whatever the entry wrote.
        buffer[capacity - 1] = L'\0';
        if (static_cast<unsigned>(count) < static_cast<unsigned>(capacity - 1) || capacity >= kCapacityLimit)
            return std::wstring(buffer.data());
        capacity += kCapacityStep;
    }
}

std::wstring TranslateStr(const wchar_t* key) { return VxMultiLangDll::Instance().Translate(key); }

std::wstring GetLangName() { return VxMultiLangDll::Instance().LangName(); }

std::wstring FormatLangId(LANGID id)
{
    wchar_t text[8];
    std::swprintf(text, 8, L"%04x", static_cast<unsigned>(id));
    return text;
}

bool IsSpanishLangId(LANGID id)
{
    std::wstring text = FormatLangId(id);
    return ToLowerWString(text.substr(text.size() - 2)) == L"0a";
}

bool IsFrenchLangId(LANGID id)
{
    std::wstring text = FormatLangId(id);
    return ToLowerWString(text.substr(text.size() - 2)) == L"0c";
}

bool IsJapaneseLangId(LANGID id) { return FormatLangId(id) == L"0411"; }

std::wstring GetSystemLangId() { return FormatLangId(GetSystemDefaultLangID()); }
bool IsSpanishSystem() { return IsSpanishLangId(GetSystemDefaultLangID()); }
bool IsFrenchSystem() { return IsFrenchLangId(GetSystemDefaultLangID()); }
bool IsJapaneseSystem() { return IsJapaneseLangId(GetSystemDefaultLangID()); }
