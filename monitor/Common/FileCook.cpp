#include "monitor/Common/FileCook.h"

#include "monitor/Common/Log.h"
#include "platform/Error.h"

const char16_t kDiskFullNotice[] = u"磁盘空间不足，无法完成操作！";

CFileCook::CFileCook(std::u16string_view diskFullNotice) : m_notice(diskFullNotice) {}

CFileCook::~CFileCook() { Close(); }

void CFileCook::MarkDiskFull() {
    m_diskFull = true;
    ++m_diskFullCount;
}

bool CFileCook::Open(std::u16string_view path, unsigned flags) {
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos) return false;
    m_diskFull = false;
    m_path = path;
    // The file object closes what it had before it opens, so a failed Open
    // leaves this object closed too.
    m_isOpen = false;
    if (m_file.Open(path, flags)) {
        m_isOpen = true;
        return true;
    }
    uint32_t err = plat::GetLastError();
    if (err == plat::kErrorDiskFull || !HasFreeSpace(path, 1)) MarkDiskFull();
    plat::SetLastError(err);
    return false;
}

uint32_t CFileCook::Read(void* buffer, uint32_t length) {
    if (!buffer || length == 0 || !m_isOpen) return 0;
    int64_t n = m_file.Read(buffer, length);
    return n < 0 ? 0 : uint32_t(n);
}

void CFileCook::Write(const void* buffer, uint32_t length) {
    m_diskFull = false;
    if (!buffer || length == 0) return;
    if (m_file.Write(buffer, length)) return;
    uint32_t err = plat::GetLastError();
    if (err == plat::kErrorDiskFull) {
        MarkDiskFull();
        return;
    }
    // Not a full disk by its own account: say what it was (the log writer keeps
    // a failure of this very line from being logged again), then look at the
    // drive anyway.
    std::u16string errText = LastErrorText();
    WriteLogText("FileCook", __LINE__, plat::Format(u"file write Err: %s %s\r\n", m_path, errText));
    if (!HasFreeSpace(m_path, 1)) MarkDiskFull();
}

void CFileCook::Close() {
    if (m_isOpen) m_file.Close();
    m_isOpen = false;
}

bool CFileCook::HasFreeSpace(std::u16string_view path, uint32_t minimum) {
    if (minimum == 0) minimum = 524288;
    if (path.size() <= 3) return true;
    uint64_t freeBytes = 0;
    if (!plat::DiskFreeBytes(path, freeBytes)) return false;
    return (freeBytes >> 32) != 0 || uint32_t(freeBytes) > minimum;
}
