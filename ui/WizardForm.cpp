#include "ui/WizardForm.h"

#include "engine/AppPaths.h"
#include "ui/Getconfiginfo.h"

void TWizardForm::CreateParams(TCreateParams& params)
{
    TForm::CreateParams(params);
    params.ExStyle &= ~static_cast<DWORD>(WS_EX_APPWINDOW);
    params.ExStyle |= WS_EX_TOOLWINDOW;
}

void TWizardForm::ApplyConfigCaptionAndLogo(TImage* sidePicture)
{
    CGetConfigInfo* config = CGetConfigInfo::Instance();
    config->Open(GetProgramFolder() + L"config.xml");
    SetCaption(config->GetTitle() + L" " + config->GetVersion());
    std::wstring logo = config->GetLogoPath();
    CGetConfigInfo::ReleaseInstance();
    if (!logo.empty())
        sidePicture->Picture()->LoadFromFile(logo);
}
