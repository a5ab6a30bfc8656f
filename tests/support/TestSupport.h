#pragma once
// Helpers every test area shares.
#include "hooks/TestHooks.h"

#include <windows.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under %TEMP%, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    // A fresh folder under `base` (which ends in a backslash) instead.
    explicit TempDir(const std::wstring& base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending in a backslash.
    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& relative) const { return m_path + relative; }

private:
    std::wstring m_path;
};

// Removes a folder tree, clearing read-only attributes on the way.
void RemoveTree(const std::wstring& path);
// Creates every missing level of a folder.
bool MakeDirs(const std::wstring& path);

bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool DirExists(const std::wstring& path);
// A file of the given size whose content is left sparse where the file system allows.
bool MakeSizedFile(const std::wstring& path, unsigned long long size);

std::string Narrow(const std::wstring& text); // ANSI code page
std::wstring Widen(const std::string& text);  // ANSI code page

// Answers every box the engine shows while it lives, and records them.
// Thread-safe: the engine shows its boxes from the worker thread.
class MessageBoxRecorder {
public:
    struct Box {
        HWND owner;
        std::wstring text;
        std::wstring caption;
        UINT type;
    };

    MessageBoxRecorder();
    ~MessageBoxRecorder();

    // Answers given in order; when none is left, Yes/No boxes get IDNO and others IDOK.
    void QueueAnswer(int answer);
    std::vector<Box> Boxes() const;
    size_t Count() const;

private:
    mutable std::mutex m_lock;
    std::vector<Box> m_boxes;
    std::deque<int> m_answers;
};

// Points the program folder at a test folder for its lifetime.
class ScopedProgramFolder {
public:
    explicit ScopedProgramFolder(const std::wstring& folder);
    ~ScopedProgramFolder();
};

// Points the engine's working folder (trace log, DISM log, mounts) at a test folder.
class ScopedWorkingFolder {
public:
    explicit ScopedWorkingFolder(const std::wstring& folder);
    ~ScopedWorkingFolder();
};

// The folder holding the running test program, ending in a backslash.
std::wstring TestProgramFolder();

} // namespace testing_support
