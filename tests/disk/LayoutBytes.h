#pragma once
// Extended drive layouts written byte for byte, as the system answers
// IOCTL_DISK_GET_DRIVE_LAYOUT_EX: a 48-byte header, then 144-byte entries.
#include <windows.h>

#include <cstring>
#include <vector>

namespace disktest {

constexpr long long MiB = 1024 * 1024;

// Standard GPT partition types.
const GUID kEfi = {0xC12A7328, 0xF81F, 0x11D2, {0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B}};
const GUID kReserved = {0xE3C9E316, 0x0B5C, 0x4DB8, {0x81, 0x7D, 0xF9, 0x2D, 0xF0, 0x02, 0x15, 0xAE}};
const GUID kBasicData = {0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};
const GUID kRecovery = {0xDE94BBA4, 0x06D1, 0x4D40, {0xA1, 0x6A, 0xBF, 0xD5, 0x01, 0x79, 0xD6, 0xAC}};
const GUID kLinuxData = {0x0FC63DAF, 0x8483, 0x4772, {0x8E, 0x79, 0x3D, 0x69, 0xD8, 0x47, 0x7D, 0xE4}};

class LayoutBytes {
public:
    // style 0 MBR, 1 GPT
    LayoutBytes(unsigned style, unsigned count) : m_bytes(48 + 144 * static_cast<size_t>(count), 0)
    {
        Put32(0, style);
        Put32(4, count);
    }
    void Signature(unsigned signature) { Put32(8, signature); }
    void DiskId(const GUID& id) { std::memcpy(&m_bytes[8], &id, 16); }

    void Mbr(size_t slot, long long start, long long length, unsigned number, unsigned char type)
    {
        size_t at = Entry(slot, 0, start, length, number);
        m_bytes[at + 32] = type;
    }
    void Gpt(size_t slot, long long start, long long length, unsigned number, const GUID& type)
    {
        size_t at = Entry(slot, 1, start, length, number);
        std::memcpy(&m_bytes[at + 32], &type, 16);
    }

    const BYTE* data() const { return m_bytes.data(); }
    size_t size() const { return m_bytes.size(); }
    std::vector<BYTE>& bytes() { return m_bytes; }

private:
    size_t Entry(size_t slot, unsigned style, long long start, long long length, unsigned number)
    {
        size_t at = 48 + 144 * slot;
        Put32(at, style);
        Put64(at + 8, start);
        Put64(at + 16, length);
        Put32(at + 24, number);
        return at;
    }
    void Put32(size_t at, unsigned value) { std::memcpy(&m_bytes[at], &value, 4); }
    void Put64(size_t at, long long value) { std::memcpy(&m_bytes[at], &value, 8); }

    std::vector<BYTE> m_bytes;
};

} // namespace disktest
