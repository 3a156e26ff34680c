// Files and folders. Failures return false (or -1) and set the last error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

bool FileExists(std::u16string_view path);       // a file, not a folder
bool DirectoryExists(std::u16string_view path);  // a folder
bool CreateDirectory(std::u16string_view path);  // one level; false when it exists
bool CreateDirectories(std::u16string_view path);  // all missing levels
bool DeleteFile(std::u16string_view path);
bool RemoveDirectory(std::u16string_view path);  // an empty folder
bool DeleteTree(std::u16string_view path);      // a folder with all it holds
// Renames; fails when `to` exists, as MoveFile does.
bool MoveFile(std::u16string_view from, std::u16string_view to);
bool CopyFile(std::u16string_view from, std::u16string_view to, bool failIfExists);
int64_t FileSize(std::u16string_view path);  // -1 when missing
bool ReadFile(std::u16string_view path, std::string& bytes);
bool WriteFile(std::u16string_view path, std::string_view bytes);
// Names (not paths) of the entries of a folder, without "." and "..".
std::vector<std::u16string> ListDirectory(std::u16string_view path);

// Free bytes available to the caller on the file system that holds `path` (the
// nearest existing folder above it, when it does not exist yet).
bool DiskFreeBytes(std::u16string_view path, uint64_t& freeBytes);

// An open file, as the system's file handle: unbuffered reads and writes.
class File {
public:
    enum Flags : unsigned {
        kRead = 1,
        kWrite = 2,
        kReadWrite = 3,
        kCreate = 4,     // create when missing
        kTruncate = 8,   // empty an existing file
        kAppend = 16,    // every write goes to the end
        kExclusive = 32  // fail when the file exists
    };
    enum Origin { kBegin, kCurrent, kEnd };

    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    bool Open(std::u16string_view path, unsigned flags);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    // Bytes read, 0 at the end, -1 on error.
    int64_t Read(void* buffer, size_t length);
    // True when every byte was written.
    bool Write(const void* buffer, size_t length);
    int64_t Seek(int64_t offset, Origin origin);  // new position or -1
    int64_t Length() const;                         // -1 on error
    bool Flush();

private:
    int m_fd = -1;
};

}  // namespace plat
