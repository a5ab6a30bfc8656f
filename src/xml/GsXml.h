#pragma once
// A small wrapper around a TinyXML document for the wizard's configuration file, and the
// element lookups the reader is built from. Narrow texts are bytes of the ANSI code page.
#include <string>

class TiXmlDocument;

namespace gs {

// An element of an open document; null when there is none.
typedef void* XmlElementHandle;

class GsConfigFile {
public:
    GsConfigFile() = default;
    ~GsConfigFile();
    GsConfigFile(const GsConfigFile&) = delete;
    GsConfigFile& operator=(const GsConfigFile&) = delete;

    // Loads the file. It counts as readable only when its first node is an XML
    // declaration and the node right after it an element, which becomes the root.
    // With create set, a file that cannot be loaded is written afresh as a declaration
    // and an empty "root" element. Opening an open file is a caller error.
    bool Open(const std::string& path, bool create);
    // The file is opened by its wide name, so any folder name works, whatever the
    // ANSI code page can hold.
    bool Open(const std::wstring& path, bool create);
    bool IsOpen() const { return m_doc != nullptr; }
    void Close();
    XmlElementHandle GetRoot() const { return m_root; }

private:
    TiXmlDocument* m_doc = nullptr;
    XmlElementHandle m_root = nullptr;
};

// The first child of parent named name (written in lower case in the file). With a
// non-empty key, the first such child whose "key" attribute equals key, ASCII letters
// compared without case. Null parent or no match: null.
XmlElementHandle FindChildElement(XmlElementHandle parent, const std::string& name,
                                  const std::string& key = std::string());
// The element's text read as an integer literal of any base (0x.., 0.., decimal);
// false, with value untouched, when its first child is not text.
bool GetElementInt(XmlElementHandle element, int& value);
// The element's text; false and an empty text when it has none.
bool GetElementTextA(XmlElementHandle element, std::string& text);
// The same converted from the ANSI code page.
bool GetElementText(XmlElementHandle element, std::wstring& text);

// ASCII letters only; every other byte is kept.
std::string StrToLower(const std::string& text);
bool StrEqualNoCase(const std::string& a, const std::string& b);
std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);

} // namespace gs
