// The monitor's file class: a plain file with disk-full detection. Every part of
// the monitor that writes files uses it so that a full drive is noticed and can
// be reported with the notice given at construction.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/File.h"

class CFileCook {
public:
    // Open flags are those of plat::File. Sharing is what the system gives.
    explicit CFileCook(std::u16string_view diskFullNotice);
    virtual ~CFileCook();
    CFileCook(const CFileCook&) = delete;
    CFileCook& operator=(const CFileCook&) = delete;

    virtual bool Open(std::u16string_view path, unsigned flags);
    // Bytes read; 0 for a null buffer, zero length or any error.
    virtual uint32_t Read(void* buffer, uint32_t length);
    virtual void Write(const void* buffer, uint32_t length);
    virtual void Close();

    int64_t Seek(int64_t offset, plat::File::Origin origin) { return m_file.Seek(offset, origin); }
    int64_t GetLength() const { return m_file.Length(); }

    bool IsDiskFull() const { return m_diskFull; }
    uint32_t DiskFullCount() const { return m_diskFullCount; }
    const std::u16string& DiskFullNotice() const { return m_notice; }
    const std::u16string& FilePath() const { return m_path; }
    bool IsOpen() const { return m_isOpen; }

    // True when the drive holding `path` has more than `minimum` bytes free (0
    // stands for 512 KiB). A path of three characters or fewer passes unasked.
    static bool HasFreeSpace(std::u16string_view path, uint32_t minimum);

private:
    void MarkDiskFull();

    plat::File m_file;
    std::u16string m_path;
    bool m_diskFull = false;
    std::u16string m_notice;
    uint32_t m_diskFullCount = 0;
    bool m_isOpen = false;
};

// The notice every user of CFileCook passes.
extern const char16_t kDiskFullNotice[];
