#pragma once
// The abstract operation the pipeline runs: 1 from Excute is success, 0 failure.
#include "engine/JobRecord.h"

class BasicOperation {
public:
    BasicOperation() : m_hWnd(nullptr), m_StepCode(STEP_NO_WINDOW) {}
    explicit BasicOperation(HWND window) : m_hWnd(window), m_StepCode(STEP_NO_WINDOW) {}
    BasicOperation(HWND window, int stepCode) : m_hWnd(window), m_StepCode(stepCode) {}
    virtual ~BasicOperation() = default;

    BasicOperation(const BasicOperation&) = delete;
    BasicOperation& operator=(const BasicOperation&) = delete;

    virtual int Excute() = 0;
    virtual int IsInvalid() { return 0; }
    virtual int IsStop() { return 0; }
    virtual void Stop() {}

protected:
    // Posts WM_STEP_PROGRESS with this operation's step code; never waits.
    void PostProgress(int value) const { PostStep(m_StepCode, value); }
    void PostStep(int code, int value) const
    {
        if (m_hWnd)
            PostMessageW(m_hWnd, WM_STEP_PROGRESS, static_cast<WPARAM>(code), static_cast<LPARAM>(value));
    }

    HWND m_hWnd;
    int m_StepCode;
};
