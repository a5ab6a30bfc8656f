#include "src/xml/GsXml.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "src/disk/GsAssert.h"
#include "tinyxml.h"

namespace gs {

namespace {

TiXmlElement* AsElement(XmlElementHandle handle) { return static_cast<TiXmlElement*>(handle); }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

GsConfigFile::~GsConfigFile() { Close(); }

void GsConfigFile::Close()
{
    delete m_doc;
    m_doc = nullptr;
    m_root = nullptr;
}

bool GsConfigFile::Open(const std::string& path, bool create)
{
    return Open(AnsiToWide(path), create);
}

bool GsConfigFile::Open(const std::wstring& path, bool create)
{
    GS_ASSERT(!IsOpen());
    m_doc = new TiXmlDocument();
    bool loaded = false;
    if (FILE* file = _wfopen(path.c_str(), L"rb")) {
        loaded = m_doc->LoadFile(file, TIXML_DEFAULT_ENCODING);
        fclose(file);
    }
    if (!loaded && create) {
        m_doc->Clear();
        m_doc->LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", "no"));
        m_doc->LinkEndChild(new TiXmlElement("root"));
        if (FILE* file = _wfopen(path.c_str(), L"w")) {
            loaded = m_doc->SaveFile(file) && fclose(file) == 0;
        }
    }
    if (loaded) {
        TiXmlNode* first = m_doc->FirstChild();
        TiXmlNode* second = first ? first->NextSibling() : nullptr;
        if (first && first->ToDeclaration() && second && second->ToElement()) {
            m_root = second->ToElement();
            return true;
        }
    }
    Close();
    return false;
}

XmlElementHandle FindChildElement(XmlElementHandle parent, const std::string& name, const std::string& key)
{
    if (!parent) return nullptr;
    TiXmlElement* child = AsElement(parent)->FirstChildElement(StrToLower(name).c_str());
    if (!child || key.empty()) return child;
    for (; child; child = child->NextSiblingElement(child->Value())) {
        const char* value = child->Attribute("key");
        if (value && StrEqualNoCase(value, key)) return child;
    }
    return nullptr;
}

bool GetElementInt(XmlElementHandle element, int& value)
{
    if (!element) return false;
    TiXmlNode* first = AsElement(element)->FirstChild();
    if (!first || !first->ToText()) return false;
    // Base 0: an integer literal as C writes it; the first byte that doesn't fit ends it.
    value = static_cast<int>(std::strtol(first->Value(), nullptr, 0));
    return true;
}

bool GetElementTextA(XmlElementHandle element, std::string& text)
{
    text.clear();
    if (!element) return false;
    TiXmlNode* first = AsElement(element)->FirstChild();
    if (!first || !first->ToText()) return false;
    text = first->Value();
    return true;
}

bool GetElementText(XmlElementHandle element, std::wstring& text)
{
    std::string narrow;
    bool found = GetElementTextA(element, narrow);
    text = AnsiToWide(narrow);
    return found;
}

std::string StrToLower(const std::string& text)
{
    std::string out(text);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

bool StrEqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

std::wstring AnsiToWide(const std::string& text)
{
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(n) + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), buffer.data(), n);
    return std::wstring(buffer.data(), static_cast<size_t>(n));
}

std::string WideToAnsi(const std::wstring& text)
{
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    if (n <= 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(n) + 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), buffer.data(), n, nullptr,
                        nullptr);
    return std::string(buffer.data(), static_cast<size_t>(n));
}

} // namespace gs
