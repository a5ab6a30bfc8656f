// Job start, progress and finish on the wizard's page 2. A plain first version: the
// page is drawn, no job runs yet.
#include "ui/Main.h"

void TMainForm::StartOperation() {}

void TMainForm::Dispatch(TMessage& message) { TForm::Dispatch(message); }

void TMainForm::WMWimImageCount(TMessage& message) { m_WimStepCount = static_cast<int32_t>(message.LParam) * 3; }

void TMainForm::WMStepProgress(TMessage&) {}

void TMainForm::Finish(int32_t) {}

String FormatPercent(int32_t value) { return Format(L"%i", value); }
