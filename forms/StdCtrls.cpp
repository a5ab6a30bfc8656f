#include "forms/StdCtrls.h"

#include "forms/Forms.h"

namespace {

COLORREF ColorRef(TColor color) { return static_cast<COLORREF>(ColorToRGB(color)) & 0xFFFFFF; }

TControlStyle SystemControlStyle()
{
    // The window of a system class keeps the mouse capture to itself.
    TControlStyle style;
    style << csSetCaption << csDoubleClicks;
    return style;
}

} // namespace

// ---- TCustomLabel ------------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    SetControlStyle(ControlStyle() << csOpaque << csReplicatable);
    SetBounds(0, 0, 65, 17);
    SetParentColor(true);
    SetAutoSize(true);
}

void TCustomLabel::SetAlignment(TAlignment value)
{
    if (value == m_alignment)
        return;
    m_alignment = value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value)
{
    if (value == m_layout)
        return;
    m_layout = value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool value)
{
    if (value == m_wordWrap)
        return;
    m_wordWrap = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool value)
{
    if (value == m_transparent)
        return;
    m_transparent = value;
    TControlStyle style = ControlStyle();
    if (value)
        style >> csOpaque;
    else
        style << csOpaque;
    SetControlStyle(style);
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value)
{
    if (value == m_showAccelChar)
        return;
    m_showAccelChar = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetEllipsisPosition(TEllipsisPosition value)
{
    if (value == m_ellipsisPosition)
        return;
    m_ellipsisPosition = value;
    Invalidate();
}

String TCustomLabel::GetLabelText() { return Caption(); }

void TCustomLabel::DoDrawText(TRect& rect, unsigned int flags)
{
    String text = GetLabelText();
    if ((flags & DT_CALCRECT) && (text.empty() || (m_showAccelChar && text == L"&")))
        text += L" ";
    if (!m_showAccelChar)
        flags |= DT_NOPREFIX;
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    if (m_ellipsisPosition != epNone && !AutoSize()) {
        static const unsigned ellipsis[] = {0, DT_PATH_ELLIPSIS, DT_END_ELLIPSIS, DT_WORD_ELLIPSIS};
        flags &= ~(DT_PATH_ELLIPSIS | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_EXPANDTABS);
        flags |= ellipsis[m_ellipsisPosition];
    }
    if (!Enabled() && !(flags & DT_CALCRECT)) {
        HDC dc = canvas->Handle();
        SetBkMode(dc, TRANSPARENT);
        rect.Offset(1, 1);
        SetTextColor(dc, ColorRef(clBtnHighlight));
        ::DrawTextW(dc, text.c_str(), -1, &rect, flags);
        rect.Offset(-1, -1);
        SetTextColor(dc, ColorRef(clBtnShadow));
        ::DrawTextW(dc, text.c_str(), -1, &rect, flags);
        return;
    }
    HDC dc = canvas->Handle();
    SetBkMode(dc, TRANSPARENT);
    ::DrawTextW(dc, text.c_str(), -1, &rect, flags);
}

void TCustomLabel::Paint()
{
    static const unsigned alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    TCanvas* canvas = Canvas();
    TRect client = ClientRect();
    if (!m_transparent) {
        canvas->Brush()->SetColor(Color());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(client);
    }
    canvas->Brush()->SetStyle(bsClear);
    TRect rect = client;
    unsigned flags = DT_EXPANDTABS | (m_wordWrap ? DT_WORDBREAK : 0) | alignments[m_alignment];
    if (m_layout != tlTop) {
        TRect calc = rect;
        DoDrawText(calc, flags | DT_CALCRECT);
        int free = Height() - (calc.bottom - calc.top);
        rect.Offset(0, m_layout == tlBottom ? free : free / 2);
    }
    DoDrawText(rect, flags);
}

void TCustomLabel::AdjustBounds()
{
    if (ComponentState().Contains(csReading) || !AutoSize())
        return;
    TRect rect = ClientRect();
    DoDrawText(rect, DT_EXPANDTABS | DT_CALCRECT | (m_wordWrap ? DT_WORDBREAK : 0));
    int x = Left();
    if (m_alignment == taRightJustify)
        x += Width() - rect.right;
    SetBounds(x, Top(), rect.right, rect.bottom);
}

void TCustomLabel::TextChanged()
{
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::FontChanged()
{
    TGraphicControl::FontChanged();
    AdjustBounds();
}

void TCustomLabel::Loaded()
{
    TGraphicControl::Loaded();
    AdjustBounds();
}

// ---- TCustomEdit --------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(SystemControlStyle() << csClickEvents);
    SetBounds(0, 0, 121, 21);
    SetColor(clWindow);
    SetTabStop(true);
}

void TCustomEdit::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    CreateSubClass(p, L"EDIT");
    p.Style |= ES_AUTOHSCROLL | ES_LEFT;
    if (m_readOnly)
        p.Style |= ES_READONLY;
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::InitializeWindow()
{
    if (m_maxLength > 0)
        SendMessageW(m_handle, EM_LIMITTEXT, static_cast<WPARAM>(m_maxLength), 0);
}

void TCustomEdit::SetReadOnly(bool value)
{
    m_readOnly = value;
    if (HandleAllocated())
        SendMessageW(m_handle, EM_SETREADONLY, value, 0);
}

void TCustomEdit::SetMaxLength(int value)
{
    m_maxLength = value;
    if (HandleAllocated())
        SendMessageW(m_handle, EM_LIMITTEXT, static_cast<WPARAM>(value > 0 ? value : 0), 0);
}

void TCustomEdit::SelectAll()
{
    if (HandleAllocated())
        SendMessageW(m_handle, EM_SETSEL, 0, -1);
}

void TCustomEdit::Dispatch(TMessage& m)
{
    if (m.Msg == CN_COMMAND) {
        if (HIWORD(m.WParam) == EN_CHANGE)
            Change();
        return;
    }
    TWinControl::Dispatch(m);
}

// ---- TMemo --------------------------------------------------------------------------------------

const std::vector<String>& TMemoStrings::Lines() const
{
    if (!m_valid) {
        String text = m_memo->Text();
        m_lines = SplitLines(text);
        m_openEnd = !text.empty() && text.back() != L'\n' && text.back() != L'\r';
        m_valid = true;
    }
    return m_lines;
}

void TMemoStrings::Changed()
{
    m_openEnd = false;
    if (m_updateCount > 0) {
        m_pending = true;
        return;
    }
    m_pending = false;
    if (!m_memo->HandleAllocated()) {
        WriteText();
    } else if (!m_stale) {
        m_stale = true;
        PostMessageW(m_memo->Handle(), CM_MEMOFLUSH, 0, 0);
    }
}

void TMemoStrings::WriteText()
{
    m_stale = false;
    String text;
    size_t size = 0;
    for (const String& line : m_lines)
        size += line.size() + 2;
    text.reserve(size);
    for (const String& line : m_lines) {
        text += line;
        text += L"\r\n";
    }
    m_writing = true;
    try {
        m_memo->SetText(text);
    } catch (...) {
        m_writing = false;
        throw;
    }
    m_writing = false;
}

void TMemoStrings::TextReplaced()
{
    if (m_writing)
        return;
    m_valid = false;
    // Text set from outside wins over the lines held back.
    m_pending = false;
    m_stale = false;
}

void TMemoStrings::SetUpdateState(bool updating)
{
    if (!updating && m_pending)
        Changed();
}

int TMemoStrings::Count() const { return static_cast<int>(Lines().size()); }

String TMemoStrings::Get(int index) const
{
    const std::vector<String>& lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size()))
        Error(L"List index out of bounds", index);
    return lines[index];
}

void TMemoStrings::Put(int index, const String& text)
{
    Lines();
    if (index < 0 || index >= static_cast<int>(m_lines.size()))
        Error(L"List index out of bounds", index);
    m_lines[index] = text;
    Changed();
}

void TMemoStrings::Insert(int index, const String& text)
{
    Lines();
    if (index < 0 || index > static_cast<int>(m_lines.size()))
        Error(L"List index out of bounds", index);
    m_lines.insert(m_lines.begin() + index, text);
    if (index + 1 < static_cast<int>(m_lines.size()) || m_updateCount > 0 || m_pending ||
        m_memo->HandleAllocated()) {
        Changed();
        return;
    }
    // At the end of a memo without a window: only the new line is added to the text.
    if (m_openEnd)
        m_memo->m_text += L"\r\n";
    m_memo->m_text += text;
    m_memo->m_text += L"\r\n";
    m_openEnd = false;
}

void TMemoStrings::Delete(int index)
{
    Lines();
    if (index < 0 || index >= static_cast<int>(m_lines.size()))
        Error(L"List index out of bounds", index);
    m_lines.erase(m_lines.begin() + index);
    Changed();
}

void TMemoStrings::Clear()
{
    m_lines.clear();
    m_valid = true;
    Changed();
}

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner), m_lines(new TMemoStrings(this))
{
    SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() { delete m_lines; }

void TMemo::InitializeWindow()
{
    TCustomEdit::InitializeWindow();
    // Without a limit of its own a memo takes any length (the window's default is ~32K).
    if (MaxLength() <= 0)
        SendMessageW(m_handle, EM_LIMITTEXT, 0, 0);
}

void TMemo::TextChanged()
{
    m_lines->TextReplaced();
    TCustomEdit::TextChanged();
}

void TMemo::Change()
{
    m_lines->TextReplaced();
    TCustomEdit::Change();
}

void TMemo::WndProc(TMessage& m)
{
    // Whatever the window is asked, it answers with the lines written first.
    m_lines->FlushToWindow();
    if (m.Msg == CM_MEMOFLUSH)
        return;
    TCustomEdit::WndProc(m);
}

void TMemo::CreateParams(TCreateParams& p)
{
    TCustomEdit::CreateParams(p);
    p.Style &= ~ES_AUTOHSCROLL;
    p.Style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
    if (!m_wordWrap)
        p.Style |= ES_AUTOHSCROLL;
    if (m_scrollBars == ssVertical || m_scrollBars == ssBoth)
        p.Style |= WS_VSCROLL;
    if ((m_scrollBars == ssHorizontal || m_scrollBars == ssBoth) && !m_wordWrap)
        p.Style |= WS_HSCROLL;
}

void TMemo::SetScrollBars(TScrollStyle value)
{
    if (value == m_scrollBars)
        return;
    m_scrollBars = value;
    RecreateWnd();
}

void TMemo::SetWordWrap(bool value)
{
    if (value == m_wordWrap)
        return;
    m_wordWrap = value;
    RecreateWnd();
}

// ---- TComboBox ----------------------------------------------------------------------------------

void TComboBoxStrings::Check(int index) const
{
    if (index < 0 || index >= Count())
        Error(L"List index out of bounds", index);
}

String TComboBoxStrings::Get(int index) const
{
    Check(index);
    return m_items[index].text;
}

TObject* TComboBoxStrings::GetObject(int index) const
{
    Check(index);
    return m_items[index].object;
}

void TComboBoxStrings::PutObject(int index, TObject* object)
{
    Check(index);
    m_items[index].object = object;
}

void TComboBoxStrings::Insert(int index, const String& text)
{
    if (index < 0 || index > Count())
        Error(L"List index out of bounds", index);
    m_items.insert(m_items.begin() + index, Item{text, nullptr});
    if (m_box->HandleAllocated())
        SendMessageW(m_box->m_handle, CB_INSERTSTRING, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(text.c_str()));
    else if (m_box->m_itemIndex >= index)
        ++m_box->m_itemIndex;
}

void TComboBoxStrings::Delete(int index)
{
    Check(index);
    m_items.erase(m_items.begin() + index);
    if (m_box->HandleAllocated()) {
        SendMessageW(m_box->m_handle, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
    } else if (m_box->m_itemIndex == index) {
        m_box->m_itemIndex = -1;
    } else if (m_box->m_itemIndex > index) {
        --m_box->m_itemIndex;
    }
}

void TComboBoxStrings::Clear()
{
    m_items.clear();
    m_box->m_itemIndex = -1;
    if (m_box->HandleAllocated())
        SendMessageW(m_box->m_handle, CB_RESETCONTENT, 0, 0);
}

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner), m_items(new TComboBoxStrings(this))
{
    SetControlStyle(SystemControlStyle());
    SetBounds(0, 0, 145, 21);
    SetColor(clWindow);
    SetTabStop(true);
}

TComboBox::~TComboBox()
{
    MarkDestroying();
    DestroyHandle();
    delete m_items;
}

void TComboBox::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    CreateSubClass(p, L"COMBOBOX");
    p.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
    switch (m_style) {
    case csDropDownList:
        p.Style |= CBS_DROPDOWNLIST;
        break;
    case csSimple:
        p.Style |= CBS_SIMPLE;
        break;
    default:
        p.Style |= CBS_DROPDOWN;
        break;
    }
    // The window's height holds the dropped-down list as well.
    if (m_style != csSimple)
        p.Height = Height() + m_dropDownCount * 16 + 2;
}

void TComboBox::InitializeWindow()
{
    for (const auto& item : m_items->m_items)
        SendMessageW(m_handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.text.c_str()));
    SendMessageW(m_handle, CB_SETCURSEL, static_cast<WPARAM>(m_itemIndex), 0);
    if (m_style != csDropDownList && m_itemIndex < 0)
        SetWindowTextW(m_handle, m_text.c_str());
}

void TComboBox::SaveWindowState()
{
    if (HandleAllocated())
        m_itemIndex = static_cast<int>(SendMessageW(m_handle, CB_GETCURSEL, 0, 0));
    TWinControl::SaveWindowState();
}

void TComboBox::SetStyle(TComboBoxStyle value)
{
    if (value == m_style)
        return;
    m_style = value;
    RecreateWnd();
}

int TComboBox::ItemIndex() const
{
    if (m_handle)
        return static_cast<int>(SendMessageW(m_handle, CB_GETCURSEL, 0, 0));
    return m_itemIndex;
}

void TComboBox::SetItemIndex(int value)
{
    if (value < -1 || value >= m_items->Count())
        value = -1;
    m_itemIndex = value;
    if (HandleAllocated())
        SendMessageW(m_handle, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void TComboBox::Clear()
{
    m_items->Clear();
    SetTextValue(String());
}

String TComboBox::GetText() const
{
    if (m_handle)
        return TWinControl::GetText();
    if (m_itemIndex >= 0 && m_itemIndex < m_items->Count())
        return m_items->Get(m_itemIndex);
    return m_style == csDropDownList ? String() : m_text;
}

void TComboBox::SetTextValue(const String& value)
{
    if (m_style == csDropDownList) {
        SetItemIndex(m_items->IndexOf(value));
        return;
    }
    TWinControl::SetTextValue(value);
}

void TComboBox::Dispatch(TMessage& m)
{
    if (m.Msg == CN_COMMAND) {
        switch (HIWORD(m.WParam)) {
        case CBN_SELCHANGE:
            m_itemIndex = static_cast<int>(SendMessageW(m_handle, CB_GETCURSEL, 0, 0));
            // The edit part shows the new item only after this notice; give it now.
            if (m_style != csDropDownList && m_itemIndex >= 0)
                SetWindowTextW(m_handle, m_items->Get(m_itemIndex).c_str());
            Change();
            break;
        case CBN_EDITCHANGE:
            Change();
            break;
        default:
            break;
        }
        return;
    }
    TWinControl::Dispatch(m);
}

// ---- TCheckBox ----------------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(SystemControlStyle());
    SetBounds(0, 0, 97, 17);
    SetParentColor(true);
    SetTabStop(true);
}

void TCheckBox::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    CreateSubClass(p, L"BUTTON");
    p.Style |= BS_CHECKBOX;
}

void TCheckBox::InitializeWindow()
{
    SendMessageW(m_handle, BM_SETCHECK, m_checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::SetChecked(bool value)
{
    if (value == m_checked)
        return;
    m_checked = value;
    if (HandleAllocated())
        SendMessageW(m_handle, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    Click();
}

void TCheckBox::Dispatch(TMessage& m)
{
    if (m.Msg == CN_COMMAND) {
        if (HIWORD(m.WParam) == BN_CLICKED)
            SetChecked(!m_checked);
        return;
    }
    TWinControl::Dispatch(m);
}

// ---- TButton ------------------------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner)
{
    SetControlStyle(SystemControlStyle());
    SetBounds(0, 0, 75, 25);
    SetColor(clBtnFace);
    SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& p)
{
    TWinControl::CreateParams(p);
    CreateSubClass(p, L"BUTTON");
    p.Style |= BS_PUSHBUTTON;
}

void TButton::Click()
{
    if (TCustomForm* form = GetParentForm(this))
        form->SetModalResult(m_modalResult);
    TWinControl::Click();
}

void TButton::Dispatch(TMessage& m)
{
    if (m.Msg == CN_COMMAND) {
        if (HIWORD(m.WParam) == BN_CLICKED)
            Click();
        return;
    }
    TWinControl::Dispatch(m);
}
