#include "platform/File.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/Error.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace plat {

namespace {

bool Fail() {
    SetLastErrorFromErrno();
    return false;
}

bool StatOf(std::u16string_view path, struct stat& st) {
    return ::stat(NativePath(path).c_str(), &st) == 0;
}

}  // namespace

bool FileExists(std::u16string_view path) {
    struct stat st;
    return StatOf(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::u16string_view path) {
    struct stat st;
    return StatOf(path, st) && S_ISDIR(st.st_mode);
}

bool CreateDirectory(std::u16string_view path) {
    return ::mkdir(NativePath(path).c_str(), 0755) == 0 || Fail();
}

bool CreateDirectories(std::u16string_view path) {
    std::error_code ec;
    std::filesystem::create_directories(NativePath(path), ec);
    if (ec) {
        SetLastError(uint32_t(ec.value()));
        return false;
    }
    return DirectoryExists(path);
}

bool DeleteFile(std::u16string_view path) {
    std::string p = NativePath(path);
    struct stat st;
    if (::lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        SetLastError(EISDIR);
        return false;
    }
    return ::unlink(p.c_str()) == 0 || Fail();
}

bool RemoveDirectory(std::u16string_view path) {
    return ::rmdir(NativePath(path).c_str()) == 0 || Fail();
}

bool DeleteTree(std::u16string_view path) {
    std::error_code ec;
    std::filesystem::remove_all(NativePath(path), ec);
    if (ec) {
        SetLastError(uint32_t(ec.value()));
        return false;
    }
    return true;
}

bool MoveFile(std::u16string_view from, std::u16string_view to) {
    std::string f = NativePath(from), t = NativePath(to);
    // In one step where the file system can; a test before rename() leaves a
    // moment in which another process's new file would be replaced.
    if (::renameat2(AT_FDCWD, f.c_str(), AT_FDCWD, t.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return Fail();
    struct stat st;
    if (::lstat(t.c_str(), &st) == 0) {
        SetLastError(EEXIST);
        return false;
    }
    return ::rename(f.c_str(), t.c_str()) == 0 || Fail();
}

bool CopyFile(std::u16string_view from, std::u16string_view to, bool failIfExists) {
    // Onto itself (under any name) the truncation below would empty the source.
    struct stat a, b;
    if (StatOf(from, a) && StatOf(to, b) && a.st_dev == b.st_dev && a.st_ino == b.st_ino) {
        SetLastError(failIfExists ? EEXIST : EINVAL);
        return false;
    }
    File in;
    if (!in.Open(from, File::kRead)) return false;
    File out;
    unsigned flags = File::kWrite | File::kCreate | File::kTruncate;
    if (failIfExists) flags |= File::kExclusive;
    if (!out.Open(to, flags)) return false;
    char buf[65536];
    for (;;) {
        int64_t n = in.Read(buf, sizeof buf);
        if (n < 0) return false;
        if (n == 0) break;
        if (!out.Write(buf, size_t(n))) return false;
    }
    return true;
}

int64_t FileSize(std::u16string_view path) {
    struct stat st;
    if (!StatOf(path, st)) {
        SetLastErrorFromErrno();
        return -1;
    }
    return int64_t(st.st_size);
}

bool ReadFile(std::u16string_view path, std::string& bytes) {
    File f;
    if (!f.Open(path, File::kRead)) return false;
    bytes.clear();
    int64_t len = f.Length();
    if (len > 0) bytes.reserve(size_t(len));
    char buf[65536];
    for (;;) {
        int64_t n = f.Read(buf, sizeof buf);
        if (n < 0) return false;
        if (n == 0) return true;
        bytes.append(buf, size_t(n));
    }
}

bool WriteFile(std::u16string_view path, std::string_view bytes) {
    File f;
    if (!f.Open(path, File::kWrite | File::kCreate | File::kTruncate)) return false;
    return f.Write(bytes.data(), bytes.size());
}

std::vector<std::u16string> ListDirectory(std::u16string_view path) {
    std::vector<std::u16string> names;
    DIR* d = ::opendir(NativePath(path).c_str());
    if (!d) {
        SetLastErrorFromErrno();
        return names;
    }
    while (dirent* e = ::readdir(d)) {
        std::string_view n(e->d_name);
        if (n == "." || n == "..") continue;
        names.push_back(Utf8ToUtf16(n));
    }
    ::closedir(d);
    return names;
}

bool DiskFreeBytes(std::u16string_view path, uint64_t& freeBytes) {
    std::u16string p(path);
    while (!p.empty() && !DirectoryExists(p) && !FileExists(p)) p = std::u16string(FolderOf(p));
    // Nothing of it exists: a relative path lies in the working folder.
    if (p.empty()) p = !path.empty() && path.front() == kPathSeparator ? u"/" : u".";
    struct statvfs vs;
    if (::statvfs(NativePath(p).c_str(), &vs) != 0) return Fail();
    freeBytes = uint64_t(vs.f_bavail) * uint64_t(vs.f_frsize);
    return true;
}

File::~File() { Close(); }

File::File(File&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

bool File::Open(std::u16string_view path, unsigned flags) {
    Close();
    int mode = (flags & kReadWrite) == kReadWrite ? O_RDWR : (flags & kWrite) ? O_WRONLY : O_RDONLY;
    if (flags & kCreate) mode |= O_CREAT;
    if (flags & kTruncate) mode |= O_TRUNC;
    if (flags & kAppend) mode |= O_APPEND;
    if (flags & kExclusive) mode |= O_EXCL | O_CREAT;
    std::string p = NativePath(path);
    m_fd = ::open(p.c_str(), mode | O_CLOEXEC, 0644);
    if (m_fd < 0) return Fail();
    struct stat st;
    if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        Close();
        SetLastError(EISDIR);
        return false;
    }
    return true;
}

void File::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

int64_t File::Read(void* buffer, size_t length) {
    if (m_fd < 0) {
        SetLastError(EBADF);
        return -1;
    }
    for (;;) {
        ssize_t n = ::read(m_fd, buffer, length);
        if (n >= 0) return n;
        if (errno != EINTR) {
            SetLastErrorFromErrno();
            return -1;
        }
    }
}

bool File::Write(const void* buffer, size_t length) {
    if (m_fd < 0) {
        SetLastError(EBADF);
        return false;
    }
    const char* p = static_cast<const char*>(buffer);
    while (length > 0) {
        ssize_t n = ::write(m_fd, p, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail();
        }
        p += n;
        length -= size_t(n);
    }
    return true;
}

int64_t File::Seek(int64_t offset, Origin origin) {
    int whence = origin == kBegin ? SEEK_SET : origin == kCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(m_fd, off_t(offset), whence);
    if (r < 0) SetLastErrorFromErrno();
    return r < 0 ? -1 : int64_t(r);
}

int64_t File::Length() const {
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return -1;
    return int64_t(st.st_size);
}

bool File::Flush() { return m_fd >= 0 && (::fsync(m_fd) == 0 || Fail()); }

}  // namespace plat
