#include "platform/File.h"

#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>

#include "TempDir.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace {

class FileTest : public ::testing::Test {
protected:
    std::u16string Put(std::u16string_view name, std::string_view bytes) {
        std::u16string path = m_dir.Join(name);
        EXPECT_TRUE(plat::WriteFile(path, bytes));
        return path;
    }
    std::string Get(const std::u16string& path) {
        std::string bytes;
        EXPECT_TRUE(plat::ReadFile(path, bytes)) << plat::Utf16ToUtf8(path);
        return bytes;
    }

    qntest::TempDir m_dir;
};

TEST_F(FileTest, MoveFileRefusesAnExistingTarget) {
    std::u16string a = Put(u"Update.exe", "old"), d = Put(u"Update.exed", "new");
    EXPECT_FALSE(plat::MoveFile(d, a));
    EXPECT_EQ(plat::GetLastError(), plat::kErrorAlreadyExists);
    EXPECT_EQ(Get(a), "old");
    EXPECT_EQ(Get(d), "new");

    std::u16string b = m_dir.Join(u"Update.exeb");
    ASSERT_TRUE(plat::MoveFile(a, b));
    ASSERT_TRUE(plat::MoveFile(d, a));
    EXPECT_EQ(Get(a), "new");
    EXPECT_EQ(Get(b), "old");
    EXPECT_FALSE(plat::FileExists(d));

    EXPECT_FALSE(plat::MoveFile(m_dir.Join(u"none"), m_dir.Join(u"other")));
    EXPECT_EQ(plat::GetLastError(), plat::kErrorFileNotFound);
}

TEST_F(FileTest, MoveFileMovesFolders) {
    ASSERT_TRUE(plat::CreateDirectory(m_dir.Join(u"from")));
    Put(u"from/x", "x");
    ASSERT_TRUE(plat::MoveFile(m_dir.Join(u"from"), m_dir.Join(u"to")));
    EXPECT_EQ(Get(m_dir.Join(u"to/x")), "x");
}

TEST_F(FileTest, CopyFileHonoursFailIfExists) {
    std::u16string src = Put(u"Address.db", std::string(100000, 'a'));
    std::u16string dst = Put(u"copy.db", "keep");
    EXPECT_FALSE(plat::CopyFile(src, dst, true));
    EXPECT_EQ(Get(dst), "keep");
    ASSERT_TRUE(plat::CopyFile(src, dst, false));
    EXPECT_EQ(Get(dst), std::string(100000, 'a'));
    ASSERT_TRUE(plat::CopyFile(src, m_dir.Join(u"fresh.db"), true));
    EXPECT_EQ(plat::FileSize(m_dir.Join(u"fresh.db")), 100000);
    EXPECT_FALSE(plat::CopyFile(m_dir.Join(u"none"), m_dir.Join(u"n2"), false));
    EXPECT_FALSE(plat::FileExists(m_dir.Join(u"n2")));
}

TEST_F(FileTest, CopyFileOntoItselfKeepsTheFile) {
    std::u16string src = Put(u"Address.db", "precious");
    EXPECT_FALSE(plat::CopyFile(src, src, false));
    EXPECT_EQ(Get(src), "precious");
    // The same file under another name.
    ASSERT_TRUE(plat::CreateDirectory(m_dir.Join(u"sub")));
    EXPECT_FALSE(plat::CopyFile(src, m_dir.Join(u"sub/../Address.db"), false));
    EXPECT_EQ(Get(src), "precious");
}

TEST_F(FileTest, DeleteTreeRemovesEverythingBelow) {
    ASSERT_TRUE(plat::CreateDirectories(m_dir.Join(u"account/a@b.com/x")));
    Put(u"account/a@b.com/Address.db", "db");
    Put(u"account/a@b.com/x/y", "y");
    EXPECT_FALSE(plat::RemoveDirectory(m_dir.Join(u"account")));  // not empty
    EXPECT_FALSE(plat::DeleteFile(m_dir.Join(u"account")));       // a folder
    ASSERT_TRUE(plat::DeleteTree(m_dir.Join(u"account")));
    EXPECT_FALSE(plat::DirectoryExists(m_dir.Join(u"account")));
    EXPECT_TRUE(plat::ListDirectory(m_dir.Path()).empty());
}

TEST_F(FileTest, FoldersAndFilesAreTold) {
    std::u16string f = Put(u"f", "abc");
    EXPECT_TRUE(plat::FileExists(f));
    EXPECT_FALSE(plat::DirectoryExists(f));
    EXPECT_TRUE(plat::DirectoryExists(m_dir.Path()));
    EXPECT_FALSE(plat::FileExists(m_dir.Path()));
    EXPECT_FALSE(plat::CreateDirectory(m_dir.Path()));  // exists
    EXPECT_TRUE(plat::CreateDirectories(m_dir.Join(u"a/b/c")));
    EXPECT_TRUE(plat::CreateDirectories(m_dir.Join(u"a/b/c")));   // all there already
    EXPECT_FALSE(plat::CreateDirectories(m_dir.Join(u"f/sub")));  // below a file
    EXPECT_EQ(plat::FileSize(f), 3);
    EXPECT_EQ(plat::FileSize(m_dir.Join(u"none")), -1);
    auto names = plat::ListDirectory(m_dir.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"a", u"f"}));
}

TEST_F(FileTest, OpenFlags) {
    std::u16string path = Put(u"log", "12345");
    plat::File f;
    EXPECT_FALSE(f.Open(path, plat::File::kWrite | plat::File::kExclusive));
    EXPECT_FALSE(f.Open(m_dir.Join(u"none"), plat::File::kRead));
    EXPECT_FALSE(f.IsOpen());
    EXPECT_FALSE(f.Open(m_dir.Path(), plat::File::kRead));  // a folder is no file

    ASSERT_TRUE(f.Open(path, plat::File::kReadWrite | plat::File::kAppend));
    f.Seek(0, plat::File::kBegin);
    ASSERT_TRUE(f.Write("67", 2));
    EXPECT_EQ(f.Length(), 7);
    char buf[8] = {};
    EXPECT_EQ(f.Seek(1, plat::File::kBegin), 1);
    EXPECT_EQ(f.Read(buf, sizeof buf), 6);
    EXPECT_EQ(std::string(buf, 6), "234567");
    EXPECT_EQ(f.Read(buf, sizeof buf), 0);  // at the end
    f.Close();
    EXPECT_EQ(f.Read(buf, 1), -1);
    EXPECT_FALSE(f.Write("x", 1));

    ASSERT_TRUE(f.Open(path, plat::File::kWrite | plat::File::kTruncate));
    EXPECT_EQ(f.Length(), 0);
}

// The figure statvfs gives for the nearest existing folder.
uint64_t FreeOf(const char* folder) {
    struct statvfs vs;
    EXPECT_EQ(::statvfs(folder, &vs), 0);
    return uint64_t(vs.f_bavail) * vs.f_frsize;
}

TEST_F(FileTest, DiskFreeBytesOfExistingAndMissingPaths) {
    uint64_t expected = FreeOf(plat::Utf16ToUtf8(m_dir.Path()).c_str());
    ASSERT_GT(expected, 0u);
    // Free space moves as others write; a few MiB of slack keeps this honest.
    auto near = [&](uint64_t v) { return v + (8u << 20) > expected && v < expected + (8u << 20); };
    uint64_t got = 0;
    ASSERT_TRUE(plat::DiskFreeBytes(m_dir.Path(), got));
    EXPECT_TRUE(near(got)) << got << " vs " << expected;
    ASSERT_TRUE(plat::DiskFreeBytes(m_dir.Join(u"not/yet/made.txt"), got));
    EXPECT_TRUE(near(got)) << got << " vs " << expected;
    ASSERT_TRUE(plat::DiskFreeBytes(Put(u"file", "x"), got));
    EXPECT_TRUE(near(got));
}

// A relative path is taken from the working folder, like any other relative
// path, not from the root.
TEST_F(FileTest, DiskFreeBytesOfARelativeMissingPath) {
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir("/proc"), 0);  // a file system without free blocks
    uint64_t got = 1;
    bool ok = plat::DiskFreeBytes(u"not-there/x", got);
    ASSERT_EQ(::chdir(cwd), 0);
    ASSERT_TRUE(ok);
    EXPECT_EQ(got, 0u);
}

}  // namespace
