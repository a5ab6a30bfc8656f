#pragma once
// The reader of "config.xml": the caption, logo, licence page and licence files of the
// configured type. Each user takes the instance, opens the file, reads what it needs and
// releases the instance, so the file is read afresh every time.
#include <string>

#include "src/xml/GsXml.h"

class CGetConfigInfo {
public:
    static CGetConfigInfo* Instance();
    static void ReleaseInstance();

    // True when the file was loaded and has a root; the getters give their defaults
    // otherwise.
    bool Open(const std::wstring& path);

    std::wstring GetVersion();
    std::wstring GetTitle();
    std::wstring GetLogoPath();
    bool IsShowEula();
    std::wstring GetEula(const std::string& languageName);
    std::wstring GetTypeString(const std::string& section, const std::string& item);
    int GetTypeInt(const std::string& section, const std::string& item);
    int GetCurrentType();

private:
    CGetConfigInfo() = default;
    ~CGetConfigInfo() = default;
    gs::XmlElementHandle FindTypeItem(const std::string& section, const std::string& item);

    std::wstring m_Path;
    gs::GsConfigFile m_File;
    gs::XmlElementHandle m_Root = nullptr;
    int m_CurrentType = 0;
};
