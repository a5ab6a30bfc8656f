#pragma once
// Dialogs: the open-file dialog, folder browsing and message boxes.
#include "forms/Classes.h"

enum TOpenOption {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofNoChangeDir,
    ofShowHelp,
    ofNoValidate,
    ofAllowMultiSelect,
    ofExtensionDifferent,
    ofPathMustExist,
    ofFileMustExist,
    ofCreatePrompt,
    ofShareAware,
    ofNoReadOnlyReturn,
    ofNoTestFileCreate,
    ofNoNetworkButton,
    ofNoLongNames,
    ofOldStyleDialog,
    ofNoDereferenceLinks,
    ofEnableIncludeNotify,
    ofEnableSizing,
    ofDontAddToRecent,
    ofForceShowHidden
};
using TOpenOptions = TSet<TOpenOption>;

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* AOwner);

    const String& FileName() const { return m_fileName; }
    void SetFileName(const String& value) { m_fileName = value; }
    // Pairs of description and pattern separated by "|": "Pictures|*.png;*.bmp|All|*.*".
    const String& Filter() const { return m_filter; }
    void SetFilter(const String& value) { m_filter = value; }
    // 1-based index of the chosen filter.
    int FilterIndex() const { return m_filterIndex; }
    void SetFilterIndex(int value) { m_filterIndex = value; }
    const String& InitialDir() const { return m_initialDir; }
    void SetInitialDir(const String& value) { m_initialDir = value; }
    const String& Title() const { return m_title; }
    void SetTitle(const String& value) { m_title = value; }
    const String& DefaultExt() const { return m_defaultExt; }
    void SetDefaultExt(const String& value) { m_defaultExt = value; }
    TOpenOptions Options() const { return m_options; }
    void SetOptions(TOpenOptions value) { m_options = value; }

    // Shows the dialog (owned by the active form); true when a file was chosen, which
    // FileName then holds.
    virtual bool Execute();
    bool Execute(HWND owner);

private:
    String m_fileName;
    String m_filter;
    int m_filterIndex = 1;
    String m_initialDir;
    String m_title;
    String m_defaultExt;
    TOpenOptions m_options;
};

// A box with the text, captioned with the application's title, and an OK button.
void ShowMessage(const String& message);

// Lets the user choose a folder below root (empty: the whole namespace). True when one
// was chosen; directory then holds its path.
bool SelectDirectory(const String& caption, const String& root, String& directory);
