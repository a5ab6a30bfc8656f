#pragma once
// The machine's physical disks, each opened as a raw device with its partition layout.
#include <cstddef>
#include <memory>
#include <vector>

namespace gs {

class DriveData;
class DriveDevice;

// Walks the drive numbers 0 to 31.
class DriverTraverser {
public:
    DriverTraverser();
    ~DriverTraverser();
    DriverTraverser(const DriverTraverser&) = delete;
    DriverTraverser& operator=(const DriverTraverser&) = delete;

    bool IsOpen() const { return m_pCurrent != nullptr; }
    // Opens the device of the current number; false (and nothing held) when it won't open.
    bool Open();
    void Close();
    // The opened device of the current number, or null.
    DriveDevice* Current();
    bool IsEnd() const { return m_Index >= kDriveCount; }
    // Hands the current device to the caller and moves to the next number.
    void Next();

    static constexpr unsigned kDriveCount = 32;

private:
    DriveDevice* m_pCurrent;
    unsigned m_Index;
};

class DriveManager {
public:
    // Created and filled on first use.
    static DriveManager* Instance();
    static void ReleaseInstance();
    virtual ~DriveManager();
    DriveManager(const DriveManager&) = delete;
    DriveManager& operator=(const DriveManager&) = delete;

    bool Refresh();
    void Clear();
    size_t GetCount() const { return Drives.size(); }
    // The layout of the drive at this position of the list (not the drive number).
    DriveData* GetDriveData(size_t Index) const;

private:
    DriveManager();

    std::vector<std::unique_ptr<DriveDevice>> Drives;
    std::unique_ptr<DriverTraverser> m_pTraverser;
};

} // namespace gs
