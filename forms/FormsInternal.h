#pragma once
// Links between the library's units that applications don't use.
#include <windows.h>

class TControl;

namespace forms_internal {

HINSTANCE Instance();
// Shows the exception being handled (inside a catch block) through the application.
void HandleCurrentException();
// The control under the mouse changed: leave and enter events.
void SetMouseControl(TControl* control);
// Sends the leave notice when the mouse has left the control it was over; true while
// it is still over one.
bool CheckMouseControl();
// Forget every reference the library keeps to a control being destroyed.
void ControlDestroyed(TControl* control);
// The shared tool-tip window (made on first use).
HWND ToolTipWindow();
// Fires the OnCreate of forms whose construction has finished.
void FlushPendingFormCreates();
// Runs queued thread synchronisations; true when one ran.
bool RunSynchronize();
// Set while synchronisations wait; the message loop waits on it beside its messages.
HANDLE SyncEvent();
// Nudges the UI thread's message loops (modal ones too) to run synchronisations.
void WakeMainThread();
// Set by Application->Shutdown: no window is made from then on.
bool ApplicationShutDown();
// Lets a test run the message loop again after a Terminate.
void ResetApplicationTermination();
} // namespace forms_internal
