#include "UiTestSupport.h"

#include <cstdlib>

#include "support/TestSupport.h"
#include "wizard_e2e/Screenshot.h"

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

std::wstring SaveScreenshot(TCustomForm* form, const std::wstring& name)
{
    // The test's windows are unmanaged: Wine draws their frames, so the screen holds all.
    HWND window = form->Handle();
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(150);
    CreateDirectoryW(L"screenshots", nullptr);
    std::wstring path = L"screenshots\\" + name + L".png";
    wizard_e2e::SaveWindowShot(window, path);
    return path;
}

void WriteConfig(const std::wstring& folder, const std::string& isShowEula,
                 const std::vector<std::pair<std::string, std::string>>& eulas)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<brindlesln>"
                      "<currenttype>0</currenttype><version>1.0</version><type key=\"0\"><ui>"
                      "<title>BrindleSln</title><logopath></logopath>";
    if (!isShowEula.empty())
        xml += "<isshoweula>" + isShowEula + "</isshoweula>";
    xml += "</ui><eula>";
    for (const auto& e : eulas)
        xml += "<" + e.first + ">" + e.second + "</" + e.first + ">";
    xml += "</eula></type></brindlesln>\n";
    testing_support::WriteBytes(folder + L"config.xml", xml);
}

std::string ExpectedLanguage()
{
    const char* lang = std::getenv("BRINDLE_EXPECT_LANG");
    return lang ? lang : "english";
}

} // namespace ui_test
