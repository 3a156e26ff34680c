#include "monitor/Common/Log.h"

#include <gtest/gtest.h>

#include <regex>
#include <thread>
#include <vector>

#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Time.h"
#include "support/TestFolder.h"

namespace {

std::string LogBytes(const qntest::TestFolder& folder) {
    std::string bytes;
    plat::ReadFile(folder.Join(u"ABMonitor_log.txt"), bytes);
    return bytes;
}

std::string Stamp(const plat::SystemTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

TEST(Log, NewLogStartsWithTheMarkAndTheEntryFollows) {
    qntest::TestFolder folder;
    EXPECT_EQ(LogBytes(folder), "\xFF\xFE");
    plat::SystemTime before, after;
    plat::GetLocalTime(before);
    WRITE_LOG(u"sqlite open: 中文\r\n");
    plat::GetLocalTime(after);
    std::string bytes = LogBytes(folder);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(bytes[2], 'e');  // UTF-16LE "e" of "error"
    EXPECT_EQ(bytes[3], '\0');

    std::string log = folder.LogUtf8();
    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        log, m,
        std::regex("error (\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}) Log_test\\.cpp:(\\d+) "
                   "sqlite open: 中文\r\n")))
        << log;
    EXPECT_GE(m[1].str(), Stamp(before));  // local time
    EXPECT_LE(m[1].str(), Stamp(after));
    EXPECT_GT(std::stoi(m[2].str()), 0);
}

TEST(Log, NoTextWritesNothing) {
    qntest::TestFolder folder;
    const char16_t* none = nullptr;
    WriteLog(__FILE__, __LINE__, none);
    WRITE_LOG(none);
    EXPECT_EQ(LogBytes(folder), "\xFF\xFE");
    WRITE_LOG(u"");  // a text, if an empty one: the prefix alone
    EXPECT_TRUE(
        std::regex_match(folder.LogUtf8(), std::regex("error [-0-9: ]{19} Log_test\\.cpp:\\d+ ")))
        << folder.LogUtf8();
}

TEST(Log, SourceIsTheNameAfterTheLastSeparator) {
    qntest::TestFolder folder;
    WriteLog("D:\\work\\monitor\\Common\\FileCook", 12, u"a\r\n");
    WriteLog("/src/monitor/Common/Sqlite.cpp", 7, u"b\r\n");
    WriteLog("mixed/dir\\ABDlg.cpp", 3, u"c\r\n");
    WriteLog(nullptr, 99, u"d");
    WriteLog("x", 1, u"e\r\n");  // a text without line end runs on
    const std::string t = "\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}";
    std::string expected = "error " + t + " FileCook:12 a\r\n" + "error " + t +
                           " Sqlite\\.cpp:7 b\r\n" + "error " + t + " ABDlg\\.cpp:3 c\r\n" +
                           "error " + t + " d" + "error " + t + " x:1 e\r\n";
    EXPECT_TRUE(std::regex_match(folder.LogUtf8(), std::regex(expected))) << folder.LogUtf8();
}

TEST(Log, NothingIsWrittenWhileTheLogIsClosed) {
    qntest::TestFolder folder(false);
    WRITE_LOG(u"lost\r\n");
    EXPECT_FALSE(plat::FileExists(folder.Join(u"ABMonitor_log.txt")));
    OpenLog();
    WRITE_LOG(u"kept\r\n");
    CloseLog();
    WRITE_LOG(u"lost again\r\n");
    std::string log = folder.LogUtf8();
    EXPECT_NE(log.find("kept"), std::string::npos);
    EXPECT_EQ(log.find("lost"), std::string::npos);
}

// A previous log of `size` bytes: the mark, then a recognisable pattern.
std::string OldLog(size_t size) {
    std::string bytes(size, '\0');
    bytes[0] = '\xFF';
    bytes[1] = '\xFE';
    for (size_t i = 2; i < size; ++i) bytes[i] = char('a' + i % 26);
    return bytes;
}

TEST(Log, TrimmedAtStartFromTenMillionBytes) {
    struct Case {
        size_t size;
        size_t kept;  // bytes before the first new entry
    } cases[] = {
        {9999999, 9999999},
        {10000000, 65538},
        {10000001, 65538},
        {100, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        qntest::TestFolder folder(false);
        std::string old = OldLog(c.size);
        ASSERT_TRUE(plat::WriteFile(folder.Join(u"ABMonitor_log.txt"), old));
        OpenLog();
        WRITE_LOG(u"first\r\n");
        std::string bytes = LogBytes(folder);
        ASSERT_GT(bytes.size(), c.kept);
        if (c.kept == c.size) {
            EXPECT_EQ(bytes.compare(0, c.size, old), 0);
        } else {
            EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
            EXPECT_EQ(bytes.compare(2, 65536, old, 0, 65536), 0);  // the oldest 64 KiB
        }
        EXPECT_EQ(bytes.compare(c.kept, 2, "e\0", 2), 0);  // "error" of the new entry
    }
}

TEST(Log, EmptyExistingLogGetsTheMark) {
    qntest::TestFolder folder(false);
    ASSERT_TRUE(plat::WriteFile(folder.Join(u"ABMonitor_log.txt"), ""));
    OpenLog();
    EXPECT_EQ(LogBytes(folder), "\xFF\xFE");
}

TEST(Log, EntriesOfSeveralThreadsNeverInterleave) {
    qntest::TestFolder folder;
    constexpr int kThreads = 6, kEntries = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            std::u16string filler(40 + t * 7, char16_t(u'a' + t));
            for (int i = 0; i < kEntries; ++i)
                WRITE_LOGF(u"thread %d entry %d %s\r\n", t, i, filler);
        });
    for (auto& th : threads) th.join();

    std::string log = folder.LogUtf8();
    std::regex entry(
        "error [-0-9: ]{19} Log_test\\.cpp:\\d+ thread (\\d) entry (\\d+) ([a-z]+)\r\n");
    std::vector<int> next(kThreads, 0);
    int count = 0;
    auto begin = std::sregex_iterator(log.begin(), log.end(), entry);
    size_t covered = 0;
    for (auto it = begin; it != std::sregex_iterator(); ++it, ++count) {
        const std::smatch& m = *it;
        ASSERT_EQ(size_t(m.position()), covered) << "garbage before entry " << count;
        covered += size_t(m.length());
        int t = std::stoi(m[1].str());
        EXPECT_EQ(std::stoi(m[2].str()), next[t]++);  // each thread's entries in order
        EXPECT_EQ(m[3].str(), std::string(40 + t * 7, char('a' + t)));
    }
    EXPECT_EQ(covered, log.size());
    EXPECT_EQ(count, kThreads * kEntries);
}

TEST(Log, LastErrorText) {
    plat::SetLastError(2);
    EXPECT_EQ(plat::Utf16ToUtf8(LastErrorText()), "2 - No such file or directory\r\n");
    plat::SetLastError(123456);
    EXPECT_EQ(LastErrorText(), u"123456 - 未找到对应的错误信息！");
    plat::SetLastError(plat::kErrorDiskFull);
    EXPECT_EQ(plat::Utf16ToUtf8(LastErrorText()), "28 - No space left on device\r\n");
}

}  // namespace
