#include "monitor/Common/FileCook.h"

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "platform/File.h"
#include "support/TestFolder.h"

namespace {

TEST(FileCook, ShortPathsPassTheFreeSpaceTestUnasked) {
    for (const char16_t* path : {u"", u"C", u"C:", u"C:\\", u"/pr"})
        EXPECT_TRUE(CFileCook::HasFreeSpace(path, 0xFFFFFFFFu)) << plat::Utf16ToUtf8(path);
}

TEST(FileCook, FreeSpaceOfLongerPaths) {
    qntest::TestFolder folder(false);
    EXPECT_TRUE(CFileCook::HasFreeSpace(folder.Join(u"ABMonitor_log.txt"), 1));
    EXPECT_TRUE(CFileCook::HasFreeSpace(folder.Path(), 0));
    // A file system without free blocks.
    EXPECT_FALSE(CFileCook::HasFreeSpace(u"/proc/self/status", 1));
    EXPECT_FALSE(CFileCook::HasFreeSpace(u"/proc/self/status", 0));
}

TEST(FileCook, FullDiskSetsTheFlagOnEveryFailedWrite) {
    qntest::TestFolder folder;
    CFileCook f(kDiskFullNotice);
    EXPECT_EQ(f.DiskFullNotice(), u"磁盘空间不足，无法完成操作！");
    ASSERT_TRUE(f.Open(u"/dev/full", plat::File::kWrite));
    EXPECT_TRUE(f.IsOpen());
    EXPECT_EQ(f.FilePath(), u"/dev/full");
    f.Write("x", 1);
    EXPECT_TRUE(f.IsDiskFull());
    EXPECT_EQ(f.DiskFullCount(), 1u);
    f.Write("yy", 2);
    EXPECT_EQ(f.DiskFullCount(), 2u);
    f.Write(nullptr, 5);  // nothing to write: the flag is cleared, not set
    EXPECT_FALSE(f.IsDiskFull());
    EXPECT_EQ(f.DiskFullCount(), 2u);
    f.Write("z", 1);
    ASSERT_TRUE(f.IsDiskFull());
    // The next Open clears it.
    ASSERT_TRUE(f.Open(folder.Join(u"ok.txt"), plat::File::kWrite | plat::File::kCreate));
    EXPECT_FALSE(f.IsDiskFull());
    f.Write("fine", 4);
    EXPECT_FALSE(f.IsDiskFull());
    EXPECT_EQ(f.DiskFullCount(), 3u);
    EXPECT_EQ(folder.Log(), u"");  // a full disk is a flag, not a log line
}

TEST(FileCook, OtherWriteErrorsAreLogged) {
    qntest::TestFolder folder;
    std::u16string path = folder.Join(u"version.txt");
    ASSERT_TRUE(plat::WriteFile(path, "1.0"));
    CFileCook f(kDiskFullNotice);
    ASSERT_TRUE(f.Open(path, plat::File::kRead));
    f.Write("2.0", 3);
    EXPECT_FALSE(f.IsDiskFull());
    std::string log = folder.LogUtf8();
    EXPECT_EQ(log.rfind("error ", 0), 0u) << log;
    EXPECT_NE(log.find(" FileCook:"), std::string::npos) << log;
    EXPECT_NE(
        log.find(" file write Err: " + plat::Utf16ToUtf8(path) + " 9 - Bad file descriptor\r\n"),
        std::string::npos)
        << log;
    EXPECT_EQ(log.find("error ", 1), std::string::npos) << "one entry only: " << log;
}

TEST(FileCook, OpenReadAndClose) {
    qntest::TestFolder folder(false);
    std::u16string path = folder.Join(u"data");
    ASSERT_TRUE(plat::WriteFile(path, "abcdef"));
    CFileCook f(kDiskFullNotice);
    char buf[16];
    EXPECT_EQ(f.Read(buf, sizeof buf), 0u);  // not open
    EXPECT_FALSE(f.Open(u"", plat::File::kRead));
    EXPECT_FALSE(f.Open(std::u16string(u"a\0b", 3), plat::File::kRead));
    ASSERT_TRUE(f.Open(path, plat::File::kRead));
    EXPECT_EQ(f.GetLength(), 6);
    EXPECT_EQ(f.Read(nullptr, 4), 0u);
    EXPECT_EQ(f.Read(buf, 0), 0u);
    EXPECT_EQ(f.Seek(2, plat::File::kBegin), 2);
    EXPECT_EQ(f.Read(buf, sizeof buf), 4u);
    EXPECT_EQ(std::string(buf, 4), "cdef");

    // A failed Open of an open object leaves it closed, not half open.
    EXPECT_FALSE(f.Open(folder.Join(u"missing/none"), plat::File::kRead));
    EXPECT_FALSE(f.IsOpen());
    EXPECT_FALSE(f.IsDiskFull());  // the drive has room: just a missing file
    EXPECT_EQ(plat::GetLastError(), plat::kErrorFileNotFound);
    EXPECT_EQ(f.Read(buf, sizeof buf), 0u);
    f.Close();
    f.Close();  // twice is harmless
}

}  // namespace
