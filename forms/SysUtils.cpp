#include "forms/SysUtils.h"

#include <climits>
#include <cwchar>

namespace {

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                            nullptr);
    return out;
}

bool IsBlank(wchar_t c) { return c <= L' '; }

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c; }
wchar_t AsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - 32) : c; }

// The library's integer reading: blanks, sign, "$"/"0x" for hexadecimal, digits, end.
bool ParseInteger(const String& text, long long minValue, long long maxValue, long long& result)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && (text[i] == L' ' || text[i] == L'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    unsigned base = 10;
    if (i < n && text[i] == L'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return false;
    // Magnitude limit: the negative bound may be one larger than the positive one.
    unsigned long long limit = negative ? static_cast<unsigned long long>(-(minValue + 1)) + 1
                                        : static_cast<unsigned long long>(maxValue);
    unsigned long long value = 0;
    for (; i < n; ++i) {
        wchar_t c = text[i];
        unsigned digit;
        if (c >= L'0' && c <= L'9')
            digit = c - L'0';
        else if (base == 16 && c >= L'a' && c <= L'f')
            digit = c - L'a' + 10;
        else if (base == 16 && c >= L'A' && c <= L'F')
            digit = c - L'A' + 10;
        else
            return false;
        if (value > (limit - digit) / base)
            return false;
        value = value * base + digit;
    }
    if (negative)
        result = value == 0 ? 0 : -static_cast<long long>(value - 1) - 1;
    else
        result = static_cast<long long>(value);
    return true;
}

[[noreturn]] void RaiseConvert(const String& text)
{
    throw EConvertError(L"'" + text + L"' is not a valid integer value");
}

} // namespace

String::String(const AnsiString& text)
{
    if (text.empty())
        return;
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0)
        return;
    resize(n);
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &(*this)[0], n);
}

AnsiString::AnsiString(const String& text)
{
    if (text.empty())
        return;
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    if (n <= 0)
        return;
    resize(n);
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &(*this)[0], n, nullptr,
                        nullptr);
}

int String::Pos(const String& sub) const
{
    if (sub.empty())
        return 0;
    size_t p = find(sub);
    return p == npos ? 0 : static_cast<int>(p) + 1;
}

String String::SubString(int index, int count) const
{
    if (index < 1) {
        count += index - 1;
        index = 1;
    }
    if (count <= 0 || index > Length())
        return String();
    return String(substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

String String::Trim() const { return ::Trim(*this); }
String String::TrimLeft() const { return ::TrimLeft(*this); }
String String::TrimRight() const { return ::TrimRight(*this); }
String String::UpperCase() const { return ::UpperCase(*this); }
String String::LowerCase() const { return ::LowerCase(*this); }
int String::ToInt() const { return StrToInt(*this); }
int String::ToIntDef(int defaultValue) const { return StrToIntDef(*this, defaultValue); }

Exception::Exception(const String& message) : m_message(message), m_what(ToUtf8(message)) {}

void Exception::SetMessage(const String& message)
{
    m_message = message;
    m_what = ToUtf8(message);
}

void AssertFailed(const char* expression, const char* file, int line)
{
    String text = L"Assertion failed: " + String(AnsiString(expression)) + L" (" + String(AnsiString(file)) +
                  L", line " + IntToStr(line) + L")";
    throw EAssertionFailed(text);
}

String SysErrorMessage(DWORD code)
{
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    String text;
    if (n && buffer)
        text = String(buffer, n);
    if (buffer)
        LocalFree(buffer);
    return TrimRight(text);
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void RaiseLastOSError(DWORD code)
{
    if (code == 0)
        throw EOSError(L"A call to an OS function failed");
    throw EOSError(L"System Error.  Code: " + IntToStr(static_cast<long long>(code)) + L".\r\n" +
                   SysErrorMessage(code));
}

String SignedToStr(long long value)
{
    wchar_t buffer[32];
    swprintf(buffer, 32, L"%lld", value);
    return String(buffer);
}

String UnsignedToStr(unsigned long long value)
{
    wchar_t buffer[32];
    swprintf(buffer, 32, L"%llu", value);
    return String(buffer);
}

String IntToHex(long long value, int digits)
{
    wchar_t buffer[40];
    if (digits < 0)
        digits = 0;
    if (digits > 16)
        digits = 16;
    swprintf(buffer, 40, L"%0*llX", digits, static_cast<unsigned long long>(value));
    return String(buffer);
}

int StrToInt(const String& text)
{
    long long v;
    if (!ParseInteger(text, INT_MIN, INT_MAX, v))
        RaiseConvert(text);
    return static_cast<int>(v);
}

int StrToIntDef(const String& text, int defaultValue)
{
    long long v;
    return ParseInteger(text, INT_MIN, INT_MAX, v) ? static_cast<int>(v) : defaultValue;
}

bool TryStrToInt(const String& text, int& value)
{
    long long v;
    if (!ParseInteger(text, INT_MIN, INT_MAX, v))
        return false;
    value = static_cast<int>(v);
    return true;
}

long long StrToInt64(const String& text)
{
    long long v;
    if (!ParseInteger(text, LLONG_MIN, LLONG_MAX, v))
        RaiseConvert(text);
    return v;
}

String TrimLeft(const String& text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return String(text.substr(i));
}

String TrimRight(const String& text)
{
    size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1]))
        --n;
    return String(text.substr(0, n));
}

String Trim(const String& text) { return TrimLeft(TrimRight(text)); }

String UpperCase(const String& text)
{
    String out(text);
    for (auto& c : out)
        c = AsciiUpper(c);
    return out;
}

String LowerCase(const String& text)
{
    String out(text);
    for (auto& c : out)
        c = AsciiLower(c);
    return out;
}

bool SameText(const String& a, const String& b) { return LowerCase(a) == LowerCase(b); }

String ExtractFilePath(const String& fileName)
{
    size_t p = fileName.find_last_of(L"\\:");
    return p == String::npos ? String() : String(fileName.substr(0, p + 1));
}

String ModuleFileName(HMODULE module)
{
    // The name may pass MAX_PATH (a long-path prefix): grow until it fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(module, &buffer[0], static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return String();
        if (n < buffer.size())
            return String(buffer.substr(0, n));
        if (buffer.size() >= 0x8000)
            return String();
        buffer.resize(buffer.size() * 2);
    }
}

String ProgramFolder() { return ExtractFilePath(ModuleFileName()); }

String ExtractFileName(const String& fileName)
{
    size_t p = fileName.find_last_of(L"\\:");
    return p == String::npos ? fileName : String(fileName.substr(p + 1));
}

String ExtractFileExt(const String& fileName)
{
    size_t p = fileName.find_last_of(L".\\:");
    if (p == String::npos || fileName[p] != L'.')
        return String();
    return String(fileName.substr(p));
}

String IncludeTrailingPathDelimiter(const String& path)
{
    if (!path.empty() && path.back() == L'\\')
        return path;
    return path + L"\\";
}

bool FileExists(const String& fileName)
{
    if (fileName.empty())
        return false;
    DWORD a = GetFileAttributesW(fileName.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const String& path)
{
    if (path.empty())
        return false;
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

String FormatArgs(const String& format, const std::vector<FormatArg>& args)
{
    auto fail = [&format]() -> void {
        throw EConvertError(L"Format '" + format + L"' invalid or incompatible with argument");
    };
    String out;
    size_t next = 0;
    const size_t n = format.size();
    for (size_t i = 0; i < n; ++i) {
        wchar_t c = format[i];
        if (c != L'%') {
            out += c;
            continue;
        }
        if (++i >= n)
            fail();
        if (format[i] == L'%') {
            out += L'%';
            continue;
        }
        std::wstring flags;
        while (i < n && wcschr(L"-0+ #", format[i]))
            flags += format[i++];
        int width = -1, precision = -1;
        if (i < n && format[i] == L'*') {
            if (next >= args.size() || args[next].kind == FormatArg::Text)
                fail();
            width = static_cast<int>(args[next++].i);
            ++i;
        } else {
            while (i < n && iswdigit(format[i]))
                width = (width < 0 ? 0 : width * 10) + (format[i++] - L'0');
        }
        if (i < n && format[i] == L'.') {
            ++i;
            precision = 0;
            while (i < n && iswdigit(format[i]))
                precision = precision * 10 + (format[i++] - L'0');
        }
        // Length modifiers are accepted and ignored: arguments carry their own size.
        while (i < n && wcschr(L"hlLqjzt", format[i]))
            ++i;
        if (i >= n)
            fail();
        wchar_t conv = format[i];
        if (next >= args.size())
            fail();
        const FormatArg& arg = args[next++];
        std::wstring pattern = L"%" + flags;
        if (width >= 0)
            pattern += std::to_wstring(width);
        if (precision >= 0)
            pattern += L"." + std::to_wstring(precision);
        wchar_t buffer[128];
        std::wstring piece;
        switch (conv) {
        case L'd':
        case L'i':
            if (arg.kind == FormatArg::Text)
                fail();
            swprintf(buffer, 128, (pattern + L"lld").c_str(), arg.i);
            piece = buffer;
            break;
        case L'u':
        case L'x':
        case L'X':
            if (arg.kind == FormatArg::Text)
                fail();
            swprintf(buffer, 128, (pattern + L"ll" + conv).c_str(), arg.u);
            piece = buffer;
            break;
        case L'c': {
            if (arg.kind == FormatArg::Text)
                fail();
            std::wstring ch(1, static_cast<wchar_t>(arg.u));
            piece = ch;
            if (width > 0 && static_cast<int>(piece.size()) < width) {
                std::wstring pad(width - piece.size(), L' ');
                piece = flags.find(L'-') != std::wstring::npos ? piece + pad : pad + piece;
            }
            break;
        }
        case L's': {
            if (arg.kind != FormatArg::Text)
                fail();
            piece = arg.text;
            if (precision >= 0 && static_cast<int>(piece.size()) > precision)
                piece.resize(precision);
            if (width > 0 && static_cast<int>(piece.size()) < width) {
                std::wstring pad(width - piece.size(), L' ');
                piece = flags.find(L'-') != std::wstring::npos ? piece + pad : pad + piece;
            }
            break;
        }
        default:
            fail();
        }
        out += piece;
    }
    return out;
}

void WriteFileBytes(const String& fileName, const void* data, size_t size)
{
    HANDLE file = CreateFileW(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        throw EFCreateError(L"Cannot create file \"" + fileName + L"\". " + SysErrorMessage(code));
    }
    DWORD done = 0;
    BOOL ok = size == 0 || WriteFile(file, data, static_cast<DWORD>(size), &done, nullptr);
    DWORD code = GetLastError();
    CloseHandle(file);
    if (!ok || done != size)
        throw EWriteError(L"Cannot write file \"" + fileName + L"\". " + SysErrorMessage(code));
}
