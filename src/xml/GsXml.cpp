#include "src/xml/GsXml.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "src/disk/GsAssert.h"
#include "tinyxml.h"

namespace gs {

namespace {

TiXmlElement* AsElement(XmlElementHandle handle) { return static_cast<TiXmlElement*>(handle); }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// TinyXML parses nested elements by recursion: a file nested deep enough ends the program
// on a stack overflow inside the parse. A real configuration is a few kilobytes and four
// elements deep, so a file far past either is not one and counts as unreadable.
const size_t kMaxConfigBytes = 256 * 1024;
const int kMaxConfigDepth = 32;
// The scan below follows the markup only roughly; whatever a file does to hide its
// nesting from it, TinyXML can't nest deeper than the file has tags.
const size_t kMaxConfigTags = 2048;

size_t SkipPast(const std::string& text, size_t from, const char* end)
{
    size_t at = text.find(end, from);
    return at == std::string::npos ? text.size() : at + std::strlen(end);
}

// True when no element of the text lies deeper than the bound.
bool NestingWithinBound(const std::string& text)
{
    size_t tags = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '<')
            ++tags;
    if (tags > kMaxConfigTags)
        return false;
    int depth = 0;
    size_t i = 0;
    while ((i = text.find('<', i)) != std::string::npos) {
        if (text.compare(i, 4, "<!--") == 0) {
            i = SkipPast(text, i + 4, "-->");
        } else if (text.compare(i, 9, "<![CDATA[") == 0) {
            i = SkipPast(text, i + 9, "]]>");
        } else if (text.compare(i, 2, "<?") == 0 || text.compare(i, 2, "<!") == 0) {
            i = SkipPast(text, i + 2, ">");
        } else if (text.compare(i, 2, "</") == 0) {
            --depth;
            i = SkipPast(text, i + 2, ">");
        } else {
            // A start tag: to its '>', over quoted attribute values; "/>" opens nothing.
            char quote = 0;
            size_t j = i + 1;
            for (; j < text.size(); ++j) {
                if (quote) {
                    if (text[j] == quote)
                        quote = 0;
                } else if (text[j] == '"' || text[j] == '\'') {
                    quote = text[j];
                } else if (text[j] == '>') {
                    break;
                }
            }
            if (j >= text.size() || text[j - 1] != '/') {
                if (++depth > kMaxConfigDepth)
                    return false;
            }
            i = j + 1;
        }
        if (depth < 0)
            depth = 0;
    }
    return true;
}

// The whole file, or false when it can't be read or is larger than any configuration.
bool ReadBounded(const std::wstring& path, std::string& text)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return false;
    text.clear();
    char chunk[4096];
    size_t n;
    bool fits = true;
    while ((n = fread(chunk, 1, sizeof(chunk), file)) > 0) {
        if (text.size() + n > kMaxConfigBytes) {
            fits = false;
            break;
        }
        text.append(chunk, n);
    }
    bool failed = ferror(file) != 0;
    fclose(file);
    return fits && !failed && !text.empty();
}

// Parses the text as TinyXML's own file load does: line breaks made line feeds first.
bool ParseDocument(TiXmlDocument& doc, const std::string& text)
{
    std::string data;
    data.reserve(text.size() + 4);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            data += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            data += text[i];
        }
    }
    // A multi-byte lead at the very end makes the parser step past the terminator:
    // let it land on more terminators.
    data.append(4, '\0');
    doc.Parse(data.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    return !doc.Error();
}

} // namespace

GsConfigFile::~GsConfigFile() { Close(); }

void GsConfigFile::Close()
{
    delete m_doc;
    m_doc = nullptr;
    m_root = nullptr;
}

bool GsConfigFile::Open(const std::string& path, bool create) { return Open(AnsiToWide(path), create); }

bool GsConfigFile::Open(const std::wstring& path, bool create)
{
    GS_ASSERT(!IsOpen());
    m_doc = new TiXmlDocument();
    bool loaded = false;
    std::string text;
    if (ReadBounded(path, text) && NestingWithinBound(text))
        loaded = ParseDocument(*m_doc, text);
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
    if (!parent)
        return nullptr;
    TiXmlElement* child = AsElement(parent)->FirstChildElement(StrToLower(name).c_str());
    if (!child || key.empty())
        return child;
    for (; child; child = child->NextSiblingElement(child->Value())) {
        const char* value = child->Attribute("key");
        if (value && StrEqualNoCase(value, key))
            return child;
    }
    return nullptr;
}

bool GetElementInt(XmlElementHandle element, int& value)
{
    if (!element)
        return false;
    TiXmlNode* first = AsElement(element)->FirstChild();
    if (!first || !first->ToText())
        return false;
    // Base 0: an integer literal as C writes it; the first byte that doesn't fit ends it.
    value = static_cast<int>(std::strtol(first->Value(), nullptr, 0));
    return true;
}

bool GetElementTextA(XmlElementHandle element, std::string& text)
{
    text.clear();
    if (!element)
        return false;
    TiXmlNode* first = AsElement(element)->FirstChild();
    if (!first || !first->ToText())
        return false;
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
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

bool StrEqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

std::wstring AnsiToWide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(n) + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), buffer.data(), n);
    return std::wstring(buffer.data(), static_cast<size_t>(n));
}

std::string WideToAnsi(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    if (n <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(n) + 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), buffer.data(), n, nullptr,
                        nullptr);
    return std::string(buffer.data(), static_cast<size_t>(n));
}

} // namespace gs
