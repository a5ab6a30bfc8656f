#pragma once
// The mode dialog, the application's main form: the user picks disc-to-USB or
// disc-to-ISO and goes on to the licence page or straight to the wizard.
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "ui/WizardForm.h"

class GsButton;

class TdlgFirst : public TWizardForm {
public:
    explicit TdlgFirst(TComponent* AOwner);

    TImage* Image1;
    TLabel* lblNote;
    TLabel* lblDesc;
    TComboBox* cmbMode;
    TLabel* Label6;
    TImage* Img_Button_BK;
    TImage* Img_disable;
    TImage* Image2; // raised
    TImage* Image4; // sunken
    TImage* Image3; // hovered

    void FormCreate(TObject* Sender);
    void cmbModeChange(TObject* Sender);
    void BtnNextClick(TObject* Sender);
    void ApplyConfig();

    GsButton* m_btnNext = nullptr;

private:
    void BuildLayout();
};

extern TdlgFirst* dlgFirst;
