#include "ui/Getconfiginfo.h"

namespace {
CGetConfigInfo* g_instance = nullptr;
}

CGetConfigInfo* CGetConfigInfo::Instance()
{
    if (!g_instance)
        g_instance = new CGetConfigInfo();
    return g_instance;
}

void CGetConfigInfo::ReleaseInstance()
{
    delete g_instance; // closes the document with it
    g_instance = nullptr;
}

bool CGetConfigInfo::Open(const std::wstring& path)
{
    m_Path = path;
    if (m_File.IsOpen())
        m_File.Close();
    m_Root = nullptr;
    if (!m_File.Open(path, false))
        return false;
    m_Root = m_File.GetRoot();
    if (!m_Root)
        return false;
    m_CurrentType = GetCurrentType();
    return true;
}

std::wstring CGetConfigInfo::GetVersion()
{
    std::wstring text;
    gs::GetElementText(gs::FindChildElement(m_Root, "version"), text);
    return text;
}

std::wstring CGetConfigInfo::GetTitle() { return GetTypeString("ui", "title"); }

std::wstring CGetConfigInfo::GetLogoPath() { return GetTypeString("ui", "logopath"); }

bool CGetConfigInfo::IsShowEula() { return GetTypeInt("ui", "isshoweula") != 0; }

std::wstring CGetConfigInfo::GetEula(const std::string& languageName)
{
    return GetTypeString("eula", languageName);
}

gs::XmlElementHandle CGetConfigInfo::FindTypeItem(const std::string& section, const std::string& item)
{
    gs::XmlElementHandle type = gs::FindChildElement(m_Root, "type", std::to_string(m_CurrentType));
    gs::XmlElementHandle part = gs::FindChildElement(type, section);
    return gs::FindChildElement(part, item);
}

std::wstring CGetConfigInfo::GetTypeString(const std::string& section, const std::string& item)
{
    std::wstring text;
    gs::GetElementText(FindTypeItem(section, item), text);
    return text;
}

int CGetConfigInfo::GetTypeInt(const std::string& section, const std::string& item)
{
    int value = 1;
    gs::GetElementInt(FindTypeItem(section, item), value);
    return value;
}

int CGetConfigInfo::GetCurrentType()
{
    // A "currenttype" without text reads as 0, like a missing one.
    int value = 0;
    gs::GetElementInt(gs::FindChildElement(m_Root, "currenttype"), value);
    return value;
}
