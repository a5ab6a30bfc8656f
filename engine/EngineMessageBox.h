#pragma once
// Every message box the engine shows goes through here, so tests can answer them
// without anything ever blocking.
#include <windows.h>

#include <functional>
#include <string>

int EngineMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);

using MessageBoxHook =
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)>;

// Installs a hook in place of MessageBoxW; an empty hook restores MessageBoxW.
void SetMessageBoxHook(MessageBoxHook hook);

// The application's main window, owner of the boxes that ask the user something.
// The wizard sets it at start; it is null in the engine's own tests.
HWND GetApplicationWindow();
void SetApplicationWindow(HWND window);
