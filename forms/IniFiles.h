#pragma once
// Ini files through the system's private-profile calls: section and key names match
// regardless of case; a missing file, section or key gives the default.
#include "forms/Classes.h"

class TIniFile : public TObject {
public:
    explicit TIniFile(const String& fileName) : m_fileName(fileName) {}

    const String& FileName() const { return m_fileName; }
    String ReadString(const String& section, const String& ident, const String& defaultValue) const;
    // The value read as an integer (decimal or "0x" hexadecimal); the default when it is
    // missing or not a number.
    int ReadInteger(const String& section, const String& ident, int defaultValue) const;
    // EOSError when the file cannot be written.
    void WriteString(const String& section, const String& ident, const String& value);

private:
    String m_fileName;
};
