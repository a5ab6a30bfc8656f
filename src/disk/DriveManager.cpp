#include "src/disk/DriveManager.h"

#include "src/disk/DiskOP.h"
#include "src/disk/GsAssert.h"

namespace gs {

// ---- DriverTraverser

DriverTraverser::DriverTraverser() : m_pCurrent(nullptr), m_Index(0) {}

DriverTraverser::~DriverTraverser() { Close(); }

bool DriverTraverser::Open()
{
    GS_ASSERT(!IsOpen());
    m_pCurrent = new DriveDevice(static_cast<int>(m_Index));
    if (!m_pCurrent->Open()) {
        Close();
        return false;
    }
    return true;
}

void DriverTraverser::Close()
{
    delete m_pCurrent;
    m_pCurrent = nullptr;
}

DriveDevice* DriverTraverser::Current() { return Open() ? m_pCurrent : nullptr; }

void DriverTraverser::Next()
{
    m_pCurrent = nullptr;
    if (m_Index < kDriveCount)
        ++m_Index;
}

// ---- DriveManager

namespace {
DriveManager* g_driveManager = nullptr;
}

DriveManager* DriveManager::Instance()
{
    if (!g_driveManager) {
        g_driveManager = new DriveManager();
        g_driveManager->Refresh();
    }
    return g_driveManager;
}

void DriveManager::ReleaseInstance()
{
    delete g_driveManager;
    g_driveManager = nullptr;
}

DriveManager::DriveManager() = default;

DriveManager::~DriveManager() { Clear(); }

bool DriveManager::Refresh()
{
    Clear();
    m_pTraverser = std::make_unique<DriverTraverser>();
    while (!m_pTraverser->IsEnd()) {
        if (DriveDevice* device = m_pTraverser->Current())
            Drives.emplace_back(device);
        m_pTraverser->Next();
    }
    return true;
}

void DriveManager::Clear()
{
    Drives.clear();
    m_pTraverser.reset();
}

DriveData* DriveManager::GetDriveData(size_t Index) const
{
    GS_ASSERT(Index < Drives.size());
    return Drives[Index]->GetDriveData();
}

} // namespace gs
