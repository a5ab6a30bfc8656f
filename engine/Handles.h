#pragma once
// Small owners for the system's handles, so that every path out of a function closes
// what it opened. Each owner is move-only and closes at most once.
#include <windows.h>

#include <utility>

// Traits: Empty() is the "nothing held" value, IsValid() tells a held value, Close() frees it.
template <typename T, typename Traits>
class UniqueResource {
public:
    UniqueResource() : m_value(Traits::Empty()) {}
    explicit UniqueResource(T value) : m_value(value) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    T Get() const { return m_value; }
    bool IsValid() const { return Traits::IsValid(m_value); }
    explicit operator bool() const { return IsValid(); }

    // Closes what is held and takes the new value.
    void Reset(T value = Traits::Empty())
    {
        if (Traits::IsValid(m_value))
            Traits::Close(m_value);
        m_value = value;
    }
    // Gives up ownership without closing.
    T Release()
    {
        T value = m_value;
        m_value = Traits::Empty();
        return value;
    }
    // For calls that write a new value: what was held is closed first.
    T* Receive()
    {
        Reset();
        return &m_value;
    }

private:
    T m_value;
};

// Kernel handles. Win32 answers failure with null or INVALID_HANDLE_VALUE depending on the
// call; neither is ever closed.
struct KernelHandleTraits {
    static HANDLE Empty() { return nullptr; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;

struct FindHandleTraits {
    static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
using UniqueFindHandle = UniqueResource<HANDLE, FindHandleTraits>;

struct ModuleTraits {
    static HMODULE Empty() { return nullptr; }
    static bool IsValid(HMODULE h) { return h != nullptr; }
    static void Close(HMODULE h) { ::FreeLibrary(h); }
};
using UniqueModule = UniqueResource<HMODULE, ModuleTraits>;

// A started process: both of CreateProcess's handles.
class ProcessHandles {
public:
    ProcessHandles() = default;
    // Fill through Info() and then call Adopt() once CreateProcess succeeded.
    PROCESS_INFORMATION* Info() { return &m_info; }
    void Adopt()
    {
        m_process.Reset(m_info.hProcess);
        m_thread.Reset(m_info.hThread);
    }
    HANDLE Process() const { return m_process.Get(); }
    HANDLE Thread() const { return m_thread.Get(); }
    void CloseThread() { m_thread.Reset(); }
    void CloseProcess() { m_process.Reset(); }

private:
    PROCESS_INFORMATION m_info{};
    UniqueHandle m_process;
    UniqueHandle m_thread;
};

// A critical section that lives exactly as long as its owner.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&m_section); }
    ~CriticalSection() { DeleteCriticalSection(&m_section); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() { EnterCriticalSection(&m_section); }
    void Leave() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CriticalSection& section) : m_section(section) { m_section.Enter(); }
    ~CriticalSectionLock() { m_section.Leave(); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CriticalSection& m_section;
};
