#pragma once
// Strings, exceptions and the small text and file helpers of the forms library.
//
// String is the UI text type: UTF-16, a std::wstring with the library's own helpers
// (1-based Pos/SubString like the rest of the library, Length, IsEmpty, Trim, ToInt).
// AnsiString holds text in the system's ANSI code page; the two convert only
// explicitly, through that code page.
#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>
#include <type_traits>
#include <vector>

class AnsiString;

class String : public std::wstring {
public:
    String() = default;
    String(const wchar_t* text) : std::wstring(text ? text : L"") {}
    String(const wchar_t* text, size_t count) : std::wstring(text, count) {}
    String(size_t count, wchar_t ch) : std::wstring(count, ch) {}
    String(const std::wstring& text) : std::wstring(text) {}
    String(std::wstring&& text) : std::wstring(std::move(text)) {}
    // From the ANSI code page.
    explicit String(const AnsiString& text);

    int Length() const { return static_cast<int>(size()); }
    bool IsEmpty() const { return empty(); }
    const wchar_t* w_str() const { return c_str(); }
    // Position of the first occurrence of sub, 1-based; 0 when absent.
    int Pos(const String& sub) const;
    // count characters from the 1-based index (clipped to the text).
    String SubString(int index, int count) const;
    String Trim() const;
    String TrimLeft() const;
    String TrimRight() const;
    String UpperCase() const;
    String LowerCase() const;
    // StrToInt / StrToIntDef of this text.
    int ToInt() const;
    int ToIntDef(int defaultValue) const;
};

// Concatenations that keep the String type (std::wstring's own would give a std::wstring):
// any String joined with a String, std::wstring, wide text or wide character.
namespace forms_detail {
template <class T>
struct IsTextPiece
    : std::integral_constant<bool, std::is_same<T, String>::value || std::is_same<T, std::wstring>::value ||
                                       std::is_same<T, const wchar_t*>::value ||
                                       std::is_same<T, wchar_t*>::value || std::is_same<T, wchar_t>::value> {
};
inline void Append(String& r, const std::wstring& s) { r.append(s); }
inline void Append(String& r, const wchar_t* s)
{
    if (s)
        r.append(s);
}
inline void Append(String& r, wchar_t c) { r.push_back(c); }
} // namespace forms_detail

template <
    class A, class B, class DA = typename std::decay<A>::type, class DB = typename std::decay<B>::type,
    typename std::enable_if<(std::is_same<DA, String>::value || std::is_same<DB, String>::value) &&
                                forms_detail::IsTextPiece<DA>::value && forms_detail::IsTextPiece<DB>::value,
                            int>::type = 0>
String operator+(A&& a, B&& b)
{
    String r;
    if constexpr (std::is_same<DA, String>::value)
        r = std::forward<A>(a);
    else
        forms_detail::Append(r, a);
    forms_detail::Append(r, b);
    return r;
}

class AnsiString : public std::string {
public:
    AnsiString() = default;
    AnsiString(const char* text) : std::string(text ? text : "") {}
    AnsiString(const char* text, size_t count) : std::string(text, count) {}
    AnsiString(const std::string& text) : std::string(text) {}
    AnsiString(std::string&& text) : std::string(std::move(text)) {}
    // To the ANSI code page (characters it lacks become its default character).
    explicit AnsiString(const String& text);

    int Length() const { return static_cast<int>(size()); }
    bool IsEmpty() const { return empty(); }
};

// Base of every exception the library raises; Message() is the user-facing text.
class Exception : public std::exception {
public:
    explicit Exception(const String& message);
    const String& Message() const { return m_message; }
    void SetMessage(const String& message);
    const char* what() const noexcept override { return m_what.c_str(); } // UTF-8

private:
    String m_message;
    std::string m_what;
};

#define FORMS_DECLARE_EXCEPTION(Name, Base)                                                                  \
    class Name : public Base {                                                                               \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
    }

FORMS_DECLARE_EXCEPTION(EConvertError, Exception);
FORMS_DECLARE_EXCEPTION(EAssertionFailed, Exception);
FORMS_DECLARE_EXCEPTION(EOSError, Exception);
FORMS_DECLARE_EXCEPTION(EOutOfResources, Exception);
FORMS_DECLARE_EXCEPTION(EInvalidOperation, Exception);
FORMS_DECLARE_EXCEPTION(EListError, Exception);
FORMS_DECLARE_EXCEPTION(EStringListError, EListError);
FORMS_DECLARE_EXCEPTION(EStreamError, Exception);
FORMS_DECLARE_EXCEPTION(EFOpenError, EStreamError);
FORMS_DECLARE_EXCEPTION(EFCreateError, EStreamError);
FORMS_DECLARE_EXCEPTION(EReadError, EStreamError);
FORMS_DECLARE_EXCEPTION(EWriteError, EStreamError);
FORMS_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
FORMS_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

// Raises EAssertionFailed naming the expression, file and line, e.g.
// "Assertion failed: src->PixelFormat() == pf32bit (src/gui/graphics/image.cpp, line 30)".
[[noreturn]] void AssertFailed(const char* expression, const char* file, int line);
#define FORMS_ASSERT(expr) ((expr) ? (void)0 : AssertFailed(#expr, __FILE__, __LINE__))
// The same with the expression text given by the caller.
#define FORMS_ASSERT_TEXT(expr, text) ((expr) ? (void)0 : AssertFailed(text, __FILE__, __LINE__))

// Raises EOSError for GetLastError() (or the given code).
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(DWORD code);
String SysErrorMessage(DWORD code);
// Writes a whole file, replacing it; raises EFCreateError or EWriteError naming the file.
void WriteFileBytes(const String& fileName, const void* data, size_t size);

String SignedToStr(long long value);
String UnsignedToStr(unsigned long long value);
// Decimal text of any integer type.
template <class T, typename std::enable_if<std::is_integral<T>::value, int>::type = 0>
String IntToStr(T value)
{
    return std::is_signed<T>::value ? SignedToStr(static_cast<long long>(value))
                                    : UnsignedToStr(static_cast<unsigned long long>(value));
}
String IntToHex(long long value, int digits);
// Decimal, or hexadecimal with a "$", "0x" or "0X" prefix; leading blanks and a sign are
// allowed, nothing may follow the digits. Invalid text or overflow: EConvertError
// "'<text>' is not a valid integer value".
int StrToInt(const String& text);
int StrToIntDef(const String& text, int defaultValue);
long long StrToInt64(const String& text);
bool TryStrToInt(const String& text, int& value);

// Drop characters up to and including the blank (blanks and control characters).
String Trim(const String& text);
String TrimLeft(const String& text);
String TrimRight(const String& text);
String UpperCase(const String& text); // ASCII letters only
String LowerCase(const String& text);
bool SameText(const String& a, const String& b); // ASCII letters compared without case

// Everything up to and including the last "\" or ":"; empty when there is none.
String ExtractFilePath(const String& fileName);
String ExtractFileName(const String& fileName);
// The extension with its dot (".png"), empty when there is none.
String ExtractFileExt(const String& fileName);
String IncludeTrailingPathDelimiter(const String& path);
// The full file name of a module (null: the program), however long.
String ModuleFileName(HMODULE module = nullptr);
// The program's own folder with a trailing backslash, from the program's file name.
String ProgramFolder();
// An existing file (not a folder).
bool FileExists(const String& fileName);
bool DirectoryExists(const String& path);

// printf-style formatting, type-checked at run time: %d %i %u %x %X %c %s %%, with the
// flags "-", "0", "+", " ", a width and a precision (for %s: the most characters).
// Integer conversions take integers, %c a character or integer, %s any text.
// A mismatch or a missing argument raises EConvertError.
struct FormatArg {
    enum Kind { Int, UInt, Char, Text };
    explicit FormatArg(Kind k) : kind(k) {}
    Kind kind;
    long long i = 0;
    unsigned long long u = 0;
    std::wstring text;
};

namespace forms_detail {
inline FormatArg MakeFormatArg(const wchar_t* s)
{
    FormatArg a(FormatArg::Text);
    a.text = s ? s : L"(null)";
    return a;
}
inline FormatArg MakeFormatArg(wchar_t* s) { return MakeFormatArg(static_cast<const wchar_t*>(s)); }
inline FormatArg MakeFormatArg(const std::wstring& s)
{
    FormatArg a(FormatArg::Text);
    a.text = s;
    return a;
}
inline FormatArg MakeFormatArg(const AnsiString& s)
{
    FormatArg a(FormatArg::Text);
    a.text = String(s);
    return a;
}
inline FormatArg MakeFormatArg(wchar_t c)
{
    FormatArg a(FormatArg::Char);
    a.i = c;
    a.u = c;
    return a;
}
inline FormatArg MakeFormatArg(char c)
{
    FormatArg a(FormatArg::Char);
    a.i = static_cast<unsigned char>(c);
    a.u = a.i;
    return a;
}
template <typename T,
          typename std::enable_if<std::is_integral<T>::value && std::is_signed<T>::value, int>::type = 0>
FormatArg MakeFormatArg(T v)
{
    FormatArg a(FormatArg::Int);
    a.i = v;
    a.u = static_cast<unsigned long long>(v);
    return a;
}
template <typename T,
          typename std::enable_if<std::is_integral<T>::value && !std::is_signed<T>::value, int>::type = 0>
FormatArg MakeFormatArg(T v)
{
    FormatArg a(FormatArg::UInt);
    a.u = v;
    a.i = static_cast<long long>(v);
    return a;
}
} // namespace forms_detail

String FormatArgs(const String& format, const std::vector<FormatArg>& args);

template <typename... Args>
String Format(const String& format, const Args&... args)
{
    std::vector<FormatArg> list{forms_detail::MakeFormatArg(args)...};
    return FormatArgs(format, list);
}
