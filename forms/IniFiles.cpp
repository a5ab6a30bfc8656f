#include "forms/IniFiles.h"

String TIniFile::ReadString(const String& section, const String& ident, const String& defaultValue) const
{
    // Grow the buffer until the value fits: the call reports size - 1 when it cut it.
    std::vector<wchar_t> buffer(2048);
    for (;;) {
        DWORD n =
            GetPrivateProfileStringW(section.c_str(), ident.c_str(), defaultValue.c_str(), buffer.data(),
                                     static_cast<DWORD>(buffer.size()), m_fileName.c_str());
        if (n + 1 < buffer.size() || buffer.size() >= (1u << 24))
            return String(buffer.data(), n);
        buffer.resize(buffer.size() * 4);
    }
}

int TIniFile::ReadInteger(const String& section, const String& ident, int defaultValue) const
{
    return StrToIntDef(ReadString(section, ident, String()), defaultValue);
}

void TIniFile::WriteString(const String& section, const String& ident, const String& value)
{
    if (!WritePrivateProfileStringW(section.c_str(), ident.c_str(), value.c_str(), m_fileName.c_str()))
        throw EOSError(L"Unable to write to " + m_fileName);
}
