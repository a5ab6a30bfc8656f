#include "wizard_e2e/Screenshot.h"

#include "forms/PngImage.h"

#include <vector>

namespace wizard_e2e {

namespace {

// The screen pixels of a rectangle as top-down BGRA rows.
std::vector<uint8_t> Grab(const RECT& r, int& w, int& h)
{
    w = r.right - r.left;
    h = r.bottom - r.top;
    std::vector<uint8_t> rows;
    if (w <= 0 || h <= 0)
        return rows;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    rows.assign(static_cast<uint8_t*>(bits), static_cast<uint8_t*>(bits) + static_cast<size_t>(w) * h * 4);
    for (size_t i = 3; i < rows.size(); i += 4)
        rows[i] = 255;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return rows;
}

void SendMouse(DWORD flags)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof(INPUT));
}

void SendKey(WORD vk, bool up)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof(INPUT));
}

} // namespace

bool SaveWindowShot(HWND window, const std::wstring& pngPath)
{
    RECT r;
    if (!GetWindowRect(window, &r))
        return false;
    // Paint what is due first (only a window of this process paints here).
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    int w = 0, h = 0;
    std::vector<uint8_t> rows = Grab(r, w, h);
    if (rows.empty())
        return false;
    std::vector<uint8_t> png = EncodePng(w, h, rows.data(), static_cast<size_t>(w) * 4);
    HANDLE file = CreateFileW(pngPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
    CloseHandle(file);
    return written == png.size();
}

unsigned long long ClientHash(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    int w = 0, h = 0;
    unsigned long long hash = 1469598103934665603ull;
    for (uint8_t b : Grab(r, w, h))
        hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

void ClickClient(HWND window, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
    Sleep(60);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(40);
    SendMouse(MOUSEEVENTF_LEFTUP);
    Sleep(60);
}

void PressKey(WORD vk, bool alt)
{
    if (alt)
        SendKey(VK_MENU, false);
    SendKey(vk, false);
    SendKey(vk, true);
    if (alt)
        SendKey(VK_MENU, true);
    Sleep(50);
}

void TypeText(const std::wstring& text)
{
    for (wchar_t c : text) {
        INPUT in[2] = {};
        for (int i = 0; i < 2; ++i) {
            in[i].type = INPUT_KEYBOARD;
            in[i].ki.wScan = c;
            in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, in, sizeof(INPUT));
        Sleep(30);
    }
}

std::wstring ShotFolder()
{
    // The test programs run in the build tree's bin folder.
    std::wstring folder = L"..\\screenshots\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

} // namespace wizard_e2e
