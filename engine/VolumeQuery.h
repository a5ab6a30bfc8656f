#pragma once
// Stateless queries over drives, volumes and physical disks. Each answers its failure
// value (false, 0, -1, empty) and never logs. All disk and volume calls go through
// the DiskSystem seam.
#include <windows.h>

#include <string>

// windows.h maps SetVolumeLabel to SetVolumeLabelW, so a call with two wide C strings
// would reach the system function instead of the query below.
#ifdef SetVolumeLabel
#undef SetVolumeLabel
#endif

// Drive roots are "X:\"; functions taking a path use only its first character.
bool IsCdRomDrive(const std::wstring& root);
bool IsRemovableOrFixed(const std::wstring& path);
bool IsUSBBusDrive(const std::wstring& path);
bool IsVolumeReady(const std::wstring& root);
double GetDiskTotalMB(const std::wstring& root);
double GetDiskFreeMB(const std::wstring& rootOrFolder);
bool IsNTFSVolume(const std::wstring& root);
void GetVolumeLabel(const std::wstring& root, std::wstring& label);
void SetVolumeLabel(const std::wstring& letterPath, const std::wstring& label);
std::wstring FitVolumeLabel(const std::wstring& label);
int GetDiskNumber(const std::wstring& letter);
long long GetPhysicalDiskSizeMB(int diskNumber);
// capacity in bytes; the target is always terminated inside it.
int QueryDosSymbolicLink(const wchar_t* name, wchar_t* target, unsigned capacity);
bool GetPartitionLetter(int disk, int partition, wchar_t& letter);
