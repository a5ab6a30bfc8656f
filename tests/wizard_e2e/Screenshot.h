#pragma once
// Screenshots of windows as a person sees them (taken from the screen), saved as PNG, and
// real mouse and keyboard input, for the wizard's end-to-end tests.
#include <windows.h>

#include <string>

namespace wizard_e2e {

// The window's screen area (frame included) as a PNG file; false when nothing was drawn.
bool SaveWindowShot(HWND window, const std::wstring& pngPath);
// A hash of the window's client pixels, to tell whether it changed since the last shot.
unsigned long long ClientHash(HWND window);

// Moves the pointer onto the client point and clicks the left button.
void ClickClient(HWND window, int x, int y);
void PressKey(WORD vk, bool alt = false);
void TypeText(const std::wstring& text);

// The screenshot folder of the build tree (created), ending in a backslash.
std::wstring ShotFolder();

} // namespace wizard_e2e
