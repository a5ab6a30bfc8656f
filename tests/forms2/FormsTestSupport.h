#pragma once
// Helpers for the forms library's window tests: the application set up once, a message
// pump with a deadline, answered message boxes and an event log.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "forms/Forms.h"

namespace forms_test {

// Initialises the application once and answers every library message box with IDOK,
// recording its text.
void SetUpApplication();
std::vector<std::wstring>& MessageBoxTexts();
std::vector<HWND>& MessageBoxOwners();

// Handles messages until cond holds or ms pass; false on timeout.
bool PumpUntil(const std::function<bool()>& cond, int ms = 3000);
// Handles messages for ms milliseconds.
void Pump(int ms);

// Collects what events report, in order.
class EventLog : public TObject {
public:
    std::vector<std::string> entries;
    void Add(const std::string& s) { entries.push_back(s); }
    std::string Joined() const;

    void Click(TObject*) { Add("click"); }
    void DblClick(TObject*) { Add("dblclick"); }
    void Change(TObject*) { Add("change"); }
    void Enter(TObject*) { Add("enter"); }
    void Exit(TObject*) { Add("exit"); }
    void MouseDown(TObject*, TMouseButton b, TShiftState s, int x, int y);
    void MouseUp(TObject*, TMouseButton b, TShiftState s, int x, int y);
    void Timer(TObject*) { Add("timer"); }
};

} // namespace forms_test

namespace forms_test {

// Ends the process with a failure when not disarmed in time, so a deadlock fails the
// test instead of hanging it.
class Watchdog {
public:
    explicit Watchdog(DWORD ms);
    ~Watchdog();

private:
    HANDLE m_disarm;
    HANDLE m_thread;
    DWORD m_ms;
    static DWORD WINAPI Run(void* self);
};

} // namespace forms_test
