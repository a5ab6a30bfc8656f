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

    // Handles this thread's queued messages; with a handle, keeps pumping until it is
    // signalled or the time-out passes. False on time-out.
    bool Pump(HANDLE until = nullptr, DWORD timeoutMs = 0);
    // Every step message and image count since the window was made, in arrival order; an
    // image count is recorded as code kImageCount with the count as its value.
    static constexpr int kImageCount = -1;
    const std::vector<std::pair<int, int>>& Messages() const { return m_messages; }
    // The values of the messages with this code, in arrival order.
    std::vector<int> Values(int code) const;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    std::vector<std::pair<int, int>> m_steps;
    std::vector<int> m_imageCounts;
    std::vector<std::pair<int, int>> m_messages;
};

} // namespace testing_support
