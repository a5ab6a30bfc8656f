#include "support/ProgressWindow.h"

#include "engine/JobRecord.h"

#include <gtest/gtest.h>

namespace testing_support {

namespace {
const wchar_t kClassName[] = L"TestProgressWindow";
}

ProgressWindow::ProgressWindow()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &ProgressWindow::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc); // fails harmlessly when already registered
    m_hWnd = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    EXPECT_NE(m_hWnd, nullptr);
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

ProgressWindow::~ProgressWindow()
{
    if (m_hWnd)
        DestroyWindow(m_hWnd);
}

std::vector<std::pair<int, int>> ProgressWindow::Steps()
{
    MSG msg;
    while (PeekMessageW(&msg, m_hWnd, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    std::vector<std::pair<int, int>> steps;
    steps.swap(m_steps);
    return steps;
}

bool ProgressWindow::Pump(HANDLE until, DWORD timeoutMs)
{
    auto dispatch = [] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    };
    DWORD start = GetTickCount();
    for (;;) {
        dispatch();
        if (!until)
            return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return WaitForSingleObject(until, 0) == WAIT_OBJECT_0;
        if (MsgWaitForMultipleObjects(1, &until, FALSE, timeoutMs - elapsed, QS_ALLINPUT) == WAIT_OBJECT_0) {
            // Take what was posted before the end too.
            dispatch();
            return true;
        }
    }
}

std::vector<int> ProgressWindow::Values(int code) const
{
    std::vector<int> values;
    for (const auto& message : m_messages)
        if (message.first == code)
            values.push_back(message.second);
    return values;
}

LRESULT CALLBACK ProgressWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == WM_STEP_PROGRESS) {
        self->m_steps.emplace_back(static_cast<int>(wParam), static_cast<int>(lParam));
        self->m_messages.emplace_back(static_cast<int>(wParam), static_cast<int>(lParam));
        return 0;
    }
    if (self && message == WM_WIM_IMAGE_COUNT) {
        self->m_imageCounts.push_back(static_cast<int>(lParam));
        self->m_messages.emplace_back(kImageCount, static_cast<int>(lParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace testing_support
