// Program start: one copy of the wizard at a time, then the mode dialog as main form.
#include <windows.h>

#include "engine/EngineMessageBox.h"
#include "forms/Forms.h"
#include "ui/Form1_description.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Another copy runs: leave without a word.
    HANDLE existing = OpenMutexW(0, FALSE, L"BRINDLESLN");
    if (existing) {
        CloseHandle(existing);
        return 0;
    }
    // Kept open for the life of the process.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"BRINDLESLN");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (mutex)
            CloseHandle(mutex);
        return 0;
    }
    try {
        Application->Initialize();
        Application->SetMainFormOnTaskBar(true);
        SetApplicationWindow(Application->Handle());
        Application->CreateForm(dlgFirst);
        Application->Run();
    } catch (Exception& e) {
        Application->ShowException(&e);
    } catch (...) {
        Exception e{String()};
        Application->ShowException(&e);
    }
    // Forms and their threads end here, not in static destruction.
    Application->Shutdown();
    return 0;
}
