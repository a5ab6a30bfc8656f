// Test translation DLLs: one whose language-name call fails, one without that entry.
#include <windows.h>

#include <cwchar>

extern "C" int WINAPI VxTranslateStr(const wchar_t* key, wchar_t* buffer, int capacity)
{
    int n = std::swprintf(buffer, capacity, L"<%ls>", key);
    return n < 0 ? 0 : n;
}

#ifndef FAKE_LANG_NO_NAME
extern "C" BOOLEAN WINAPI VxGetLangName(wchar_t* buffer)
{
    buffer[0] = L'\0';
    return FALSE;
}
#endif
