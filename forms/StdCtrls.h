#pragma once
// Standard controls: labels, edits, memos, combo boxes, check boxes and push buttons.
#include "forms/Controls.h"

// A label: a caption drawn on the parent's window. With AutoSize (the default) the label
// takes the size of its caption whenever the caption, font or word wrap changes.
class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* AOwner);

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return m_layout; }
    void SetLayout(TTextLayout value);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value);
    // Without Transparent the label fills its area with Color first.
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);
    // "&" marks the accelerator character (drawn underlined, "&&" is one "&").
    bool ShowAccelChar() const { return m_showAccelChar; }
    void SetShowAccelChar(bool value);
    // Applied when AutoSize is off.
    TEllipsisPosition EllipsisPosition() const { return m_ellipsisPosition; }
    void SetEllipsisPosition(TEllipsisPosition value);

    // Measures the caption (through DoDrawText with DT_CALCRECT) and, with AutoSize, fits
    // the label to it (a right-aligned label keeps its right edge). Nothing while the label
    // is being read (csReading).
    virtual void AdjustBounds();

protected:
    // The text drawn: the caption.
    virtual String GetLabelText();
    // Draws (or, with DT_CALCRECT, measures into rect) the label text with the DrawText
    // flags given, on the label's canvas.
    virtual void DoDrawText(TRect& rect, unsigned int flags);
    void Paint() override;
    void AdjustSize() override { AdjustBounds(); }
    void TextChanged() override;
    void FontChanged() override;
    void Loaded() override;

private:
    TAlignment m_alignment = taLeftJustify;
    TTextLayout m_layout = tlTop;
    bool m_wordWrap = false;
    bool m_transparent = false;
    bool m_showAccelChar = true;
    TEllipsisPosition m_ellipsisPosition = epNone;
};

class TLabel : public TCustomLabel {
public:
    explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

// A single-line edit box.
class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* AOwner);

    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value);
    int MaxLength() const { return m_maxLength; }
    void SetMaxLength(int value);
    void Clear() { SetText(String()); }
    void SelectAll();

    // Fired whenever the text changes (typing or SetText).
    TNotifyEvent OnChange;

    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void InitializeWindow() override;
    virtual void Change() { OnChange(this); }

private:
    bool m_readOnly = false;
    int m_maxLength = 0;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TMemo;

// Posted to a memo's window to write the lines changed since.
constexpr UINT CM_MEMOFLUSH = CM_BASE + 0x30;

// The lines of a memo: its text split at line breaks. The split is kept until the text
// changes by other means, so reading lines costs nothing. Changes made through the lines
// reach a memo's window in one write: when the message loop runs next or as soon as
// anything asks the window for its text, whichever comes first (the window re-lays out
// its whole text on every change, so line by line would be quadratic). Between
// BeginUpdate and EndUpdate nothing is written.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TMemo* memo) : m_memo(memo) {}
    int Count() const override;
    String Get(int index) const override;
    void Put(int index, const String& text) override;
    void Insert(int index, const String& text) override;
    void Delete(int index) override;
    void Clear() override;

protected:
    void SetUpdateState(bool updating) override;

private:
    friend class TMemo;
    const std::vector<String>& Lines() const;
    // The lines changed: write them now, or mark the window to be written.
    void Changed();
    void WriteText();
    void FlushToWindow()
    {
        if (m_stale)
            WriteText();
    }
    // The memo's text was changed by the user or by SetText.
    void TextReplaced();

    TMemo* m_memo;
    mutable std::vector<String> m_lines;
    mutable bool m_valid = false;
    // The text has a last line without a line break after it.
    mutable bool m_openEnd = false;
    bool m_writing = false;
    // Changes held back by an update.
    bool m_pending = false;
    // The window's text is older than the lines.
    bool m_stale = false;
};

// A multi-line edit box. Lines are kept in the text, each followed by CR LF.
class TMemo : public TCustomEdit {
public:
    explicit TMemo(TComponent* AOwner);
    ~TMemo() override;

    TStrings* Lines() const { return m_lines; }
    void SetLines(TStrings* lines) { m_lines->Assign(lines); }
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle value);
    // Long lines wrap at the right edge (default true).
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value);
    bool WantTabs() const { return m_wantTabs; }
    void SetWantTabs(bool value) { m_wantTabs = value; }

protected:
    friend class TMemoStrings;
    void CreateParams(TCreateParams& params) override;
    void InitializeWindow() override;
    bool WantsTab() const override { return m_wantTabs; }
    void TextChanged() override;
    void Change() override;
    void WndProc(TMessage& message) override;

private:
    TMemoStrings* m_lines;
    TScrollStyle m_scrollBars = ssNone;
    bool m_wordWrap = true;
    bool m_wantTabs = false;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TComboBox;

// The items of a combo box, each with an object pointer (not owned).
class TComboBoxStrings : public TStrings {
public:
    explicit TComboBoxStrings(TComboBox* box) : m_box(box) {}
    int Count() const override { return static_cast<int>(m_items.size()); }
    String Get(int index) const override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    void Insert(int index, const String& text) override;
    void Delete(int index) override;
    void Clear() override;

private:
    friend class TComboBox;
    void Check(int index) const;
    struct Item {
        String text;
        TObject* object;
    };
    std::vector<Item> m_items;
    TComboBox* m_box;
};

// A combo box. ItemIndex set by code fires no OnChange; a choice made by the user does.
class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;

    TStrings* Items() const { return m_items; }
    void SetItems(TStrings* items) { m_items->Assign(items); }
    TComboBoxStyle Style() const { return m_style; }
    void SetStyle(TComboBoxStyle value);
    // -1 when nothing is selected.
    int ItemIndex() const;
    void SetItemIndex(int value);
    int DropDownCount() const { return m_dropDownCount; }
    void SetDropDownCount(int value) { m_dropDownCount = value; }
    void Clear();

    TNotifyEvent OnChange;

    void Dispatch(TMessage& message) override;

protected:
    friend class TComboBoxStrings;
    void CreateParams(TCreateParams& params) override;
    void InitializeWindow() override;
    void SaveWindowState() override;
    String GetText() const override;
    void SetTextValue(const String& value) override;
    virtual void Change() { OnChange(this); }

private:
    TComboBoxStrings* m_items;
    TComboBoxStyle m_style = csDropDown;
    int m_itemIndex = -1;
    int m_dropDownCount = 8;
};

// A check box. Setting Checked to a new value fires OnClick (the user's click does it
// through the same setter, once).
class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* AOwner);

    bool Checked() const { return m_checked; }
    void SetChecked(bool value);

    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void InitializeWindow() override;

private:
    bool m_checked = false;
};

// A push button; a click sets the form's ModalResult to the button's, then fires OnClick.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);

    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int value) { m_modalResult = value; }

    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Click() override;

private:
    int m_modalResult = 0;
};
