#include "engine/CheckOperation.h"

#include "engine/EngineMessageBox.h"
#include "engine/TraceLog.h"

CompleteOperation::CompleteOperation() { TraceLog(L"CompleteOperation create"); }

int CompleteOperation::Excute()
{
    TraceLog(L"CompleteOperation Excute");
    EngineMessageBox(nullptr, L"CompleteOperation::Tune Excute invalide", L"BrindleImp", MB_OK);
    return 0;
}
