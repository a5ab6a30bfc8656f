#include "ui/Form1_description.h"

#include "engine/AppPaths.h"
#include "engine/MultiLang.h"
#include "ui/Artwork.h"
#include "ui/ButtonFactory.h"
#include "ui/EulaDialog.h"
#include "ui/FormLayout.h"
#include "ui/Getconfiginfo.h"
#include "ui/Main.h"

using namespace ui_layout;

TdlgFirst* dlgFirst = nullptr;

TdlgFirst::TdlgFirst(TComponent* AOwner) : TWizardForm(AOwner)
{
    BuildLayout();
    lblDesc->SetCaption(TranslateStr(L"Tool Description"));
    dlgEULA = new TdlgEULA(this);
    MainForm = new TMainForm(this);
    Label6->SetCaption(TranslateStr(L"Please select"));
    cmbMode->Items()->Insert(0, TranslateStr(L"ODDToUSB"));
    cmbMode->Items()->Insert(1, TranslateStr(L"ODDToISO"));
    cmbMode->SetItemIndex(0);
    ApplyConfig();
}

void TdlgFirst::BuildLayout()
{
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetScaled(false);
    SetColor(clBtnFace);
    Font()->SetName(L"Tahoma");
    Font()->SetHeight(-11);
    SetClientWidth(712);
    SetClientHeight(302);
    OnCreate = MakeEvent(this, &TdlgFirst::FormCreate);

    Image1 = Make<TImage>(this, this, -2, 0, 173, 303);
    Image1->SetAutoSize(true);
    LoadArtwork(Image1->Picture(), kArtSidePicture, true);
    lblNote = WrapLabel(this, this, 193, 208, 496, 86);
    OwnFont(lblNote, L"Tahoma", -13);
    lblDesc = WrapLabel(this, this, 193, 8, 496, 87);
    cmbMode = Make<TComboBox>(this, this, 193, 128, 417, 21);
    cmbMode->SetStyle(csDropDownList);
    cmbMode->SetTabOrder(0);
    cmbMode->OnChange = MakeEvent(this, &TdlgFirst::cmbModeChange);
    Label6 = Make<TLabel>(this, this, 193, 101);
    OwnFont(Label6, L"Tahoma", -13);

    // The button pictures every form's drawn buttons share; never shown themselves.
    Img_Button_BK = Make<TImage>(this, this, 8, 8, 81, 41);
    MakeButtonBackdrop(Img_Button_BK->Picture(), Color(), ClientWidth(), ClientHeight());
    Img_disable = Make<TImage>(this, this, 507, 155, 97, 28);
    Img_disable->SetAutoSize(true);
    LoadArtwork(Img_disable->Picture(), kArtButtonDisabled, true);
    Image2 = Make<TImage>(this, this, 409, 155, 97, 28);
    LoadArtwork(Image2->Picture(), kArtButtonRaised, false);
    Image4 = Make<TImage>(this, this, 296, 155, 97, 28);
    LoadArtwork(Image4->Picture(), kArtButtonSunken, false);
    Image3 = Make<TImage>(this, this, 193, 155, 97, 28);
    LoadArtwork(Image3->Picture(), kArtButtonHovered, false);
    for (TImage* image : {Img_Button_BK, Img_disable, Image2, Image4, Image3})
        image->SetVisible(false);
    SetVisible(true);
}

void TdlgFirst::ApplyConfig()
{
    Font()->SetName(IsJapaneseSystem() ? L"MS UI Gothic" : L"Microsoft Sans Serif");
    // A logo that cannot be read stops the start with the library's message.
    ApplyConfigCaptionAndLogo(Image1);
}

void TdlgFirst::FormCreate(TObject*)
{
    CreateGsButton(this, Img_Button_BK->Picture()->Bitmap(), m_btnNext, 600, 271, Image2->Picture()->Bitmap(),
                   Image3->Picture()->Bitmap(), Image4->Picture()->Bitmap(), Img_disable->Picture()->Bitmap(),
                   L"Next", L"Next");
    m_btnNext->OnClick = MakeEvent(this, &TdlgFirst::BtnNextClick);
    m_btnNext->SetCaption(TranslateStr(L"Next"));
    m_btnNext->SetHint(TranslateStr(L"Next"));
    cmbModeChange(nullptr);
}

void TdlgFirst::cmbModeChange(TObject*)
{
    switch (cmbMode->ItemIndex()) {
    case 0:
        lblNote->SetCaption(TranslateStr(L"Note") + L"\n" + TranslateStr(L"USB Note"));
        m_btnNext->SetEnabled(true);
        break;
    case 1:
        lblNote->SetCaption(String());
        m_btnNext->SetEnabled(true);
        break;
    case 2:
        lblNote->SetCaption(L"Note:\nISO To USB, Need USB disk/flash");
        m_btnNext->SetEnabled(false);
        break;
    case 3:
        lblNote->SetCaption(L"Note:\nISO To ISO");
        m_btnNext->SetEnabled(false);
        break;
    default:
        break;
    }
}

void TdlgFirst::BtnNextClick(TObject*)
{
    CGetConfigInfo* config = CGetConfigInfo::Instance();
    config->Open(GetProgramFolder() + L"config.xml");
    bool showEula = config->IsShowEula();
    CGetConfigInfo::ReleaseInstance();
    int mode = cmbMode->ItemIndex();
    if (showEula) {
        dlgEULA->SetDlgType(mode);
        dlgEULA->Show();
    } else {
        MainForm->SetDlgType(mode);
        MainForm->SetVisible(true);
    }
    Hide();
}
