#include "support/FakeDiskSystem.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwctype>

namespace testing_support {

static_assert(sizeof(PARTITION_INFORMATION_EX) == 144, "layout entries are 144 bytes");
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry) == 48, "layout header");
static_assert(sizeof(DISK_GEOMETRY) == 24, "geometry");
static_assert(offsetof(DISK_GEOMETRY_EX, Data) == 32, "extended geometry header");
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == 28, "bus type offset");
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR) == 40, "device descriptor");
static_assert(sizeof(VOLUME_DISK_EXTENTS) == 32, "volume extents");

namespace {

constexpr NTSTATUS kSuccess = 0;
constexpr NTSTATUS kAccessViolation = static_cast<NTSTATUS>(0xC0000005L);
constexpr NTSTATUS kInvalidHandle = static_cast<NTSTATUS>(0xC0000008L);
constexpr NTSTATUS kInvalidParameter = static_cast<NTSTATUS>(0xC000000DL);
constexpr NTSTATUS kAccessDenied = static_cast<NTSTATUS>(0xC0000022L);
constexpr NTSTATUS kBufferTooSmall = static_cast<NTSTATUS>(0xC0000023L);
constexpr NTSTATUS kObjectTypeMismatch = static_cast<NTSTATUS>(0xC0000024L);
constexpr NTSTATUS kObjectNameInvalid = static_cast<NTSTATUS>(0xC0000033L);
constexpr NTSTATUS kObjectNameNotFound = static_cast<NTSTATUS>(0xC0000034L);
constexpr NTSTATUS kObjectPathSyntaxBad = static_cast<NTSTATUS>(0xC000003BL);
constexpr ACCESS_MASK kSymbolicLinkQuery = 0x0001;
constexpr ULONG kObjCaseInsensitive = 0x00000040;
constexpr ULONG_PTR kFirstHandle = 0x10000000;

// Sets the thread's last error after the lock is released (declare before the lock).
struct LastError {
    DWORD error = 0;
    ~LastError()
    {
        if (error)
            ::SetLastError(error);
    }
};

std::wstring Upper(std::wstring text)
{
    for (auto& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) { return Upper(a) == Upper(b); }

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix)
{
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// "PHYSICALDRIVE<digits>" gives the number; -1 for anything else.
int PhysicalDriveNumber(const std::wstring& text)
{
    static const std::wstring kPhysical = L"PHYSICALDRIVE";
    if (!StartsWithNoCase(text, kPhysical))
        return -1;
    std::wstring digits = text.substr(kPhysical.size());
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return -1;
    return std::stoi(digits);
}

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Drops a "\\?\" or "\\.\" prefix.
std::wstring WithoutDevicePrefix(const std::wstring& path)
{
    if (path.size() >= 4 && path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'?' || path[2] == L'.') &&
        path[3] == L'\\')
        return path.substr(4);
    return path;
}

// Copies up to outSize bytes of a reply; reports what was copied.
DWORD CopyReply(const void* reply, size_t replySize, void* out, DWORD outSize)
{
    DWORD n = static_cast<DWORD>(std::min<size_t>(replySize, outSize));
    if (n)
        std::memcpy(out, reply, n);
    return n;
}

} // namespace

FakeDiskSystem::FakeDiskSystem() : m_nextHandle(kFirstHandle) {}

FakeDiskSystem::~FakeDiskSystem() = default;

// ---------------------------------------------------------------- building

void FakeDiskSystem::AddDisk(const FakeDisk& disk)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    FakeDisk d = disk;
    DISK_GEOMETRY& g = d.geometry;
    if (g.Cylinders.QuadPart == 0 && g.TracksPerCylinder == 0 && g.SectorsPerTrack == 0 &&
        g.BytesPerSector == 0) {
        g.BytesPerSector = 512;
        g.SectorsPerTrack = 63;
        g.TracksPerCylinder = 255;
        g.Cylinders.QuadPart = static_cast<LONGLONG>(d.size / (255ULL * 63 * 512));
        g.MediaType = d.removable ? RemovableMedia : FixedMedia;
    }
    if (d.size == 0)
        d.size = static_cast<unsigned long long>(g.Cylinders.QuadPart) * g.TracksPerCylinder *
                 g.SectorsPerTrack * g.BytesPerSector;
    m_disks[d.number] = d;
}

void FakeDiskSystem::RemoveDisk(int number)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    m_disks.erase(number);
}

void FakeDiskSystem::AddVolume(const FakeVolume& volume)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    RemoveVolume(volume.device);
    FakeVolume v = volume;
    if (v.letter) {
        v.letter = static_cast<wchar_t>(std::towupper(v.letter));
        // One volume per letter.
        if (FakeVolume* old = FindVolumeByLetter(v.letter))
            RemoveVolume(old->device);
        auto& targets = m_dosDevices[std::wstring(1, v.letter) + L":"];
        targets.insert(targets.begin(), v.device);
    }
    m_volumes.push_back(v);
}

void FakeDiskSystem::RemoveVolume(const std::wstring& device)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    for (auto it = m_volumes.begin(); it != m_volumes.end(); ++it) {
        if (!EqualNoCase(it->device, device))
            continue;
        if (it->letter) {
            std::wstring name = std::wstring(1, it->letter) + L":";
            auto& targets = m_dosDevices[name];
            targets.erase(std::remove(targets.begin(), targets.end(), it->device), targets.end());
            if (targets.empty())
                m_dosDevices.erase(name);
        }
        m_volumes.erase(it);
        return;
    }
}

void FakeDiskSystem::AddLink(const std::wstring& name, const std::wstring& target)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    RemoveLink(name);
    m_links.emplace_back(name, target);
}

void FakeDiskSystem::AddPartitionLink(int disk, int partition, const std::wstring& target)
{
    AddLink(L"\\Device\\Harddisk" + std::to_wstring(disk) + L"\\Partition" + std::to_wstring(partition),
            target);
}

void FakeDiskSystem::RemoveLink(const std::wstring& name)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    m_links.erase(std::remove_if(m_links.begin(), m_links.end(),
                                 [&](const auto& link) { return EqualNoCase(link.first, name); }),
                  m_links.end());
}

void FakeDiskSystem::AddDosDevice(const std::wstring& name, const std::wstring& target)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    auto& targets = m_dosDevices[Upper(name)];
    targets.insert(targets.begin(), target);
}

PARTITION_INFORMATION_EX FakeDiskSystem::MbrPartition(DWORD number, unsigned long long offset,
                                                      unsigned long long length, BYTE type, bool boot)
{
    PARTITION_INFORMATION_EX p = {};
    p.PartitionStyle = PARTITION_STYLE_MBR;
    p.StartingOffset.QuadPart = static_cast<LONGLONG>(offset);
    p.PartitionLength.QuadPart = static_cast<LONGLONG>(length);
    p.PartitionNumber = number;
    p.Mbr.PartitionType = type;
    p.Mbr.BootIndicator = boot ? TRUE : FALSE;
    // Containers (extended partitions) are not file systems Windows recognises.
    p.Mbr.RecognizedPartition = (type != 0 && type != 0x05 && type != 0x0F) ? TRUE : FALSE;
    p.Mbr.HiddenSectors = static_cast<DWORD>(offset / 512);
    return p;
}

PARTITION_INFORMATION_EX FakeDiskSystem::EmptyMbrSlot()
{
    PARTITION_INFORMATION_EX p = {};
    p.PartitionStyle = PARTITION_STYLE_MBR;
    return p;
}

PARTITION_INFORMATION_EX FakeDiskSystem::GptPartition(DWORD number, unsigned long long offset,
                                                      unsigned long long length, const GUID& type,
                                                      const wchar_t* name)
{
    PARTITION_INFORMATION_EX p = {};
    p.PartitionStyle = PARTITION_STYLE_GPT;
    p.StartingOffset.QuadPart = static_cast<LONGLONG>(offset);
    p.PartitionLength.QuadPart = static_cast<LONGLONG>(length);
    p.PartitionNumber = number;
    p.Gpt.PartitionType = type;
    // A stable, distinct identifier per partition number.
    p.Gpt.PartitionId = {0x6a1c0000u + number, 0x4b7e, 0x4f1d, {0x9a, 0x21, 0, 0, 0, 0, 0, 1}};
    if (name)
        std::wcsncpy(p.Gpt.Name, name, 35);
    return p;
}

DISK_EXTENT FakeDiskSystem::Extent(DWORD disk, unsigned long long offset, unsigned long long length)
{
    DISK_EXTENT e = {};
    e.DiskNumber = disk;
    e.StartingOffset.QuadPart = static_cast<LONGLONG>(offset);
    e.ExtentLength.QuadPart = static_cast<LONGLONG>(length);
    return e;
}

// ---------------------------------------------------------------- inspecting

const FakeVolume* FakeDiskSystem::Volume(wchar_t letter) const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return const_cast<FakeDiskSystem*>(this)->FindVolumeByLetter(letter);
}

size_t FakeDiskSystem::OpenHandleCount() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_open.size();
}

std::vector<std::wstring> FakeDiskSystem::OpenHandleNames() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    std::vector<std::wstring> names;
    for (const auto& entry : m_open)
        names.push_back(entry.second.openedAs);
    return names;
}

std::vector<HANDLE> FakeDiskSystem::BadCloses() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_badCloses;
}

std::vector<FakeOpen> FakeDiskSystem::Opens() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_opens;
}

std::vector<FakeDosDefinition> FakeDiskSystem::Definitions() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_definitions;
}

std::vector<DWORD> FakeDiskSystem::Controls() const
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_controls;
}

void FakeDiskSystem::ClearRecords()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    m_badCloses.clear();
    m_opens.clear();
    m_definitions.clear();
    m_controls.clear();
}

// ---------------------------------------------------------------- lookups

FakeDisk* FakeDiskSystem::FindDisk(int number)
{
    auto it = m_disks.find(number);
    return it == m_disks.end() ? nullptr : &it->second;
}

FakeVolume* FakeDiskSystem::FindVolumeByDevice(const std::wstring& device)
{
    for (auto& v : m_volumes)
        if (EqualNoCase(v.device, device))
            return &v;
    return nullptr;
}

FakeVolume* FakeDiskSystem::FindVolumeByLetter(wchar_t letter)
{
    letter = static_cast<wchar_t>(std::towupper(letter));
    for (auto& v : m_volumes)
        if (v.letter && v.letter == letter)
            return &v;
    return nullptr;
}

const std::wstring* FakeDiskSystem::DosTarget(const std::wstring& name) const
{
    auto it = m_dosDevices.find(Upper(name));
    if (it == m_dosDevices.end() || it->second.empty())
        return nullptr;
    return &it->second.front();
}

HANDLE FakeDiskSystem::NewHandle(const OpenObject& object)
{
    HANDLE h = reinterpret_cast<HANDLE>(m_nextHandle);
    m_nextHandle += 4;
    m_open[h] = object;
    return h;
}

bool FakeDiskSystem::Close(HANDLE handle)
{
    auto it = m_open.find(handle);
    if (it == m_open.end()) {
        m_badCloses.push_back(handle);
        return false;
    }
    m_open.erase(it);
    return true;
}

// The volume of a root "X:\" (or "\\?\X:\"); error says why there is none.
FakeVolume* FakeDiskSystem::RootVolume(const wchar_t* root, DWORD& error, bool mustBeRoot)
{
    if (!root) {
        error = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    std::wstring path = WithoutDevicePrefix(root);
    if (path.size() < 2 || !IsLetter(path[0]) || path[1] != L':') {
        error = ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    FakeVolume* volume = FindVolumeByLetter(path[0]);
    if (!volume) {
        error = ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    if (mustBeRoot && path.size() != 3) {
        error = path.size() == 2 || path[2] != L'\\' ? ERROR_INVALID_NAME : ERROR_DIR_NOT_ROOT;
        return nullptr;
    }
    if (mustBeRoot && path[2] != L'\\') {
        error = ERROR_INVALID_NAME;
        return nullptr;
    }
    if (volume->error) {
        error = volume->error;
        return nullptr;
    }
    return volume;
}

// ---------------------------------------------------------------- files and devices

HANDLE FakeDiskSystem::CreateFileW(const wchar_t* name, DWORD access, DWORD share, DWORD disposition,
                                   DWORD flags)
{
    LastError err;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    m_opens.push_back({name ? name : L"", access, share, disposition, flags, false});
    auto fail = [&](DWORD error) {
        err.error = error;
        return INVALID_HANDLE_VALUE;
    };
    if (!name || !*name)
        return fail(ERROR_PATH_NOT_FOUND);

    std::wstring path = name;
    std::wstring rest = WithoutDevicePrefix(path);
    if (rest.size() == path.size()) {
        // "\Device\..." without a prefix is a path on the current drive to Win32.
        return fail(path[0] == L'\\' ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    }

    OpenObject object = {};
    object.access = access;
    object.openedAs = path;
    static const std::wstring kGlobalRoot = L"GLOBALROOT\\";
    const int diskNumber = PhysicalDriveNumber(rest);
    if (diskNumber >= 0) {
        FakeDisk* disk = FindDisk(diskNumber);
        if (!disk)
            return fail(ERROR_FILE_NOT_FOUND);
        if (disk->openError)
            return fail(disk->openError);
        object.kind = Kind::Disk;
        object.disk = disk->number;
    } else {
        std::wstring device;
        if (rest.size() == 2 && rest[1] == L':') {
            const std::wstring* target = DosTarget(rest);
            if (!target)
                return fail(ERROR_FILE_NOT_FOUND);
            device = *target;
        } else if (StartsWithNoCase(rest, kGlobalRoot)) {
            device = rest.substr(kGlobalRoot.size() - 1);
        } else {
            return fail(ERROR_FILE_NOT_FOUND);
        }
        FakeVolume* volume = FindVolumeByDevice(device);
        if (!volume)
            return fail(ERROR_FILE_NOT_FOUND);
        // A drive without a medium still opens; one that refuses us does not.
        if (volume->error == ERROR_ACCESS_DENIED)
            return fail(ERROR_ACCESS_DENIED);
        object.kind = Kind::Volume;
        object.device = volume->device;
    }
    m_opens.back().succeeded = true;
    return NewHandle(object);
}

BOOL FakeDiskSystem::DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out,
                                     DWORD outSize, DWORD* returned)
{
    LastError err;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    m_controls.push_back(code);
    if (returned)
        *returned = 0;
    DWORD dummy = 0;
    if (!returned)
        returned = &dummy;

    auto it = m_open.find(device);
    if (it == m_open.end() || it->second.kind == Kind::Link) {
        err.error = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if ((outSize && !out) || (inSize && !in)) {
        err.error = ERROR_NOACCESS;
        return FALSE;
    }
    // The access the control code asks of the handle.
    const DWORD needed = (code >> 14) & 3;
    const DWORD access = it->second.access;
    const bool canRead = (access & (GENERIC_READ | FILE_READ_DATA | GENERIC_ALL | MAXIMUM_ALLOWED)) != 0;
    const bool canWrite = (access & (GENERIC_WRITE | FILE_WRITE_DATA | GENERIC_ALL | MAXIMUM_ALLOWED)) != 0;
    if (((needed & FILE_READ_ACCESS) && !canRead) || ((needed & FILE_WRITE_ACCESS) && !canWrite)) {
        err.error = ERROR_ACCESS_DENIED;
        return FALSE;
    }

    BOOL ok = FALSE;
    if (it->second.kind == Kind::Disk) {
        FakeDisk* disk = FindDisk(it->second.disk);
        if (!disk) {
            // Removed while open: the device has gone.
            ::SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        } else {
            ok = DiskControl(*disk, code, in, inSize, out, outSize, returned);
        }
    } else {
        FakeVolume* volume = FindVolumeByDevice(it->second.device);
        if (!volume)
            ::SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        else
            ok = VolumeControl(*volume, code, in, inSize, out, outSize, returned);
    }
    if (!ok)
        err.error = ::GetLastError();
    return ok;
}

// Replies of a physical disk. Sets the last error on failure (the caller carries it out).
BOOL FakeDiskSystem::DiskControl(FakeDisk& disk, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                                 DWORD* returned)
{
    auto fail = [](DWORD error) {
        ::SetLastError(error);
        return FALSE;
    };
    switch (code) {
    case IOCTL_STORAGE_QUERY_PROPERTY: {
        if (inSize < offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters))
            return fail(ERROR_INVALID_PARAMETER);
        STORAGE_PROPERTY_QUERY query;
        std::memcpy(&query, in, offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters));
        if (query.PropertyId != StorageDeviceProperty)
            return fail(ERROR_NOT_SUPPORTED);
        if (query.QueryType == PropertyExistsQuery)
            return TRUE;
        if (query.QueryType != PropertyStandardQuery)
            return fail(ERROR_INVALID_PARAMETER);
        if (outSize < sizeof(STORAGE_DESCRIPTOR_HEADER))
            return fail(ERROR_INSUFFICIENT_BUFFER);
        STORAGE_DEVICE_DESCRIPTOR d = {};
        d.Version = sizeof(d);
        d.Size = sizeof(d);
        d.DeviceType = 0; // direct-access device
        d.RemovableMedia = disk.removable ? TRUE : FALSE;
        d.BusType = disk.busType;
        *returned = CopyReply(&d, sizeof(d), out, outSize);
        return TRUE;
    }
    case IOCTL_DISK_GET_DRIVE_GEOMETRY:
        if (outSize < sizeof(DISK_GEOMETRY))
            return fail(ERROR_INSUFFICIENT_BUFFER);
        *returned = CopyReply(&disk.geometry, sizeof(DISK_GEOMETRY), out, outSize);
        return TRUE;
    case IOCTL_DISK_GET_DRIVE_GEOMETRY_EX: {
        const size_t header = offsetof(DISK_GEOMETRY_EX, Data);
        if (outSize < header)
            return fail(ERROR_INSUFFICIENT_BUFFER);
        std::vector<unsigned char> reply(header + sizeof(DISK_PARTITION_INFO) + sizeof(DISK_DETECTION_INFO));
        std::memcpy(reply.data(), &disk.geometry, sizeof(DISK_GEOMETRY));
        LARGE_INTEGER size;
        size.QuadPart = static_cast<LONGLONG>(disk.size);
        std::memcpy(reply.data() + offsetof(DISK_GEOMETRY_EX, DiskSize), &size, sizeof(size));
        DISK_PARTITION_INFO partition = {};
        partition.SizeOfPartitionInfo = sizeof(partition);
        partition.PartitionStyle = disk.style;
        if (disk.style == PARTITION_STYLE_MBR)
            partition.Mbr.Signature = disk.signature;
        else if (disk.style == PARTITION_STYLE_GPT)
            partition.Gpt.DiskId = disk.diskId;
        std::memcpy(reply.data() + header, &partition, sizeof(partition));
        DISK_DETECTION_INFO detection = {};
        detection.SizeOfDetectInfo = sizeof(detection);
        detection.DetectionType = DetectNone;
        std::memcpy(reply.data() + header + sizeof(partition), &detection, sizeof(detection));
        *returned = CopyReply(reply.data(), reply.size(), out, outSize);
        return TRUE;
    }
    case IOCTL_DISK_GET_DRIVE_LAYOUT_EX: {
        const size_t header = offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry);
        const size_t count = disk.style == PARTITION_STYLE_RAW ? 0 : disk.partitions.size();
        const size_t needed = header + count * sizeof(PARTITION_INFORMATION_EX);
        if (outSize < needed)
            return fail(ERROR_INSUFFICIENT_BUFFER);
        std::vector<unsigned char> reply(needed);
        DRIVE_LAYOUT_INFORMATION_EX head = {};
        head.PartitionStyle = disk.style;
        head.PartitionCount = static_cast<DWORD>(count);
        if (disk.style == PARTITION_STYLE_MBR) {
            head.Mbr.Signature = disk.signature;
        } else if (disk.style == PARTITION_STYLE_GPT) {
            // Usable space: after the protective MBR, header and entries (34 sectors),
            // before the backup entries and header (33 sectors).
            const unsigned long long first = 34ULL * 512, last = 33ULL * 512;
            head.Gpt.DiskId = disk.diskId;
            head.Gpt.StartingUsableOffset.QuadPart = static_cast<LONGLONG>(first);
            head.Gpt.UsableLength.QuadPart =
                disk.size > first + last ? static_cast<LONGLONG>(disk.size - first - last) : 0;
            head.Gpt.MaxPartitionCount = 128;
        }
        std::memcpy(reply.data(), &head, header);
        for (size_t i = 0; i < count; ++i)
            std::memcpy(reply.data() + header + i * sizeof(PARTITION_INFORMATION_EX), &disk.partitions[i],
                        sizeof(PARTITION_INFORMATION_EX));
        *returned = CopyReply(reply.data(), reply.size(), out, outSize);
        return TRUE;
    }
    default:
        return fail(ERROR_INVALID_FUNCTION);
    }
}

// Replies of a volume. Sets the last error on failure.
BOOL FakeDiskSystem::VolumeControl(FakeVolume& volume, DWORD code, void* in, DWORD inSize, void* out,
                                   DWORD outSize, DWORD* returned)
{
    auto fail = [](DWORD error) {
        ::SetLastError(error);
        return FALSE;
    };
    if (volume.error)
        return fail(volume.error);
    switch (code) {
    case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS: {
        if (outSize < sizeof(VOLUME_DISK_EXTENTS))
            return fail(ERROR_INSUFFICIENT_BUFFER);
        const size_t header = offsetof(VOLUME_DISK_EXTENTS, Extents);
        const size_t room = (outSize - header) / sizeof(DISK_EXTENT);
        const size_t count = volume.extents.size();
        const size_t written = std::min(room, count);
        std::vector<unsigned char> reply(header + written * sizeof(DISK_EXTENT));
        DWORD number = static_cast<DWORD>(count);
        std::memcpy(reply.data(), &number, sizeof(number));
        for (size_t i = 0; i < written; ++i)
            std::memcpy(reply.data() + header + i * sizeof(DISK_EXTENT), &volume.extents[i],
                        sizeof(DISK_EXTENT));
        *returned = CopyReply(reply.data(), reply.size(), out, outSize);
        if (written < count)
            return fail(ERROR_MORE_DATA);
        return TRUE;
    }
    case IOCTL_STORAGE_QUERY_PROPERTY:
    case IOCTL_DISK_GET_DRIVE_GEOMETRY:
    case IOCTL_DISK_GET_DRIVE_GEOMETRY_EX: {
        // Passed down to the disk beneath; a volume spanning disks has no one disk.
        FakeDisk* disk =
            volume.extents.size() == 1 ? FindDisk(static_cast<int>(volume.extents[0].DiskNumber)) : nullptr;
        if (!disk)
            return fail(ERROR_INVALID_FUNCTION);
        return DiskControl(*disk, code, in, inSize, out, outSize, returned);
    }
    default:
        return fail(ERROR_INVALID_FUNCTION);
    }
}

BOOL FakeDiskSystem::CloseHandle(HANDLE handle)
{
    LastError err;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (Close(handle))
        return TRUE;
    err.error = ERROR_INVALID_HANDLE;
    return FALSE;
}

// ---------------------------------------------------------------- drives and volumes

UINT FakeDiskSystem::GetDriveTypeW(const wchar_t* root)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!root)
        return DRIVE_NO_ROOT_DIR;
    std::wstring path = WithoutDevicePrefix(root);
    if (path.size() != std::wcslen(root) && StartsWithNoCase(path, L"PHYSICALDRIVE")) {
        if (path.back() == L'\\')
            path.pop_back();
        FakeDisk* disk = FindDisk(PhysicalDriveNumber(path));
        if (!disk)
            return DRIVE_NO_ROOT_DIR;
        if (disk->driveType)
            return disk->driveType;
        return disk->removable ? DRIVE_REMOVABLE : DRIVE_FIXED;
    }
    // A root ("X:\", or "X:"); a folder below it is no root.
    if (path.size() < 2 || path.size() > 3 || !IsLetter(path[0]) || path[1] != L':' ||
        (path.size() == 3 && path[2] != L'\\'))
        return DRIVE_NO_ROOT_DIR;
    FakeVolume* volume = FindVolumeByLetter(path[0]);
    return volume ? volume->driveType : DRIVE_NO_ROOT_DIR;
}

DWORD FakeDiskSystem::GetLogicalDrives()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    DWORD mask = 0;
    for (const auto& v : m_volumes)
        if (v.letter >= L'A' && v.letter <= L'Z')
            mask |= 1u << (v.letter - L'A');
    return mask;
}

DWORD FakeDiskSystem::GetLogicalDriveStringsW(DWORD length, wchar_t* buffer)
{
    DWORD mask = GetLogicalDrives();
    std::wstring text;
    for (int i = 0; i < 26; ++i) {
        if (mask & (1u << i)) {
            text += static_cast<wchar_t>(L'A' + i);
            text += L":\\";
            text += L'\0';
        }
    }
    // Too small: the size needed, final terminator included.
    if (!buffer || length < text.size() + 1)
        return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.data(), text.size() * sizeof(wchar_t));
    buffer[text.size()] = L'\0';
    return static_cast<DWORD>(text.size());
}

BOOL FakeDiskSystem::GetDiskFreeSpaceExW(const wchar_t* path, ULARGE_INTEGER* freeToCaller,
                                         ULARGE_INTEGER* total, ULARGE_INTEGER* totalFree)
{
    LastError err;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    FakeVolume* volume = RootVolume(path, err.error, false);
    if (!volume)
        return FALSE;
    if (freeToCaller)
        freeToCaller->QuadPart = volume->freeToCallerBytes;
    if (total)
        total->QuadPart = volume->totalBytes;
    if (totalFree)
        totalFree->QuadPart = volume->freeBytes;
    return TRUE;
}

BOOL FakeDiskSystem::VolumeInformation(const FakeVolume& volume, wchar_t* volumeName, DWORD volumeNameSize,
                                       DWORD* serial, DWORD* maxComponent, DWORD* fsFlags, wchar_t* fsName,
                                       DWORD fsNameSize)
{
    if ((volumeName && volume.label.size() + 1 > volumeNameSize) ||
        (fsName && volume.fileSystem.size() + 1 > fsNameSize)) {
        ::SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    if (volumeName)
        std::wcscpy(volumeName, volume.label.c_str());
    if (fsName)
        std::wcscpy(fsName, volume.fileSystem.c_str());
    if (serial)
        *serial = volume.serial;
    if (maxComponent)
        *maxComponent = 255;
    if (fsFlags)
        *fsFlags = volume.fileSystemFlags;
    return TRUE;
}

BOOL FakeDiskSystem::GetVolumeInformationW(const wchar_t* root, wchar_t* volumeName, DWORD volumeNameSize,
                                           DWORD* serial, DWORD* maxComponent, DWORD* fsFlags,
                                           wchar_t* fsName, DWORD fsNameSize)
{
    LastError err;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    FakeVolume* volume = RootVolume(root, err.error, true);
    if (!volume)
        return FALSE;
    BOOL ok = VolumeInformation(*volume, volumeName, volumeNameSize, serial, maxComponent, fsFlags, fsName,
                                fsNameSize);
    if (!ok)
        err.error = ::GetLastError();
    return ok;
}

BOOL FakeDiskSystem::GetVolumeInformationByHandleW(HANDLE handle, wchar_t* volumeName, DWORD volumeNameSize,
                                                   DWORD* serial, DWORD* maxComponent, DWORD* fsFlags,
                                                   wchar_t* fsName, DWORD fsNameSize)
{
    LastError err;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    auto it = m_open.find(handle);
    if (it == m_open.end()) {
        err.error = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (it->second.kind != Kind::Volume) {
        err.error = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    FakeVolume* volume = FindVolumeByDevice(it->second.device);
    if (!volume || volume->error) {
        err.error = volume ? volume->error : ERROR_DEVICE_NOT_CONNECTED;
        return FALSE;
    }
    BOOL ok = VolumeInformation(*volume, volumeName, volumeNameSize, serial, maxComponent, fsFlags, fsName,
                                fsNameSize);
    if (!ok)
        err.error = ::GetLastError();
    return ok;
}

BOOL FakeDiskSystem::SetVolumeLabelW(const wchar_t* root, const wchar_t* label)
{
    LastError err;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    FakeVolume* volume = RootVolume(root, err.error, true);
    if (!volume)
        return FALSE;
    std::wstring text = label ? label : L"";
    const bool ntfs = volume->fileSystem == L"NTFS";
    const bool fat = volume->fileSystem == L"FAT" || volume->fileSystem == L"FAT32";
    if (text.size() > (ntfs ? 32u : 11u)) {
        err.error = ERROR_LABEL_TOO_LONG;
        return FALSE;
    }
    // FAT keeps its labels in upper case.
    volume->label = fat ? Upper(text) : text;
    return TRUE;
}

// ---------------------------------------------------------------- DOS devices

DWORD FakeDiskSystem::QueryDosDeviceW(const wchar_t* name, wchar_t* target, DWORD max)
{
    LastError err;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    std::wstring text;
    if (!name) {
        for (const auto& entry : m_dosDevices) {
            text += entry.first;
            text += L'\0';
        }
    } else {
        auto it = m_dosDevices.find(Upper(name));
        if (it == m_dosDevices.end() || it->second.empty()) {
            err.error = ERROR_FILE_NOT_FOUND;
            return 0;
        }
        for (const auto& t : it->second) {
            text += t;
            text += L'\0';
        }
    }
    text += L'\0';
    if (!target || max < text.size()) {
        err.error = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    std::memcpy(target, text.data(), text.size() * sizeof(wchar_t));
    return static_cast<DWORD>(text.size());
}

BOOL FakeDiskSystem::DefineDosDeviceW(DWORD flags, const wchar_t* name, const wchar_t* target)
{
    LastError err;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    m_definitions.push_back({flags, name ? name : L"", target ? target : L"", false});
    if (!name || !*name) {
        err.error = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    const std::wstring key = Upper(name);
    const bool raw = (flags & DDD_RAW_TARGET_PATH) != 0;
    if (flags & DDD_REMOVE_DEFINITION) {
        auto it = m_dosDevices.find(key);
        if (it == m_dosDevices.end() || it->second.empty()) {
            err.error = ERROR_FILE_NOT_FOUND;
            return FALSE;
        }
        auto& targets = it->second;
        auto match = targets.begin();
        if (target) {
            const std::wstring wanted = raw ? target : L"\\??\\" + std::wstring(target);
            match = std::find_if(targets.begin(), targets.end(), [&](const std::wstring& t) {
                return (flags & DDD_EXACT_MATCH_ON_REMOVE) ? t == wanted
                                                           : t.compare(0, wanted.size(), wanted) == 0;
            });
            if (match == targets.end()) {
                err.error = ERROR_FILE_NOT_FOUND;
                return FALSE;
            }
        }
        targets.erase(match);
        if (targets.empty())
            m_dosDevices.erase(it);
    } else {
        if (!target) {
            err.error = ERROR_INVALID_PARAMETER;
            return FALSE;
        }
        auto& targets = m_dosDevices[key];
        targets.insert(targets.begin(), raw ? std::wstring(target) : L"\\??\\" + std::wstring(target));
    }
    m_definitions.back().succeeded = true;
    return TRUE;
}

// ---------------------------------------------------------------- native links

NTSTATUS FakeDiskSystem::NtOpenSymbolicLinkObject(HANDLE* link, ACCESS_MASK access,
                                                  OBJECT_ATTRIBUTES* attributes)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!link || !attributes)
        return kAccessViolation;
    *link = nullptr;
    if (attributes->Length != sizeof(OBJECT_ATTRIBUTES))
        return kInvalidParameter;
    if (attributes->RootDirectory)
        return kInvalidHandle;
    const UNICODE_STRING* objectName = attributes->ObjectName;
    if (!objectName || !objectName->Buffer || objectName->Length == 0 ||
        objectName->Length % sizeof(wchar_t) || objectName->Length > objectName->MaximumLength)
        return kObjectNameInvalid;
    std::wstring name(objectName->Buffer, objectName->Length / sizeof(wchar_t));
    if (name[0] != L'\\')
        return kObjectPathSyntaxBad;
    const bool noCase = (attributes->Attributes & kObjCaseInsensitive) != 0;
    for (const auto& entry : m_links) {
        if (noCase ? EqualNoCase(entry.first, name) : entry.first == name) {
            OpenObject object = {};
            object.kind = Kind::Link;
            object.link = entry.first;
            object.access = access;
            object.openedAs = name;
            *link = NewHandle(object);
            return kSuccess;
        }
    }
    return kObjectNameNotFound;
}

NTSTATUS FakeDiskSystem::NtQuerySymbolicLinkObject(HANDLE link, UNICODE_STRING* target, ULONG* returnedLength)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    auto it = m_open.find(link);
    if (it == m_open.end())
        return kInvalidHandle;
    if (it->second.kind != Kind::Link)
        return kObjectTypeMismatch;
    const ACCESS_MASK access = it->second.access;
    if (!(access & (kSymbolicLinkQuery | GENERIC_READ | GENERIC_ALL | MAXIMUM_ALLOWED)))
        return kAccessDenied;
    if (!target)
        return kAccessViolation;
    const std::wstring* text = nullptr;
    for (const auto& entry : m_links)
        if (entry.first == it->second.link)
            text = &entry.second;
    if (!text)
        return kObjectNameNotFound;
    const ULONG bytes = static_cast<ULONG>(text->size() * sizeof(wchar_t));
    if (returnedLength)
        *returnedLength = bytes + sizeof(wchar_t);
    if (bytes > target->MaximumLength)
        return kBufferTooSmall;
    if (bytes && !target->Buffer)
        return kAccessViolation;
    if (bytes)
        std::memcpy(target->Buffer, text->data(), bytes);
    target->Length = static_cast<USHORT>(bytes);
    return kSuccess;
}

NTSTATUS FakeDiskSystem::NtClose(HANDLE handle)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return Close(handle) ? kSuccess : kInvalidHandle;
}

// ---------------------------------------------------------------- installer

ScopedDiskSystem::ScopedDiskSystem(DiskSystem& system)
    : m_previous(&GetDiskSystem() == &GetRealDiskSystem() ? nullptr : &GetDiskSystem())
{
    SetDiskSystem(&system);
}

ScopedDiskSystem::~ScopedDiskSystem() { SetDiskSystem(m_previous); }

} // namespace testing_support
