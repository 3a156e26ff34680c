#include "service/ServiceLog.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <thread>
#include <vector>

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace {

class ServiceLogTest : public ::testing::Test {
protected:
    ServiceLogTest() : m_dir(plat::MakeTempFolder(u"qnsvc-")) {}
    ~ServiceLogTest() override { plat::DeleteTree(m_dir); }

    std::u16string Path() const { return plat::JoinPath(m_dir, u"ABService_log.txt"); }
    std::string Bytes() const {
        std::string bytes;
        plat::ReadFile(Path(), bytes);
        return bytes;
    }
    // The entries as UTF-8, after the mark.
    std::string Text() const {
        std::string bytes = Bytes();
        if (bytes.size() < 2) return {};
        return plat::Utf16ToUtf8(std::u16string_view(
            reinterpret_cast<const char16_t*>(bytes.data() + 2), (bytes.size() - 2) / 2));
    }

    std::u16string m_dir;
};

TEST(ChinaTime, IsUtcPlusEightWithTheDateCarried) {
    struct Case {
        int64_t utc;
        int year, month, day, hour, minute;
    } cases[] = {
        {1704038400, 2024, 1, 1, 0, 0},   // 2023-12-31 16:00 UTC: the next year
        {1704054600, 2024, 1, 1, 4, 30},  // 2023-12-31 20:30 UTC
        {1704038399, 2023, 12, 31, 23, 59},
        {1709136000, 2024, 2, 29, 0, 0},  // 2024-02-28 16:00 UTC: a leap day
        {0, 1970, 1, 1, 8, 0},
    };
    for (const auto& c : cases) {
        plat::SystemTime t = ChinaTimeOf(c.utc);
        EXPECT_EQ(t.year, c.year) << c.utc;
        EXPECT_EQ(t.month, c.month) << c.utc;
        EXPECT_EQ(t.day, c.day) << c.utc;
        EXPECT_EQ(t.hour, c.hour) << c.utc;
        EXPECT_EQ(t.minute, c.minute) << c.utc;
    }
}

TEST_F(ServiceLogTest, StartPutsTheMarkIntoANewLogOnce) {
    OpenServiceLog(Path());
    EXPECT_EQ(ServiceLogPath(), Path());
    EXPECT_EQ(Bytes(), "\xFF\xFE");
    OpenServiceLog(Path());
    EXPECT_EQ(Bytes(), "\xFF\xFE");
}

TEST_F(ServiceLogTest, EntriesFollowTheMarkInChinaTime) {
    OpenServiceLog(Path());
    auto stamp = [](const plat::SystemTime& t) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                      t.hour, t.minute, t.second);
        return std::string(buf);
    };
    std::string before = stamp(ChinaTimeOf(plat::TimeNow()));
    SERVICE_LOGF(u"CreateProcessAsUser %s err:%d\r\n", u"QuillnetM-PluginMonitor.exe", 5);
    std::string after = stamp(ChinaTimeOf(plat::TimeNow()));
    std::string bytes = Bytes();
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes.compare(0, 4,
                            "\xFF\xFE"
                            "e\0",
                            4),
              0);
    std::smatch m;
    std::string text = Text();
    ASSERT_TRUE(
        std::regex_match(text, m,
                         std::regex("error ([-0-9: ]{19}) ServiceLog_test\\.cpp:\\d+ "
                                    "CreateProcessAsUser QuillnetM-PluginMonitor\\.exe err:5\r\n")))
        << text;
    EXPECT_GE(m[1].str(), before);
    EXPECT_LE(m[1].str(), after);
}

TEST_F(ServiceLogTest, NoTextWritesNothing) {
    OpenServiceLog(Path());
    const char16_t* none = nullptr;
    SERVICE_LOG(none);
    EXPECT_EQ(Bytes(), "\xFF\xFE");
}

TEST_F(ServiceLogTest, SourceIsTheNameAfterTheLastSeparator) {
    OpenServiceLog(Path());
    WriteServiceLog("C:\\build\\service\\ABService.cpp", 41, u"a\r\n");
    WriteServiceLog("/src/service/ABService.cpp", 42, u"b\r\n");
    EXPECT_TRUE(std::regex_match(Text(), std::regex("error [-0-9: ]{19} ABService\\.cpp:41 a\r\n"
                                                    "error [-0-9: ]{19} ABService\\.cpp:42 b\r\n")))
        << Text();
}

TEST_F(ServiceLogTest, EachEntryReopensTheFile) {
    OpenServiceLog(Path());
    SERVICE_LOG(u"one\r\n");
    ASSERT_TRUE(plat::DeleteFile(Path()));  // someone cleared the log meanwhile
    SERVICE_LOG(u"two\r\n");
    EXPECT_EQ(Bytes().substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(Text().find("one"), std::string::npos);
    EXPECT_NE(Text().find("two\r\n"), std::string::npos);

    // A log that cannot be opened loses the entry; the next one tries again.
    std::u16string elsewhere = plat::JoinPath({m_dir, u"later", u"ABService_log.txt"});
    OpenServiceLog(elsewhere);
    SERVICE_LOG(u"lost\r\n");
    ASSERT_TRUE(plat::CreateDirectory(plat::JoinPath(m_dir, u"later")));
    SERVICE_LOG(u"found\r\n");
    std::string bytes;
    ASSERT_TRUE(plat::ReadFile(elsewhere, bytes));
    std::u16string text(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
    EXPECT_EQ(text.substr(0, 1), u"\uFEFF");
    EXPECT_EQ(text.find(u"lost"), std::u16string::npos);
    EXPECT_NE(text.find(u"found\r\n"), std::u16string::npos);
}

TEST_F(ServiceLogTest, EntriesOfSeveralThreadsStayWhole) {
    OpenServiceLog(Path());
    constexpr int kThreads = 4, kEntries = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kEntries; ++i)
                SERVICE_LOGF(u"watch %d:%d %s\r\n", t, i, std::u16string(30 + t, u'x'));
        });
    for (auto& th : threads) th.join();
    std::string text = Text();
    std::regex line("error [-0-9: ]{19} ServiceLog_test\\.cpp:\\d+ watch (\\d):(\\d+) (x+)\r\n");
    std::map<int, int> seen;
    size_t at = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line);
         it != std::sregex_iterator(); ++it) {
        ASSERT_EQ(size_t(it->position()), at);
        at += size_t(it->length());
        int t = std::stoi((*it)[1].str());
        EXPECT_EQ((*it)[3].length(), 30 + t);
        ++seen[t];
    }
    EXPECT_EQ(at, text.size());
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(seen[t], kEntries);
}

}  // namespace
