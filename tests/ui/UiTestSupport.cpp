#include "UiTestSupport.h"

#include <cstdlib>

#include "forms/PngImage.h"
#include "support/TestSupport.h"

namespace ui_test {

std::deque<int>& Boxes::Queue()
{
    static std::deque<int> queue;
    return queue;
}

std::vector<Box>& Boxes::Shown()
{
    static std::vector<Box> shown;
    return shown;
}

void Boxes::Clear()
{
    Shown().clear();
    Queue().clear();
}

void Boxes::Install()
{
    SetFormsMessageBoxHook([](HWND owner, const String& text, const String& caption, UINT flags) {
        Shown().push_back(Box{owner, text, caption, flags});
        if (!Queue().empty()) {
            int answer = Queue().front();
            Queue().pop_front();
            return answer;
        }
        return (flags & 0xF) == MB_YESNO ? IDNO : IDOK;
    });
}

bool PumpUntil(const std::function<bool()>& cond, int ms)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (!cond()) {
        Application->ProcessMessages();
        if (static_cast<int>(end - GetTickCount()) < 0) return cond();
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

std::wstring SaveScreenshot(TCustomForm* form, const std::wstring& name)
{
    // The test's windows are unmanaged: Wine draws their frames, so the screen holds all.
    HWND window = form->Handle();
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(150);
    RECT r;
    GetWindowRect(window, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    TBitmap shot;
    shot.SetPixelFormat(pf32bit);
    shot.SetSize(w, h);
    HDC screen = GetDC(nullptr);
    BitBlt(shot.Canvas()->Handle(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    std::vector<uint8_t> rows(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        auto* src = static_cast<const uint32_t*>(shot.ScanLine(y));
        auto* dst = reinterpret_cast<uint32_t*>(&rows[static_cast<size_t>(y) * w * 4]);
        for (int x = 0; x < w; ++x) dst[x] = src[x] | 0xFF000000u;
    }
    std::vector<uint8_t> png = EncodePng(w, h, rows.data(), static_cast<size_t>(w) * 4);
    CreateDirectoryW(L"screenshots", nullptr);
    std::wstring path = L"screenshots\\" + name + L".png";
    testing_support::WriteBytes(path, std::string(png.begin(), png.end()));
    return path;
}

void WriteConfig(const std::wstring& folder, const std::string& isShowEula,
                 const std::vector<std::pair<std::string, std::string>>& eulas)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<brindlesln>"
                      "<currenttype>0</currenttype><version>1.0</version><type key=\"0\"><ui>"
                      "<title>BrindleSln</title><logopath></logopath>";
    if (!isShowEula.empty()) xml += "<isshoweula>" + isShowEula + "</isshoweula>";
    xml += "</ui><eula>";
    for (const auto& e : eulas) xml += "<" + e.first + ">" + e.second + "</" + e.first + ">";
    xml += "</eula></type></brindlesln>\n";
    testing_support::WriteBytes(folder + L"config.xml", xml);
}

std::string ExpectedLanguage()
{
    const char* lang = std::getenv("BRINDLE_EXPECT_LANG");
    return lang ? lang : "english";
}

} // namespace ui_test
