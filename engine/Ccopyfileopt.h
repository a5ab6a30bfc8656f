#pragma once
// The copy engine: copies one file or a folder tree file by file so that the caller's
// progress routine sees every byte, and stops on request.
#include <windows.h>

#include <atomic>

class ICopyfileSink {
public:
    virtual ~ICopyfileSink() = default;
    virtual bool OnCopyfileCallback(LPPROGRESS_ROUTINE routine, LPVOID data, const wchar_t* source,
                                    const wchar_t* target) = 0;
};

// A function with CopyFileExW's signature. The program copies with CopyFileExW itself;
// tests put in a copy that calls the progress routine (Wine's CopyFileExW never does).
using CopyFileExFunction = BOOL(WINAPI*)(LPCWSTR existing, LPCWSTR newFile, LPPROGRESS_ROUTINE routine,
                                         LPVOID data, LPBOOL cancel, DWORD flags);

class COptFile : public ICopyfileSink {
public:
    static COptFile* Instance();

    // Both texts are kept by pointer: the caller keeps them alive while the copy runs.
    void SetPath(const wchar_t* source, const wchar_t* target);
    void SetWeight(double weight) { m_dWeight = weight; }
    double GetWeight() const { return m_dWeight; }

    // A second stop request owned by someone else (the job's cancel flag): it is never
    // cleared here, so a cancel that came before the copy started still stops it.
    // Null for none; kept until replaced.
    void SetCancelSource(const std::atomic<bool>* cancel) { m_pCancel.store(cancel); }

    // Resets the counters and the stop flag, then copies the stored source into the target.
    bool Copy(LPPROGRESS_ROUTINE routine, LPVOID data);

    bool OnCopyfileCallback(LPPROGRESS_ROUTINE routine, LPVOID data, const wchar_t* source,
                            const wchar_t* target) override;
    bool CopyFolder(LPPROGRESS_ROUTINE routine, LPVOID data, const wchar_t* source, const wchar_t* target);
    bool CopyOneFile(LPPROGRESS_ROUTINE routine, LPVOID data, const wchar_t* source, const wchar_t* target);

    bool IsFinished();
    unsigned long long GetPathSize(const wchar_t* path);
    unsigned long long GetCopiedSize() const { return m_CopiedSize.load(); }
    unsigned long long GetTotalSize() const { return m_TotalFileSize.load(); }

    // Callable from any thread while a copy runs.
    void Stop() { m_bStop.store(true); }
    bool IsStop() const;

    void ClearTarget();

    // The system error of the copy's first failed step (creating a folder, copying or
    // renaming a file); 0 when none failed.
    unsigned long GetLastCopyError() const { return m_LastError; }

    // Null restores CopyFileExW.
    static void SetCopyFunction(CopyFileExFunction copy);

private:
    COptFile() = default;

    std::atomic<unsigned long long> m_TotalFileSize{0};
    std::atomic<unsigned long long> m_CopiedSize{0};
    std::atomic<bool> m_bStop{false};
    const wchar_t* m_pSrcPath = nullptr;
    const wchar_t* m_pDstPath = nullptr;
    double m_dWeight = 1.0;
    std::atomic<const std::atomic<bool>*> m_pCancel{nullptr};
    unsigned long m_LastError = 0;

    void NoteError(unsigned long error)
    {
        if (!m_LastError)
            m_LastError = error ? error : ERROR_GEN_FAILURE;
    }
};
