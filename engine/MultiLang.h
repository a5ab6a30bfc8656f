#pragma once
// The binding to the translation DLL "VxMultiLang.dll" beside the program, and the
// system-language tests that choose fonts and layouts.
#include <windows.h>

#include <string>

// The DLL's entries (stdcall on i686).
using VxTranslateStrFn = int(WINAPI*)(const wchar_t* key, wchar_t* buffer, int capacity);
using VxGetLangNameFn = BOOLEAN(WINAPI*)(wchar_t* buffer);

// Loaded once per process and kept until the process ends.
class VxMultiLangDll {
public:
    VxMultiLangDll();
    virtual ~VxMultiLangDll();
    VxMultiLangDll(const VxMultiLangDll&) = delete;
    VxMultiLangDll& operator=(const VxMultiLangDll&) = delete;

    // The DLL's full path: the program's folder + "VxMultiLang.dll".
    virtual std::wstring GetDllPath();

    // Loads the DLL and looks up both entries. Not done by the constructor, so a derived
    // GetDllPath takes effect. Only the first call does anything.
    void Bind();
    // Both entries were found; neither is called otherwise.
    bool IsBound() const { return m_pVxTranslateStr && m_pVxGetLangName; }

    // The key itself when the DLL is missing or lacks an entry.
    std::wstring Translate(const wchar_t* key);
    // Empty when the DLL is missing or the call fails (the failure is shown in a box).
    std::wstring LangName();

    // The process-wide binding, created and bound on first use, never destroyed.
    static VxMultiLangDll& Instance();

private:
    VxTranslateStrFn m_pVxTranslateStr;
    VxGetLangNameFn m_pVxGetLangName;
    HMODULE m_hModule;
    bool m_bindTried;
};

// The lookup loop on one translate entry: the buffer grows by 1024 characters while the
// entry reports it full. A negative count gives the key; growth stops at 65536 characters
// (the text is then taken as far as it was written).
std::wstring TranslateWith(VxTranslateStrFn translate, const wchar_t* key);

std::wstring TranslateStr(const wchar_t* key);
inline std::wstring TranslateStr(const std::wstring& key) { return TranslateStr(key.c_str()); }
std::wstring GetLangName();

// The system's default language id as four lower-case hex digits ("0411", "0c0a").
std::wstring GetSystemLangId();
bool IsSpanishSystem();
bool IsFrenchSystem();
bool IsJapaneseSystem();

// The same tests for a given language id.
std::wstring FormatLangId(LANGID id);
bool IsSpanishLangId(LANGID id);
bool IsFrenchLangId(LANGID id);
bool IsJapaneseLangId(LANGID id);
