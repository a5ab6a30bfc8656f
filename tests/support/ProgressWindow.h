#pragma once
// A message-only window that stands in for the wizard's main form: it collects the
// step messages the engine posts, and answers (and records) the image counts it sends.
// Create it on the thread that will read it; posts from other threads queue up there.
#include <windows.h>

#include <utility>
#include <vector>

namespace testing_support {

class ProgressWindow {
public:
    ProgressWindow();
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    HWND Handle() const { return m_hWnd; }

    // Pumps this thread's queue and returns every (code, value) of WM_STEP_PROGRESS in
    // arrival order since the last call.
    std::vector<std::pair<int, int>> Steps();
    // Image counts received through WM_WIM_IMAGE_COUNT since the window was made.
    std::vector<int> ImageCounts() const { return m_imageCounts; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    std::vector<std::pair<int, int>> m_steps;
    std::vector<int> m_imageCounts;
};

} // namespace testing_support
