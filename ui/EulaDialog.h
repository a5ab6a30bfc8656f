#pragma once
// The licence page: shows the licence text of the user's language and lets the wizard
// go on only once the user agrees.
#include <cstdint>

#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "ui/WizardForm.h"

class GsButton;

class TdlgEULA : public TWizardForm {
public:
    explicit TdlgEULA(TComponent* AOwner);

    TMemo* EULAMemo;
    TCheckBox* CheckBox1;
    TLabel* Label1;
    TImage* Image1;
    TLabel* Label2;

    void SetDlgType(int32_t mode) { m_DlgType = mode; }
    int32_t DlgType() const { return m_DlgType; }

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void CheckBox1Click(TObject* Sender);
    void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void BtnNextClick(TObject* Sender);
    void BtnBackClick(TObject* Sender);
    void ApplyConfig();

    GsButton* m_btnNext = nullptr;
    GsButton* m_btnBack = nullptr;

private:
    void BuildLayout();
    void LoadLicence(const String& fileName);

    // This page has a colour of its own: its buttons take their background from here.
    TImage* m_buttonBackdrop = nullptr;

    int32_t m_DlgType = 1;
};

// The licence file named for a language: relative names count from the program's folder,
// where the licence texts are shipped.
String ResolveLicencePath(const String& configured);

extern TdlgEULA* dlgEULA;
