#include "FormsTestSupport.h"

#include <cstdio>

namespace forms_test {

std::vector<std::wstring>& MessageBoxTexts()
{
    static std::vector<std::wstring> texts;
    return texts;
}

std::vector<HWND>& MessageBoxOwners()
{
    static std::vector<HWND> owners;
    return owners;
}

void SetUpApplication()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    Application->Initialize();
    SetFormsMessageBoxHook([](HWND owner, const String& text, const String&, UINT) {
        MessageBoxTexts().push_back(text);
        MessageBoxOwners().push_back(owner);
        return IDOK;
    });
}

bool PumpUntil(const std::function<bool()>& cond, int ms)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (!cond()) {
        Application->ProcessMessages();
        if (static_cast<int>(end - GetTickCount()) < 0)
            return cond();
        Sleep(1);
    }
    return true;
}

void Pump(int ms)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (static_cast<int>(end - GetTickCount()) >= 0) {
        Application->ProcessMessages();
        Sleep(1);
    }
}

std::string EventLog::Joined() const
{
    std::string out;
    for (const auto& e : entries) {
        if (!out.empty())
            out += ",";
        out += e;
    }
    return out;
}

void EventLog::MouseDown(TObject*, TMouseButton b, TShiftState s, int x, int y)
{
    char buf[64];
    snprintf(buf, sizeof(buf), "down%d%s(%d,%d)", static_cast<int>(b), s.Contains(ssDouble) ? "d" : "", x, y);
    Add(buf);
}

void EventLog::MouseUp(TObject*, TMouseButton b, TShiftState, int x, int y)
{
    char buf[64];
    snprintf(buf, sizeof(buf), "up%d(%d,%d)", static_cast<int>(b), x, y);
    Add(buf);
}

} // namespace forms_test

namespace forms_test {

Watchdog::Watchdog(DWORD ms) : m_disarm(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_ms(ms)
{
    m_thread = CreateThread(nullptr, 0, &Watchdog::Run, this, 0, nullptr);
}

Watchdog::~Watchdog()
{
    SetEvent(m_disarm);
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    CloseHandle(m_disarm);
}

DWORD WINAPI Watchdog::Run(void* self)
{
    auto* w = static_cast<Watchdog*>(self);
    if (WaitForSingleObject(w->m_disarm, w->m_ms) == WAIT_TIMEOUT) {
        fprintf(stderr, "watchdog: the test hung\n");
        fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    return 0;
}

} // namespace forms_test
