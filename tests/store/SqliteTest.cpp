#include <gtest/gtest.h>

#include "StoreSupport.h"
#include "monitor/Common/SqlText.h"
#include "monitor/Common/Sqlite.h"

using storetest::Column;
using storetest::CopyTemplate;
using storetest::LogEntries;
using storetest::ScalarInt;

namespace {

std::u16string U(const std::string& s) { return plat::Utf8ToUtf16(s); }

TEST(Sqlite, ClosedStoreAndNullArgumentsAreRejected) {
    qntest::TestFolder folder;
    CSqlite db;
    EXPECT_EQ(db.Open(static_cast<const char16_t*>(nullptr)), -1);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(db.Exec(u"SELECT 1;"), -1);
    EXPECT_EQ(db.Query(u"SELECT 1;"), -1);
    EXPECT_EQ(db.Step(), -1);
    EXPECT_EQ(db.GetInt(u"x"), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(db.GetText(u"x")), "");
    EXPECT_EQ(db.ErrorText(), nullptr);
    EXPECT_EQ(db.Finalize(), 0);

    ASSERT_EQ(db.Open(folder.Join(u"empty.db")), 0);
    EXPECT_EQ(db.Exec(static_cast<const char16_t*>(nullptr)), -1);
    EXPECT_EQ(db.Query(static_cast<const char16_t*>(nullptr)), -1);
    EXPECT_EQ(db.Step(), -1);  // nothing pending
    EXPECT_EQ(LogEntries(folder.LogUtf8()), 0u);
}

TEST(Sqlite, OpenAppliesTheSpeedSettings) {
    qntest::TestFolder folder;
    CSqlite db;
    ASSERT_EQ(db.Open(folder.Join(u"a.db")), 0);
    EXPECT_EQ(ScalarInt(db, u"PRAGMA cache_size;", u"cache_size"), 8000);
    EXPECT_EQ(ScalarInt(db, u"PRAGMA synchronous;", u"synchronous"), 0);
    EXPECT_EQ(ScalarInt(db, u"PRAGMA temp_store;", u"temp_store"), 2);  // memory
}

TEST(Sqlite, ColumnsAreFoundByExactNameAndMissingOnesReadEmpty) {
    qntest::TestFolder folder;
    CSqlite db;
    ASSERT_EQ(db.Open(CopyTemplate(folder, u"login.db")), 0);
    ASSERT_EQ(db.Exec(u"INSERT INTO loginuser (id,account,password,rememberpwd,autologin,"
                      u"lastlogintime) VALUES(NULL,'张三@corp.cn',NULL,1,0,1700000000)"),
              0);
    ASSERT_EQ(db.Query(u"SELECT * FROM loginuser order by lastlogintime desc"), 0);
    EXPECT_EQ(db.GetInt(u"id"), 0) << "no row before the first Step";
    ASSERT_EQ(db.Step(), 0);
    EXPECT_EQ(db.GetInt(u"id"), 1);
    EXPECT_EQ(db.GetInt(u"ID"), 0);
    EXPECT_EQ(db.GetInt(u"rememberpwd"), 1);
    EXPECT_EQ(db.GetInt(u"lastlogintime"), 1700000000);
    EXPECT_EQ(std::u16string(db.GetText(u"account")), u"张三@corp.cn");
    EXPECT_EQ(std::u16string(db.GetText(u"Account")), u"");
    EXPECT_EQ(std::u16string(db.GetText(u"nosuch")), u"");
    EXPECT_EQ(std::u16string(db.GetText(nullptr)), u"");
    EXPECT_EQ(db.GetInt(nullptr), 0);
    ASSERT_NE(db.GetText(u"password"), nullptr);  // a NULL value
    EXPECT_EQ(std::u16string(db.GetText(u"password")), u"");
    EXPECT_EQ(db.GetInt(u"password"), 0);
    EXPECT_EQ(db.Step(), 101);
    EXPECT_EQ(db.Finalize(), 0);
    EXPECT_EQ(db.Step(), -1);

    // The first of two columns with the same name wins.
    ASSERT_EQ(db.Query(u"SELECT 7 AS a, 9 AS a, 'x' AS b"), 0);
    ASSERT_EQ(db.Step(), 0);
    EXPECT_EQ(db.GetInt(u"a"), 7);
    // Exec releases the pending query.
    EXPECT_EQ(db.Exec(u"DELETE FROM loginuser;"), 0);
    EXPECT_EQ(db.Step(), -1);
}

TEST(Sqlite, QuotedValuesRoundTrip) {
    qntest::TestFolder folder;
    CSqlite db;
    ASSERT_EQ(db.Open(CopyTemplate(folder, u"login.db")), 0);
    for (std::u16string value :
         {u"", u"'", u"o'neil", u"''", u"王'小'明", u"a');DROP TABLE x;--"}) {
        ASSERT_EQ(db.Exec(u"DELETE FROM loginuser;"), 0);
        std::u16string quoted = SqlQuote(value);
        ASSERT_EQ(db.Exec(plat::Format(u"INSERT INTO loginuser (id,account,password,rememberpwd,"
                                       u"autologin,lastlogintime) VALUES(NULL,'%s','%s',%d,%d,%d)",
                                       quoted, quoted, 0, 0, 0)),
                  0);
        auto got = Column(db, u"SELECT * FROM loginuser", u"password");
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0], value);
    }
    EXPECT_EQ(LogEntries(folder.LogUtf8()), 0u);
}

TEST(Sqlite, FailedStatementIsLoggedAsTwoLines) {
    qntest::TestFolder folder;
    CSqlite db;
    ASSERT_EQ(db.Open(folder.Join(u"new.db")), 0);  // created empty
    const std::u16string query = u"SELECT * FROM loginuser order by lastlogintime desc";
    EXPECT_EQ(db.Query(query), 1);
    EXPECT_EQ(std::u16string(db.ErrorText()), u"no such table: loginuser");
    EXPECT_EQ(db.Exec(u"DELETE FROM web_sync;"), 1);
    std::string log = folder.LogUtf8();
    EXPECT_EQ(LogEntries(log), 2u);
    EXPECT_TRUE(std::regex_search(
        log, std::regex("Sqlite\\.cpp:\\d+ SELECT \\* FROM loginuser order by lastlogintime "
                        "desc\r\nno such table: loginuser\r\n")))
        << log;
    EXPECT_NE(log.find("DELETE FROM web_sync;\r\nno such table: web_sync\r\n"), std::string::npos);
    EXPECT_TRUE(db.IsOpen()) << "only a missing column closes the store";
}

TEST(Sqlite, FailedOpenIsLoggedAndLeavesTheStoreClosed) {
    qntest::TestFolder folder;
    std::u16string path = folder.Join(u"no-such-folder\\x.db");
    CSqlite db;
    EXPECT_EQ(db.Open(path), 14);  // cannot open
    EXPECT_FALSE(db.IsOpen());
    EXPECT_FALSE(db.IsDiskFull());
    EXPECT_EQ(db.Exec(u"SELECT 1;"), -1);
    EXPECT_NE(folder.Log().find(u"sqlite open: " + path + u"\r\n"), std::u16string::npos);
}

// Statements that carry a password: the secret never reaches the log, even
// where SQLite's own message would quote it.
TEST(Sqlite, UnloggedStatementsKeepTheirTextOutOfTheLog) {
    struct Case {
        const char* db;  // template to use, or none for an empty file
        std::u16string statement;
    };
    const Case cases[] = {
        {nullptr,
         u"INSERT INTO loginuser (id,account,password,rememberpwd,autologin,lastlogintime) "
         u"VALUES(NULL,'who@corp.cn','S3cr3tPw',1,0,0)"},
        {"login.db", u"SELECT * FROM loginuser WHERE account='S3cr3tPw"},            // unterminated
        {"login.db", u"UPDATE loginuser SET password=S3cr3tPw where account='a';"},  // bare word
    };
    for (const Case& c : cases) {
        for (bool query : {false, true}) {
            SCOPED_TRACE(plat::Utf16ToUtf8(c.statement) + (query ? " (query)" : " (exec)"));
            qntest::TestFolder folder;
            std::u16string path = c.db ? CopyTemplate(folder, U(c.db)) : folder.Join(u"empty.db");
            CSqlite db;
            ASSERT_EQ(db.Open(path), 0);
            int rc = query ? db.QueryUnlogged(c.statement) : db.ExecUnlogged(c.statement);
            EXPECT_NE(rc, 0);
            std::string log = folder.LogUtf8();
            EXPECT_EQ(LogEntries(log), 1u) << log;
            EXPECT_NE(log.find("(statement not logged)\r\n"), std::string::npos) << log;
            EXPECT_EQ(log.find("S3cr3tPw"), std::string::npos) << log;
            EXPECT_EQ(log.find("who@corp.cn"), std::string::npos) << log;

            // The logged form of the same statement does carry it.
            CSqlite logged;
            ASSERT_EQ(logged.Open(path), 0);
            EXPECT_NE(query ? logged.Query(c.statement) : logged.Exec(c.statement), 0);
            EXPECT_NE(folder.LogUtf8().find("S3cr3tPw"), std::string::npos);
        }
    }
}

// An old Address.db whose contact tables lack sortid.
class SortidRepair : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = CopyTemplate(m_folder, u"Address.db");
        CSqlite db;
        ASSERT_EQ(db.Open(m_path), 0);
        ASSERT_EQ(db.Exec(u"ALTER TABLE contact_share DROP COLUMN sortid;"), 0);
        ASSERT_EQ(db.Exec(u"INSERT INTO contact_share(id,cg_id,name) VALUES(NULL,1,'old');"), 0);
        ASSERT_EQ(LogEntries(m_folder.LogUtf8()), 0u);
    }
    std::vector<std::u16string> Columns(const char16_t* table) {
        CSqlite db;
        EXPECT_EQ(db.Open(m_path), 0);
        return Column(db, plat::Format(u"PRAGMA table_info(%s);", table).c_str(), u"name");
    }
    bool HasSortid(const char16_t* table) {
        auto names = Columns(table);
        return std::find(names.begin(), names.end(), u"sortid") != names.end();
    }

    qntest::TestFolder m_folder;
    std::u16string m_path;
};

TEST_F(SortidRepair, InsertIntoShareAddsTheColumnAndSucceeds) {
    CSqlite db;
    ASSERT_EQ(db.Open(m_path), 0);
    const std::u16string insert =
        u"INSERT INTO contact_share(id,cg_id,call_number,call_time,name,email,remark,sortid) "
        u"VALUES(NULL,1,0,'','新','new@corp.cn','',42);";
    EXPECT_EQ(db.Exec(insert), 0);
    EXPECT_TRUE(db.IsOpen());
    auto sortids = Column(db, u"select name,sortid from contact_share order by id", u"sortid");
    EXPECT_EQ(sortids, (std::vector<std::u16string>{u"0", u"42"}));  // default for the old row

    std::string log = m_folder.LogUtf8();
    EXPECT_EQ(LogEntries(log), 1u) << log;
    EXPECT_NE(log.find(plat::Utf16ToUtf8(insert) +
                       "\r\ntable contact_share has no column named sortid\r\n"),
              std::string::npos)
        << log;
}

TEST_F(SortidRepair, QueriesNamingSortidRepairTheirTable) {
    struct Case {
        const char16_t* table;
        const char16_t* query;
    };
    const Case cases[] = {
        {u"contact_self", u"select id,name,sortid from contact_self where cg_id=1"},
        {u"contact_share",
         u"select id,name,email,mobile,sortid from contact_share where cg_id=1 order by name asc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(plat::Utf16ToUtf8(c.query));
        ASSERT_FALSE(HasSortid(c.table));
        size_t before = LogEntries(m_folder.LogUtf8());
        CSqlite db;
        ASSERT_EQ(db.Open(m_path), 0);
        ASSERT_EQ(db.Query(c.query), 0);
        int rows = 0;
        while (db.Step() == 0) {
            EXPECT_EQ(db.GetInt(u"sortid"), 0);
            ++rows;
        }
        EXPECT_EQ(rows, std::u16string(c.table) == u"contact_share" ? 1 : 0);
        db.Close();
        EXPECT_TRUE(HasSortid(c.table));
        EXPECT_EQ(LogEntries(m_folder.LogUtf8()), before + 1);
    }
}

TEST_F(SortidRepair, FailedRepairReturnsTheFirstErrorAndLeavesTheStoreClosed) {
    // Another column missing: no rule applies.
    CSqlite db;
    ASSERT_EQ(db.Open(m_path), 0);
    EXPECT_EQ(db.Exec(u"INSERT INTO contact_share(id,cg_id,nickname) VALUES(NULL,1,'x');"), 1);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(db.Exec(u"SELECT 1;"), -1);
    EXPECT_EQ(db.ErrorText(), nullptr);
    EXPECT_FALSE(HasSortid(u"contact_share"));
    EXPECT_EQ(LogEntries(m_folder.LogUtf8()), 1u);

    // A repair of the wrong table: the statement names contact_share, the
    // missing sortid is contact_self's. The repair runs once, the statement is
    // tried once more and fails again; nothing loops.
    ASSERT_EQ(db.Open(m_path), 0);
    EXPECT_EQ(db.Query(u"select sortid from contact_self where cg_id in (select cg_id from "
                       u"contact_share )"),
              1);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(HasSortid(u"contact_share"));
    EXPECT_FALSE(HasSortid(u"contact_self"));
    EXPECT_EQ(LogEntries(m_folder.LogUtf8()), 3u);
}

// The notice clock is driven by hand; the last-notice time is module-wide, so
// every test sets it first.
int64_t g_now = 0;
int64_t TestClock() { return g_now; }
bool NoSpace(std::u16string_view) { return false; }

class DiskFull : public ::testing::Test {
protected:
    void SetUp() override {
        g_now = 1700000000;
        SetSqliteClock(TestClock);
        SetSqliteNoticeTime(g_now - 60);
    }
    void TearDown() override {
        SetSqliteClock(nullptr);
        SetSqliteSpaceCheck(nullptr);
    }
    // A store whose file may not grow: the next insert reports a full database.
    void OpenCapped(CSqlite& db, const char16_t* name = u"capped.db") {
        ASSERT_EQ(db.Open(m_folder.Join(name)), 0);
        ASSERT_EQ(db.Exec(u"CREATE TABLE t (x BLOB);"), 0);
        int pages = ScalarInt(db, u"PRAGMA page_count;", u"page_count");
        ASSERT_EQ(db.Exec(plat::Format(u"PRAGMA max_page_count = %d;", pages)), 0);
    }
    qntest::TestFolder m_folder;
};

TEST_F(DiskFull, FullDatabaseComposesOneNoticePerSecond) {
    CSqlite db;
    OpenCapped(db);
    const char16_t* insert = u"INSERT INTO t VALUES (zeroblob(100000));";
    uint32_t count = LastSqliteDiskFullNotice().count;

    EXPECT_EQ(db.Exec(insert), 13);
    EXPECT_TRUE(db.IsDiskFull());
    EXPECT_EQ(std::u16string(db.ErrorText()), kSqliteFullText);
    SqliteDiskFullNotice notice = LastSqliteDiskFullNotice();
    EXPECT_EQ(notice.count, count + 1);
    EXPECT_EQ(notice.text, kSqliteExecFullNotice);
    EXPECT_EQ(notice.time, g_now);
    EXPECT_NE(m_folder.Log().find(std::u16string(insert) + u"\r\n" + kSqliteFullText + u"\r\n"),
              std::u16string::npos);

    EXPECT_EQ(db.Exec(insert), 13);  // the same second
    EXPECT_EQ(LastSqliteDiskFullNotice().count, count + 1);

    g_now += 1;
    CSqlite other;  // the time is shared by all stores
    OpenCapped(other, u"other.db");
    EXPECT_EQ(other.Exec(u"INSERT INTO t VALUES (zeroblob(100000));"), 13);
    notice = LastSqliteDiskFullNotice();
    EXPECT_EQ(notice.count, count + 2);
    EXPECT_EQ(notice.time, g_now);
}

TEST_F(DiskFull, NoticeCanBeSwitchedOffPerStore) {
    CSqlite db;
    OpenCapped(db);
    db.SetReportDiskFull(false);
    uint32_t count = LastSqliteDiskFullNotice().count;
    EXPECT_EQ(db.Exec(u"INSERT INTO t VALUES (zeroblob(100000));"), 13);
    EXPECT_TRUE(db.IsDiskFull());
    EXPECT_EQ(LastSqliteDiskFullNotice().count, count);
}

TEST_F(DiskFull, OpenOnAFullDriveComposesTheOpenNotice) {
    SetSqliteSpaceCheck(NoSpace);
    uint32_t count = LastSqliteDiskFullNotice().count;
    CSqlite db;
    EXPECT_NE(db.Open(m_folder.Join(u"missing\\x.db")), 0);
    EXPECT_TRUE(db.IsDiskFull());
    SqliteDiskFullNotice notice = LastSqliteDiskFullNotice();
    EXPECT_EQ(notice.count, count + 1);
    EXPECT_EQ(notice.text, kSqliteOpenFullNotice);
    EXPECT_NE(db.Open(m_folder.Join(u"missing\\x.db")), 0);  // same second
    EXPECT_EQ(LastSqliteDiskFullNotice().count, count + 1);

    // A good open clears the flag.
    EXPECT_EQ(db.Open(m_folder.Join(u"x.db")), 0);
    EXPECT_FALSE(db.IsDiskFull());
}

}  // namespace
