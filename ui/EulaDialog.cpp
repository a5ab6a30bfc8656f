#include "ui/EulaDialog.h"

#include <shlwapi.h>

#include <exception>
#include <memory>

#include "engine/AppPaths.h"
#include "engine/MultiLang.h"
#include "engine/TraceLog.h"
#include "src/xml/GsXml.h"
#include "ui/Artwork.h"
#include "ui/ButtonFactory.h"
#include "ui/Form1_description.h"
#include "ui/FormLayout.h"
#include "ui/Getconfiginfo.h"
#include "ui/Main.h"

using namespace ui_layout;

TdlgEULA* dlgEULA = nullptr;

String ResolveLicencePath(const String& configured)
{
    if (configured.IsEmpty() || !PathIsRelativeW(configured.c_str()))
        return configured;
    // "\name" is relative to the current drive only: leave it as it is.
    if (configured[0] == L'\\' || configured[0] == L'/')
        return configured;
    return String(GetProgramFolder()) + configured;
}

TdlgEULA::TdlgEULA(TComponent* AOwner) : TWizardForm(AOwner)
{
    BuildLayout();
    m_DlgType = 1;
    CGetConfigInfo* config = CGetConfigInfo::Instance();
    config->Open(GetProgramFolder() + L"config.xml");
    std::string language = gs::WideToAnsi(ToLowerWString(GetLangName()));
    String licence = config->GetEula(language);
    if (licence.IsEmpty())
        licence = config->GetEula("english");
    CGetConfigInfo::ReleaseInstance();
    licence = ResolveLicencePath(licence);
    if (!licence.IsEmpty() && FileExists(licence)) {
        // A licence another program holds open, or one too large to read, is no reason to
        // stop the start: the page comes up as it does without a licence file.
        try {
            LoadLicence(licence);
        } catch (const Exception& e) {
            TraceLog(L"[TdlgEULA] licence not read: " + std::wstring(e.Message()));
            EULAMemo->Lines()->Clear();
        } catch (const std::exception& e) {
            TraceLog(L"[TdlgEULA] licence not read: \"" + std::wstring(licence) + L"\". " +
                     AStringToWString(e.what()));
            EULAMemo->Lines()->Clear();
        }
    }
    ApplyConfig();
}

void TdlgEULA::BuildLayout()
{
    SetBorderStyle(bsSingle);
    SetBorderIcons(TBorderIcons{biSystemMenu});
    SetPosition(poScreenCenter);
    SetScaled(false);
    SetColor(TColor(0xEDE8E5));
    Font()->SetName(L"Microsoft Sans Serif");
    Font()->SetHeight(-11);
    SetClientWidth(712);
    SetClientHeight(302);
    // Alt+F4 must reach FormKeyDown before the focused control.
    SetKeyPreview(true);
    OnClose = MakeEvent(this, &TdlgEULA::FormClose);
    OnCreate = MakeEvent(this, &TdlgEULA::FormCreate);
    OnKeyDown = MakeEvent(this, &TdlgEULA::FormKeyDown);
    OnShow = MakeEvent(this, &TdlgEULA::FormShow);

    EULAMemo = Make<TMemo>(this, this, 192, 93, 497, 146);
    EULAMemo->SetReadOnly(true);
    EULAMemo->SetScrollBars(ssVertical);
    EULAMemo->SetTabOrder(0);
    CheckBox1 = Make<TCheckBox>(this, this, 400, 245, 97, 17);
    CheckBox1->SetCaption(L"&I agree");
    CheckBox1->SetTabOrder(1);
    CheckBox1->OnClick = MakeEvent(this, &TdlgEULA::CheckBox1Click);
    Label1 = WrapLabel(this, this, 192, 13, 497, 74);
    OwnFont(Label1, L"Microsoft Sans Serif", -11);
    Image1 = Make<TImage>(this, this, -2, 0, 173, 303);
    Image1->SetAutoSize(true);
    LoadArtwork(Image1->Picture(), kArtSidePicture, true);
    m_buttonBackdrop = Make<TImage>(this, this, 0, 0, 1, 1);
    m_buttonBackdrop->SetVisible(false);
    MakeButtonBackdrop(m_buttonBackdrop->Picture(), Color(), ClientWidth(), ClientHeight());
    Label2 = WrapLabel(this, this, 192, 41, 497, 46);
    // Empty and above Label1: it must never paint over that label's text.
    Label2->SetTransparent(true);
}

void TdlgEULA::LoadLicence(const String& fileName)
{
    EULAMemo->Lines()->Clear();
    std::unique_ptr<TStringList> lines(new TStringList());
    lines->LoadFromFile(fileName);
    TStrings* memoLines = EULAMemo->Lines();
    memoLines->BeginUpdate();
    try {
        for (int i = 0; i < lines->Count(); ++i)
            memoLines->Add(lines->Get(i));
    } catch (...) {
        memoLines->EndUpdate();
        throw;
    }
    memoLines->EndUpdate();
}

void TdlgEULA::ApplyConfig()
{
    Font()->SetName(IsJapaneseSystem() ? L"MS UI Gothic" : L"Microsoft Sans Serif");
    EULAMemo->Font()->SetName(L"Microsoft Sans Serif");
    ApplyConfigCaptionAndLogo(Image1);
}

void TdlgEULA::FormCreate(TObject*)
{
    TBitmap* bkgnd = m_buttonBackdrop->Picture()->Bitmap();
    TBitmap* raised = dlgFirst->Image2->Picture()->Bitmap();
    TBitmap* hovered = dlgFirst->Image3->Picture()->Bitmap();
    TBitmap* sunken = dlgFirst->Image4->Picture()->Bitmap();
    TBitmap* disabled = dlgFirst->Img_disable->Picture()->Bitmap();
    CreateGsButton(this, bkgnd, m_btnNext, 600, 271, raised, hovered, sunken, disabled, L"Next", L"Next");
    CreateGsButton(this, bkgnd, m_btnBack, 480, 271, raised, hovered, sunken, disabled, L"Back", L"Back");
    m_btnNext->OnClick = MakeEvent(this, &TdlgEULA::BtnNextClick);
    m_btnBack->OnClick = MakeEvent(this, &TdlgEULA::BtnBackClick);
    m_btnNext->SetEnabled(false);
    CheckBox1->SetCaption(TranslateStr(L"I agree"));
    m_btnNext->SetCaption(TranslateStr(L"Next"));
    m_btnNext->SetHint(TranslateStr(L"Next"));
    m_btnBack->SetCaption(TranslateStr(L"Back"));
    m_btnBack->SetHint(TranslateStr(L"Back"));
}

void TdlgEULA::FormShow(TObject*)
{
    // The agreement is asked for again every time the page is shown.
    if (CheckBox1->Checked())
        CheckBox1->SetChecked(false);
    switch (m_DlgType) {
    case 0:
    case 1:
        Label1->SetCaption(TranslateStr(L"Tool Description"));
        break;
    case 2:
        Label1->SetCaption(L"ISO TO USB ");
        break;
    case 3:
        Label1->SetCaption(L"ISO TO ISO");
        break;
    default:
        break;
    }
}

void TdlgEULA::CheckBox1Click(TObject*)
{
    if (m_btnNext)
        m_btnNext->SetEnabled(CheckBox1->Checked());
}

void TdlgEULA::FormKeyDown(TObject*, WORD& Key, TShiftState Shift)
{
    if (Shift.Contains(ssAlt) && Key == VK_F4)
        Key = 0;
}

void TdlgEULA::FormClose(TObject*, TCloseAction&) { dlgFirst->Close(); }

void TdlgEULA::BtnNextClick(TObject*)
{
    MainForm->SetDlgType(m_DlgType);
    MainForm->SetVisible(true);
    Hide();
}

void TdlgEULA::BtnBackClick(TObject*)
{
    dlgFirst->SetVisible(true);
    Hide();
}
