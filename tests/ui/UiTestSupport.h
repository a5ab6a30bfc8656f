#pragma once
// Helpers for the wizard's window tests: answered message boxes, a message pump with a
// deadline, screenshots and the files the program reads beside itself.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "forms/Forms.h"
#include "forms2/FormsTestSupport.h"

namespace ui_test {

struct Box {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT flags;
};

// Every library message box goes here: answered from the queue (IDOK, or IDNO for a
// Yes/No box, when it is empty) and recorded.
class Boxes {
public:
    static void Install();
    static void Answer(int answer) { Queue().push_back(answer); }
    static std::vector<Box>& Shown();
    static void Clear();

private:
    static std::deque<int>& Queue();
};

using forms_test::Pump;
using forms_test::PumpUntil;

// Saves what the window shows on the screen, frame included,
// as a PNG file in the bin folder's "screenshots" folder. Returns the file's path.
std::wstring SaveScreenshot(TCustomForm* form, const std::wstring& name);

// Writes a program folder holding config.xml and the given licence files.
void WriteConfig(const std::wstring& folder, const std::string& isShowEula,
                 const std::vector<std::pair<std::string, std::string>>& eulas);

// "english", "japanese", "spanish" or "french": the language the test run expects.
std::string ExpectedLanguage();

} // namespace ui_test
