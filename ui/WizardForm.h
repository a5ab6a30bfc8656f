#pragma once
// What the wizard's three forms share: each is a tool window that stays off the task
// bar, and each shows the caption and side picture that config.xml gives.
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"

class TWizardForm : public TForm {
public:
    explicit TWizardForm(TComponent* AOwner) : TForm(AOwner) {}

protected:
    void CreateParams(TCreateParams& params) override;
    // Caption = the configured title, a blank and the version; a configured logo replaces
    // the side picture. A logo that can't be loaded raises the library's exception.
    void ApplyConfigCaptionAndLogo(TImage* sidePicture);
};
