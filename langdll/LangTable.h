#pragma once
// The translation table of VxMultiLang.dll and the rules the DLL's entries follow.
// Kept apart from the entries so tests can check it directly.
#include <windows.h>

#include <cstddef>

namespace vxlang {

enum Language { English = 0, Japanese, Spanish, French, LanguageCount };

struct Entry {
    const wchar_t* key;
    const wchar_t* text[LanguageCount]; // in the order of Language
};

// Every entry of the table, in table order.
const Entry* Entries(size_t& count);

// The language whose texts a UI language id selects; English for any language not held.
Language LanguageFromId(LANGID id);

// Lower-case ASCII name: "english", "japanese", "spanish", "french".
const wchar_t* LanguageName(Language language);

// The text of a key in a language; null for a key the table doesn't hold.
const wchar_t* FindText(const wchar_t* key, Language language);

// Copies a text into a caller's buffer of `capacity` characters: at most capacity - 1
// characters and a terminator. Returns the text's full length, whatever was copied,
// so the caller can tell that its buffer was too small.
int CopyText(const wchar_t* text, wchar_t* buffer, int capacity);

} // namespace vxlang
