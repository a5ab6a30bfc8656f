#include "ui/Main.h"

#include "engine/BrindleImp.h"
#include "engine/MultiLang.h"
#include "ui/Artwork.h"
#include "ui/ButtonFactory.h"
#include "ui/Form1_description.h"
#include "ui/FormLayout.h"
#include "ui/Operationthd.h"
#include "ui/Thddvdsize.h"

using namespace ui_layout;

TMainForm* MainForm = nullptr;

const int32_t PageFlowTable[4][3] = {
    {wpSelectDvd, wpSelectUsb, wpProgress},
    {wpSelectDvd, wpSelectIsoFolder, wpProgress},
    {wpSelectIsoFile, wpSelectUsb, wpProgress},
    {wpSelectIsoFile, wpSelectIsoFolder, wpProgress},
};

namespace {

// Every wizard page: an etched frame without outer bevel and a divider under the heading.
TPanel* MakePage(TComponent* owner, TWinControl* parent, int left, int top, int width, int height,
                 TSplitter*& divider)
{
    TPanel* panel = Make<TPanel>(owner, parent, left, top, width, height);
    panel->SetBevelKind(bkTile);
    panel->SetBevelOuter(bvNone);
    divider = Make<TSplitter>(owner, panel, 16, 54, 473, 1);
    divider->SetColor(clBtnShadow);
    return panel;
}

TLabel* Heading(TComponent* owner, TWinControl* parent, int left, int top, const wchar_t* fontName)
{
    TLabel* label = Make<TLabel>(owner, parent, left, top);
    OwnFont(label, fontName, -16, true);
    return label;
}

} // namespace

String TMainForm::T(const wchar_t* key) { return TranslateStr(key); }

TMainForm::TMainForm(TComponent* AOwner) : TWizardForm(AOwner)
{
    BuildLayout();
    m_bDvdSizeDone = false;
    m_Page = wpCancelRequested;
    m_btnNext = m_btnBack = m_btnBrowser = m_btnBrowerISO = nullptr;
    m_btnRefresh = nullptr;
    m_DlgType = 0;
    m_DvdSizeMB = 0;
    m_UsbSizeMB = 0;
    m_pThdDvdSize = nullptr;
    m_pOperationThd = nullptr;
    m_WimStepCount = 3;
    SetWidth(718);
    SetHeight(330);
    m_Page = PageFlowTable[m_DlgType][0];
    m_Panels.clear();
    for (int i = 0; i < ControlCount(); ++i) {
        if (auto* panel = dynamic_cast<TPanel*>(Controls(i)))
            m_Panels.push_back(panel);
    }
    ApplyConfig();
    FitPercent();
}

void TMainForm::FitPercent()
{
    // Measured once the language has chosen the font: "100" must never run into the "%".
    TBitmap probe;
    probe.Canvas()->Font()->Assign(lblPercent->Font());
    const int width = probe.Canvas()->TextWidth(FormatPercent(100));
    lblPercent->SetAutoSize(false);
    lblPercent->SetAlignment(taRightJustify);
    lblPercent->SetWidth(width);
    const int gap = 3;
    if (Label7->Left() < lblPercent->Left() + width + gap)
        Label7->SetLeft(lblPercent->Left() + width + gap);
}

void TMainForm::BuildLayout()
{
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetScaled(false);
    Font()->SetName(L"Microsoft Sans Serif");
    Font()->SetHeight(-11);
    SetClientWidth(712);
    SetClientHeight(302);
    OnCreate = MakeEvent(this, &TMainForm::FormCreate);
    OnShow = MakeEvent(this, &TMainForm::FormShow);
    OnClose = MakeEvent(this, &TMainForm::FormClose);

    Image1 = Make<TImage>(this, this, -2, 0, 173, 302);
    LoadArtwork(Image1->Picture(), kArtSidePictureMain, true);
    lblNote = WrapLabel(this, this, 190, 8, 511, 53);
    OwnFont(lblNote, L"Microsoft Sans Serif", -13);
    img_refresh1 = Make<TImage>(this, this, 8, 8, 22, 22);
    img_refresh2 = Make<TImage>(this, this, 8, 39, 22, 22);
    img_refresh3 = Make<TImage>(this, this, 8, 74, 22, 22);
    LoadArtwork(img_refresh1->Picture(), kArtRefreshNormal, false);
    LoadArtwork(img_refresh2->Picture(), kArtRefreshHovered, false);
    LoadArtwork(img_refresh3->Picture(), kArtRefreshPressed, false);
    for (TImage* image : {img_refresh1, img_refresh2, img_refresh3})
        image->SetVisible(false);

    // Page 0: the source disc.
    panSelectDVD = MakePage(this, this, 179, 67, 525, 203, Splitter1);
    Label2 = Heading(this, panSelectDVD, 16, 21, L"Microsoft Sans Serif");
    Label3 = Heading(this, panSelectDVD, 160, 22, L"Microsoft Sans Serif");
    lblDVDTitle = WrapLabel(this, panSelectDVD, 16, 61, 473, 29);
    cmbDVDlist = Make<TComboBox>(this, panSelectDVD, 16, 96, 473);
    cmbDVDlist->SetStyle(csDropDownList);
    cmbDVDlist->OnChange = MakeEvent(this, &TMainForm::cmbDVDlistChange);
    lblWait = Make<TLabel>(this, panSelectDVD, 16, 152);

    // Page 1: the target USB drive. The panel and its children keep their own font.
    panSelectUsb = MakePage(this, this, 179, 67, 525, 203, Splitter2);
    panSelectUsb->SetTag(1);
    OwnFont(panSelectUsb, L"Microsoft Sans Serif", -11);
    Label4 = Heading(this, panSelectUsb, 16, 26, L"Microsoft Sans Serif");
    Label5 = Heading(this, panSelectUsb, 138, 26, L"Microsoft Sans Serif");
    Label6 = WrapLabel(this, panSelectUsb, 16, 69, 473, 34);
    cmbUsbList = Make<TComboBox>(this, panSelectUsb, 16, 104, 422);
    cmbUsbList->SetStyle(csDropDownList);
    cmbUsbList->OnChange = MakeEvent(this, &TMainForm::cmbUsbListChange);
    CheckBox_NVMe = Make<TCheckBox>(this, panSelectUsb, 16, 129, 337, 17);
    Label_NVMe = WrapLabel(this, panSelectUsb, 18, 149, 447, 44);
    btnRefresh = Make<TSpeedButton>(this, panSelectUsb, 444, 103, 42, 22);
    btnRefresh->SetVisible(false);
    btnRefresh->OnClick = MakeEvent(this, &TMainForm::btnRefreshClick);

    // Page 2: progress.
    panMainScreen = MakePage(this, this, 179, 67, 525, 200, Splitter3);
    panMainScreen->SetTag(2);
    panMainScreen->SetVisible(false);
    lblScreenTitle = Heading(this, panMainScreen, 16, 22, L"Microsoft Sans Serif");
    Label1 = Heading(this, panMainScreen, 160, 22, L"Microsoft Sans Serif");
    pbDism = Make<TProgressBar>(this, panMainScreen, 16, 94, 441, 17);
    pbDism->SetRange(0, 100);
    lblPercent = Make<TLabel>(this, panMainScreen, 460, 95);
    lblPercent->SetCaption(L"0");
    Label7 = Make<TLabel>(this, panMainScreen, 479, 95);
    Label7->SetCaption(L"%");
    lblStatus = Make<TLabel>(this, panMainScreen, 16, 144);
    lblState = WrapLabel(this, panMainScreen, 79, 144, 410, 33);

    // Page 3: a source image file.
    Panel_SrcISO = MakePage(this, this, 179, 67, 525, 205, Splitter4);
    Label8 = Heading(this, Panel_SrcISO, 16, 22, L"Tahoma");
    Label8->SetCaption(L"Step 1 of 3:");
    Label9 = Heading(this, Panel_SrcISO, 160, 22, L"Tahoma");
    Label9->SetCaption(L"Select Source ISO File");
    EdtISOPathsrc = Make<TEdit>(this, Panel_SrcISO, 16, 122, 360);
    btnBrowerISO = Make<TButton>(this, Panel_SrcISO, 420, 110, 75, 25);
    btnBrowerISO->SetVisible(false);
    btnBrowerISO->OnClick = MakeEvent(this, &TMainForm::btnBrowerISOClick);

    // Page 4: the folder receiving the image.
    Panel_DstISO = MakePage(this, this, 179, 68, 525, 203, Splitter5);
    Label10 = Heading(this, Panel_DstISO, 16, 15, L"Tahoma");
    Label11 = Heading(this, Panel_DstISO, 138, 15, L"Tahoma");
    Label11->SetAutoSize(false);
    Label11->SetWordWrap(true);
    Label11->SetBounds(138, 15, 373, 45);
    // Two lines tall, it reaches over the divider: let the line show through.
    Label11->SetTransparent(true);
    EdtISOPathdst = Make<TEdit>(this, Panel_DstISO, 32, 101, 360);
    btnBrowser = Make<TButton>(this, Panel_DstISO, 420, 99, 75, 25);
    btnBrowser->SetVisible(false);
    btnBrowser->OnClick = MakeEvent(this, &TMainForm::btnBrowserClick);
    // Wide enough for the Spanish and French captions; it still ends left of the NVMe box.
    CheckBox_USBODD = Make<TCheckBox>(this, Panel_DstISO, 32, 128, 240, 17);
    CheckBox_USBODD->SetCaption(L"Compatibility Mode");
    CheckBox_ISO_NVME = Make<TCheckBox>(this, Panel_DstISO, 278, 128, 219, 17);
    Label_USBODD = WrapLabel(this, Panel_DstISO, 32, 149, 473, 44);

    btnNext = Make<TButton>(this, this, 629, 273);
    btnNext->SetVisible(false);
    btnNext->OnClick = MakeEvent(this, &TMainForm::btnNextClick);
    btnBack = Make<TButton>(this, this, 530, 273);
    btnBack->SetVisible(false);
    btnBack->OnClick = MakeEvent(this, &TMainForm::btnBackClick);
    OpenDialog1 = new TOpenDialog(this);
    Timer1 = new TTimer(this);
    Timer1->SetEnabled(false);
    Timer1->SetInterval(1000);
    Timer1->OnTimer = MakeEvent(this, &TMainForm::Timer1Timer);
}

TMainForm::~TMainForm()
{
    // Each deletion ends its thread; the worker may still report through the form.
    delete m_pThdDvdSize;
    m_pThdDvdSize = nullptr;
    delete m_pOperationThd;
    m_pOperationThd = nullptr;
    m_DriveList.clear();
    m_Panels.clear();
}

void TMainForm::FormCreate(TObject*)
{
    // Flatten the refresh pictures onto the dialog face, as the button draws them opaque.
    TBitmap square;
    square.SetSize(22, 22);
    square.Canvas()->Brush()->SetColor(clBtnFace);
    square.Canvas()->Pen()->SetColor(clBtnFace);
    square.Canvas()->Rectangle(0, 0, 22, 22);
    for (TImage* image : {img_refresh1, img_refresh2, img_refresh3}) {
        TBitmap flat;
        flat.Assign(&square);
        flat.Canvas()->Draw(0, 0, image->Picture()->Graphic());
        image->Picture()->SetBitmap(&flat);
    }

    TBitmap* bkgnd = dlgFirst->Img_Button_BK->Picture()->Bitmap();
    TBitmap* raised = dlgFirst->Image2->Picture()->Bitmap();
    TBitmap* hovered = dlgFirst->Image3->Picture()->Bitmap();
    TBitmap* sunken = dlgFirst->Image4->Picture()->Bitmap();
    TBitmap* disabled = dlgFirst->Img_disable->Picture()->Bitmap();

    CreateGsButton(panSelectUsb, bkgnd, m_btnRefresh, 444, 104, img_refresh1->Picture()->Bitmap(),
                   img_refresh2->Picture()->Bitmap(), img_refresh3->Picture()->Bitmap(),
                   img_refresh1->Picture()->Bitmap(), L"", L"");
    m_btnRefresh->OnClick = MakeEvent(this, &TMainForm::BtnRefreshClick);

    CreateGsButton(this, bkgnd, m_btnNext, 600, 271, raised, hovered, sunken, disabled, L"Next", L"Next");
    CreateGsButton(this, bkgnd, m_btnBack, 480, 271, raised, hovered, sunken, disabled, L"Back", L"Back");
    m_btnNext->OnClick = MakeEvent(this, &TMainForm::BtnNextClick);
    m_btnBack->OnClick = MakeEvent(this, &TMainForm::BtnBackClick);
    m_btnNext->SetCaption(T(L"Next"));
    m_btnNext->SetHint(T(L"Next"));
    m_btnBack->SetCaption(T(L"Back"));
    m_btnBack->SetHint(T(L"Back"));
    m_btnNext->SetEnabled(false);
    m_btnNext->SetTag(1);

    String browse = T(L"Browse");
    CreateGsButton(Panel_DstISO, bkgnd, m_btnBrowser, 420, 100, raised, hovered, sunken, disabled,
                   browse.c_str(), L"Brower Folder");
    CreateGsButton(Panel_SrcISO, bkgnd, m_btnBrowerISO, 420, 110, raised, hovered, sunken, disabled,
                   browse.c_str(), L"Brower ISO File");
    m_btnBrowser->OnClick = MakeEvent(this, &TMainForm::BtnBrowserClick);
    m_btnBrowerISO->OnClick = MakeEvent(this, &TMainForm::BtnBrowerISOClick);

    StartDvdSizeThread();
}

void TMainForm::ApplyConfig()
{
    if (IsSpanishSystem() || IsFrenchSystem()) {
        Label10->SetTop(Label10->Top() - 15);
        Label11->SetTop(Label11->Top() - 15);
    }
    if (IsSpanishSystem()) {
        Label4->SetTop(Label4->Top() - 15);
        Label5->SetTop(Label5->Top() - 15);
    }
    Font()->SetName(IsJapaneseSystem() ? L"MS UI Gothic" : L"Microsoft Sans Serif");
    ApplyConfigCaptionAndLogo(Image1);
}

void TMainForm::SetDlgType(int32_t mode)
{
    FORMS_ASSERT(mode >= 0 && mode <= 3);
    m_DlgType = mode;
    m_Page = PageFlowTable[m_DlgType][0];
    EdtISOPathdst->SetText(String());
    EdtISOPathsrc->SetText(String());
    EdtISOPathdst->SetReadOnly(true);
    EdtISOPathsrc->SetReadOnly(true);
    lblState->SetCaption(String());
}

void TMainForm::FormShow(TObject*) { ShowPage(m_Page); }

void TMainForm::ShowPage(int32_t page) { SetupPage(page); }

void TMainForm::HideAllPanels()
{
    for (TPanel* panel : m_Panels)
        panel->SetVisible(false);
}

void TMainForm::ShowPanel(TPanel* panel)
{
    HideAllPanels();
    panel->SetLeft(180);
    panel->SetHeight(205);
    panel->SetVisible(true);
}

void TMainForm::ShowButtons(bool back)
{
    m_btnBack->SetVisible(back);
    m_btnNext->SetVisible(true);
}

void TMainForm::SetCloseEnabled(bool enabled)
{
    HMENU menu = GetSystemMenu(Handle(), FALSE);
    if (menu)
        EnableMenuItem(menu, SC_CLOSE, enabled ? MF_ENABLED : (MF_DISABLED | MF_GRAYED));
}

void TMainForm::SetupPage(int32_t page)
{
    switch (page) {
    case wpSelectDvd:
        ShowPanel(panSelectDVD);
        Label2->SetCaption(T(L"Step1"));
        lblNote->SetCaption(T(L"USB Step1 Note"));
        Label3->SetCaption(T(L"USB Step1 Caption"));
        lblDVDTitle->SetCaption(T(L"Please select"));
        lblWait->SetCaption(T(L"Please wait"));
        ShowButtons(true);
        m_btnNext->SetCaption(T(L"Next"));
        m_btnNext->SetHint(T(L"Next"));
        SetCloseEnabled(true);
        RefreshDvdList();
        break;
    case wpSelectUsb:
        ShowPanel(panSelectUsb);
        Label4->SetCaption(T(L"Step2"));
        lblNote->SetCaption(T(L"USB Note"));
        Label5->SetCaption(T(L"USB Step2 Caption"));
        Label6->SetCaption(T(L"USB Step2 Select Note"));
        CheckBox_NVMe->SetCaption(T(L"Add NVMe"));
        Label_NVMe->SetCaption(T(L"NVMe Instruction"));
        ShowButtons(true);
        SetCloseEnabled(true);
        RefreshUsbList();
        break;
    case wpProgress:
        SetCloseEnabled(false);
        // Only the flows with a pipeline of their own (0 and 1) can have a format step.
        if (m_DlgType >= 0 && m_DlgType <= 1 &&
            Win7InsCreator::HasFormatStep(static_cast<unsigned>(m_DlgType)) && !ConfirmFormat()) {
            m_Page = PageFlowTable[m_DlgType][1];
            SetupPage(m_Page);
            return;
        }
        HideAllPanels();
        lblStatus->SetCaption(T(L"Status"));
        lblScreenTitle->SetCaption(T(L"Step3"));
        if (m_DlgType == 0)
            Label1->SetCaption(T(L"USB Step3 Caption"));
        else if (m_DlgType == 1)
            Label1->SetCaption(T(L"ISO Step3 Caption"));
        panMainScreen->SetLeft(180);
        panMainScreen->SetHeight(205);
        panMainScreen->SetVisible(true);
        lblNote->SetCaption(T(L"USB Step3 Note"));
        ShowButtons(false);
        m_btnNext->SetEnabled(true);
        m_btnNext->SetCaption(T(L"Cancel"));
        m_btnNext->SetHint(T(L"Cancel"));
        StartOperation();
        break;
    case wpSelectIsoFile:
        ShowPanel(Panel_SrcISO);
        lblNote->SetCaption(L"Please select a Windows7 DVD image(.iso) which you want to backup.");
        ShowButtons(true);
        m_btnNext->SetEnabled(!EdtISOPathsrc->Text().IsEmpty());
        m_btnNext->SetCaption(T(L"Next"));
        m_btnNext->SetHint(T(L"Next"));
        SetCloseEnabled(true);
        break;
    case wpSelectIsoFolder:
        HideAllPanels();
        Label10->SetCaption(T(L"Step2"));
        Panel_DstISO->SetLeft(180);
        Panel_DstISO->SetHeight(205);
        Panel_DstISO->SetVisible(true);
        lblNote->SetCaption(T(L"ISO Step2 Note"));
        Label11->SetCaption(T(L"ISO Step2 Caption"));
        ShowButtons(true);
        CheckBox_USBODD->SetCaption(T(L"Compatibility Mode"));
        CheckBox_ISO_NVME->SetCaption(T(L"Add NVMe"));
        Label_USBODD->SetCaption(T(L"Compatibility Instruction") + T(L"NVMe Instruction"));
        m_btnNext->SetEnabled(!EdtISOPathdst->Text().IsEmpty());
        SetCloseEnabled(true);
        break;
    default:
        break;
    }
}

int TMainForm::PageColumn() const
{
    if (m_DlgType < 0 || m_DlgType > 3)
        return -1;
    for (int column = 0; column < 3; ++column) {
        if (PageFlowTable[m_DlgType][column] == m_Page)
            return column;
    }
    return -1;
}

void TMainForm::btnNextClick(TObject*)
{
    if (m_btnNext->Caption() == T(L"Exit")) {
        dlgFirst->Close();
        return;
    }
    int column = PageColumn();
    if (column == 2) {
        m_Page = wpCancelRequested;
        m_btnNext->SetTag(2);
    } else if (column >= 0) {
        m_Page = PageFlowTable[m_DlgType][column + 1];
        m_btnNext->SetTag(1);
        ShowPage(m_Page);
    }
    if (m_btnNext->Tag() == 2 && m_btnNext->Caption() == T(L"Cancel") && m_pOperationThd) {
        m_pOperationThd->Cancel();
    }
}

void TMainForm::btnBackClick(TObject*)
{
    int column = PageColumn();
    if (column == 0) {
        dlgFirst->SetVisible(true);
        Hide();
    } else if (column == 1) {
        m_Page = PageFlowTable[m_DlgType][0];
        ShowPage(m_Page);
    }
}

void TMainForm::BtnNextClick(TObject*) { btnNextClick(nullptr); }

void TMainForm::BtnBackClick(TObject*) { btnBackClick(nullptr); }

bool TMainForm::ConfirmFormat()
{
    String text = T(L"Format warning1") + L" " + m_TargetPath + L" " + T(L"Format warning2");
    return MessageBox(text, T(L"Warning"), MB_YESNO) == IDYES;
}

void TMainForm::FormClose(TObject*, TCloseAction&) { dlgFirst->Close(); }
