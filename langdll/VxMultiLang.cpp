// The translation DLL's two entries, exported by name through the .def files only.
// Both may be called from several threads at once: they read only the constant table
// and the system's UI language.
#include <windows.h>

#include "langdll/LangTable.h"

namespace {

vxlang::Language CurrentLanguage() { return vxlang::LanguageFromId(GetUserDefaultUILanguage()); }

} // namespace

// The text of `key` in the user's UI language, or the key itself when the table has
// no text for it. Returns the text's full length (see vxlang::CopyText).
extern "C" int WINAPI VxTranslateStr(const wchar_t* key, wchar_t* buffer, int capacity)
{
    const wchar_t* text = vxlang::FindText(key, CurrentLanguage());
    return vxlang::CopyText(text ? text : key, buffer, capacity);
}

// The language's lower-case name into a buffer of at least 50 characters.
extern "C" BOOLEAN WINAPI VxGetLangName(wchar_t* buffer)
{
    if (!buffer)
        return FALSE;
    vxlang::CopyText(vxlang::LanguageName(CurrentLanguage()), buffer, 50);
    return TRUE;
}
