#include "engine/EngineMessageBox.h"

#include <atomic>
#include <mutex>

namespace {
std::mutex g_lock;
MessageBoxHook g_hook;
std::atomic<HWND> g_appWindow{nullptr};
} // namespace

int EngineMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)
{
    MessageBoxHook hook;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        hook = g_hook;
    }
    if (hook)
        return hook(owner, text, caption, type);
    return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

void SetMessageBoxHook(MessageBoxHook hook)
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_hook = std::move(hook);
}

HWND GetApplicationWindow() { return g_appWindow.load(); }
void SetApplicationWindow(HWND window) { g_appWindow.store(window); }
