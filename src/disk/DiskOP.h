#pragma once
// Raw file and physical-drive handles, and the diskpart runner.
#include <windows.h>

#include <memory>
#include <string>

namespace gs {

class DriveData;

// A raw file handle with an open state.
class File {
public:
    File();
    virtual ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Read access alone unless the read-only flag is cleared; opens the existing file
    // unless the create flag is set (then CREATE_ALWAYS). Write-through, random access.
    virtual bool Open();
    void Close();
    bool IsOpen() const { return m_bOpen; }
    HANDLE GetHandle() const { return m_hFile; }
    const std::string& GetPath() const { return m_Path; }

    void SetPath(const std::string& path) { m_Path = path; }
    void SetReadOnly(bool readOnly) { m_bReadOnly = readOnly; }
    void SetCreate(bool create) { m_bCreate = create; }

protected:
    bool m_bOpen;
    HANDLE m_hFile;
    // Start safe: no write access, and never CREATE_ALWAYS on a raw device.
    bool m_bReadOnly;
    bool m_bCreate;
    std::string m_Path;
};

// One physical drive, "\\.\PhysicalDrive<n>", with the layout object for its style.
class DriveDevice : public File {
public:
    explicit DriveDevice(int driveIndex);
    ~DriveDevice() override;

    bool Open() override;
    // Reads the partition style and creates the matching layout object.
    bool ReadDriveData();
    DriveData* GetDriveData() const { return m_pDriveData.get(); }
    int GetDriveIndex() const { return m_DriveIndex; }

private:
    int m_DriveIndex;
    std::unique_ptr<DriveData> m_pDriveData;
};

// The diskpart script file and the scripts run through it. One per process.
class CDiskOP {
public:
    static CDiskOP* Instance();
    virtual ~CDiskOP();
    CDiskOP(const CDiskOP&) = delete;
    CDiskOP& operator=(const CDiskOP&) = delete;

    // A unique "_" file in the current folder; true at once when one exists.
    bool CreateScriptFile();
    // Deletes the script file when one exists; always true.
    bool DeleteScriptFile();
    bool HasScriptFile() const { return m_bScriptFile; }
    const wchar_t* GetScriptPath() const;

    // Writes the text into the script file and runs "diskpart /s <script>"; true only
    // when diskpart ran and ended with exit code 0.
    bool RunScript(const char* text);
    // The last word before a disk is formatted or wiped: false, with a trace line naming
    // the disk and why, for a disk that holds the Windows folder, the program's folder or
    // the working folder, or that the system does not report as on the USB bus. The
    // format and clean scripts ask it themselves.
    bool MayFormatDisk(unsigned disk);
    bool FormatPartition(unsigned disk, unsigned partition, const char* fileSystem);
    bool ActivePartition(unsigned disk, unsigned partition);
    // Wipes the disk into one primary partition formatted with `fileSystem` ("fat32" or
    // "ntfs") under the given drive letter.
    bool CleanAndFormat(unsigned disk, const char* letter, const char* fileSystem);

    // The line after a failed script's own trace line: the system's error code and message,
    // or diskpart's exit code; nothing when neither is known.
    void TraceLastFailure() const;

    // Starts `application` with `commandLine`, no window, and waits for it.
    bool RunProcess(const wchar_t* application, const wchar_t* commandLine, DWORD* exitCode);

private:
    CDiskOP();

    bool m_bScriptFile;
    // What the last script run failed on: a system error, else diskpart's exit code.
    DWORD m_LastError = 0;
    DWORD m_LastExitCode = 0;
    bool m_bExitCodeKnown = false;
};

} // namespace gs
