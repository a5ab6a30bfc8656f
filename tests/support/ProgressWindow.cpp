#include "support/ProgressWindow.h"

#include "engine/JobRecord.h"

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
    m_hWnd = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             wc.hInstance, nullptr);
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

LRESULT CALLBACK ProgressWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == WM_STEP_PROGRESS) {
        self->m_steps.emplace_back(static_cast<int>(wParam), static_cast<int>(lParam));
        return 0;
    }
    if (self && message == WM_WIM_IMAGE_COUNT) {
        self->m_imageCounts.push_back(static_cast<int>(lParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace testing_support
