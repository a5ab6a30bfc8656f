#include "forms/Dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "forms/Forms.h"

namespace {

HWND DialogOwner()
{
    HWND owner = GetActiveWindow();
    if (owner)
        return owner;
    TCustomForm* main = Application->MainForm();
    if (main && main->HandleAllocated() && main->Showing())
        return main->Handle();
    return Application->Handle();
}

} // namespace

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner)
{
    m_options << ofHideReadOnly << ofEnableSizing;
}

bool TOpenDialog::Execute() { return Execute(DialogOwner()); }

bool TOpenDialog::Execute(HWND owner)
{
    static const struct {
        TOpenOption option;
        DWORD flag;
    } flags[] = {
        {ofReadOnly, OFN_READONLY},
        {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
        {ofHideReadOnly, OFN_HIDEREADONLY},
        {ofNoChangeDir, OFN_NOCHANGEDIR},
        {ofShowHelp, OFN_SHOWHELP},
        {ofNoValidate, OFN_NOVALIDATE},
        {ofAllowMultiSelect, OFN_ALLOWMULTISELECT},
        {ofExtensionDifferent, OFN_EXTENSIONDIFFERENT},
        {ofPathMustExist, OFN_PATHMUSTEXIST},
        {ofFileMustExist, OFN_FILEMUSTEXIST},
        {ofCreatePrompt, OFN_CREATEPROMPT},
        {ofShareAware, OFN_SHAREAWARE},
        {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
        {ofNoTestFileCreate, OFN_NOTESTFILECREATE},
        {ofNoNetworkButton, OFN_NONETWORKBUTTON},
        {ofNoLongNames, OFN_NOLONGNAMES},
        {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS},
        {ofEnableIncludeNotify, OFN_ENABLEINCLUDENOTIFY},
        {ofEnableSizing, OFN_ENABLESIZING},
        {ofDontAddToRecent, OFN_DONTADDTORECENT},
        {ofForceShowHidden, OFN_FORCESHOWHIDDEN},
    };
    // The filter's "|" separators become the NULs the dialog wants, ending in two.
    std::wstring filter = m_filter;
    for (auto& ch : filter)
        if (ch == L'|')
            ch = L'\0';
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    std::vector<wchar_t> file(32768, L'\0');
    m_fileName.copy(file.data(), std::min<size_t>(m_fileName.size(), file.size() - 1));

    OPENFILENAMEW ofn;
    ZeroMemory(&ofn, sizeof(ofn));
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = m_filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(m_filterIndex);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = m_initialDir.empty() ? nullptr : m_initialDir.c_str();
    ofn.lpstrTitle = m_title.empty() ? nullptr : m_title.c_str();
    ofn.lpstrDefExt = m_defaultExt.empty() ? nullptr : m_defaultExt.c_str();
    ofn.Flags = 0;
    if (!m_options.Contains(ofOldStyleDialog))
        ofn.Flags |= OFN_EXPLORER;
    for (const auto& f : flags)
        if (m_options.Contains(f.option))
            ofn.Flags |= f.flag;
    if (!GetOpenFileNameW(&ofn))
        return false;
    m_fileName = String(file.data());
    m_filterIndex = static_cast<int>(ofn.nFilterIndex);
    return true;
}

void ShowMessage(const String& message)
{
    FormsMessageBox(DialogOwner(), message, Application->Title(), MB_OK);
}

bool SelectDirectory(const String& caption, const String& root, String& directory)
{
    PIDLIST_ABSOLUTE rootList = nullptr;
    if (!root.empty())
        SHParseDisplayName(root.c_str(), nullptr, &rootList, 0, nullptr);
    wchar_t display[MAX_PATH] = L"";
    BROWSEINFOW info;
    ZeroMemory(&info, sizeof(info));
    info.hwndOwner = DialogOwner();
    info.pidlRoot = rootList;
    info.pszDisplayName = display;
    info.lpszTitle = caption.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (rootList)
        CoTaskMemFree(rootList);
    if (!chosen)
        return false;
    wchar_t path[MAX_PATH] = L"";
    bool ok = SHGetPathFromIDListW(chosen, path) && path[0];
    CoTaskMemFree(chosen);
    if (ok)
        directory = path;
    return ok;
}
