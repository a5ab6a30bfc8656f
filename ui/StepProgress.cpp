#include "ui/StepProgress.h"

#include "engine/BrindleImp.h"

namespace {

// Signed division truncating toward zero; nothing to share out without a divisor.
int Share(int value, int divisor) { return divisor == 0 ? 0 : value / divisor; }

StepView Key(const wchar_t* key) { return {StepText::Key, key, 0}; }
StepView Fixed(const wchar_t* text) { return {StepText::Fixed, text, 0}; }

} // namespace

StepView ApplyStep(StepProgressState& s, int code, int v, int wim)
{
    const int n = s.stepCount;
    int part = 0;
    StepView view{StepText::Unchanged, nullptr, 0};
    switch (code) {
    case 0:
        view = Key(L"Format");
        part = Share(v, n);
        break;
    case 1:
        view = Key(L"Format success");
        s.total += Share(100, n);
        break;
    case 2:
        view = Key(L"Copy OS");
        part = s.lastCopy = Share(v, n);
        break;
    case 3:
        view = Key(L"Copy success");
        s.total += s.lastCopy;
        s.lastCopy = 0;
        break;
    case 4:
        view = Key(L"Copy");
        break;
    case 5:
        view = Key(L"Copy");
        part = s.lastCopy = Share(v, n);
        break;
    case 6:
        view = Key(L"Mount");
        part = Share(Share(v, wim), n);
        break;
    case 7:
        view = Key(L"Mount success");
        s.total += Share(Share(100, n), wim);
        break;
    case 8:
        view = Fixed(L"Mounting the .wim fail.");
        break;
    case 9:
        view = Key(L"Adding driver");
        break;
    case 10:
        view = Key(L"Commit");
        part = Share(Share(v, wim), n);
        break;
    case 11:
        view = Key(L"Commit success");
        s.total += Share(Share(100, n), wim);
        break;
    case 12:
        view = Fixed(L"Committing the .wim fail.");
        break;
    case 13:
        view = Key(L"UnMount");
        part = Share(Share(v, wim), n);
        break;
    case 14:
        view = Key(L"UnMount");
        s.total += Share(Share(100, n), wim);
        break;
    case 15:
        view = Fixed(L"UnMount success");
        break;
    case 17:
        view = Key(L"Generating ISO");
        part = Share(v, n);
        break;
    case 18:
        view = Key(L"CancelStatus");
        s.total = 0;
        break;
    case 19:
        view = Key(L"Finish");
        s.total = 0;
        part = 100;
        break;
    default: // 16 and unknown codes
        break;
    }
    view.position = s.total + part;
    return view;
}

StepProgressState& ProgressStateFor(int dlgType)
{
    static StepProgressState state;
    if (!state.counted) {
        state.stepCount = dlgType < 0 ? 0 : Win7InsCreator::GetStateCount(static_cast<unsigned>(dlgType));
        state.counted = true;
    }
    return state;
}
