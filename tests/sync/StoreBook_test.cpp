#include "monitor/AddressBookSync/StoreBook.h"

#include <gtest/gtest.h>

#include <csignal>

#include "SyncTestSupport.h"

using synctest::ExecSql;
using synctest::Json;
using synctest::Rows;
using Strings = std::vector<std::string>;

namespace {

const char kGroupRows[] =
    "SELECT id,parent_id,name,type,depth FROM contact_group_share ORDER BY id";
const char kSelfGroupRows[] =
    "SELECT id,parent_id,name,type,depth FROM contact_group_self ORDER BY id";

class StoreBookTest : public ::testing::Test {
protected:
    qntest::TestFolder folder;
    std::u16string db = synctest::MakeAccountDb(folder, u"wang@corp.cn");
};

TEST_F(StoreBookTest, SharedGroupsHangBelowTheRootWithTheirDepths) {
    StoreShareBook(Json(R"({"groups":[{"group_id":5,"parent_group_id":0,"name":"A"},
                                      {"group_id":7,"parent_group_id":5,"name":"B"}]})"),
                   db, 0);
    EXPECT_EQ(Rows(db, kGroupRows), (Strings{"1|0|公司共享通讯录|4|0", "6|1|A|4|1", "8|6|B|4|2"}));

    // Listed child first, the child finds no parent row yet.
    StoreShareBook(Json(R"({"groups":[{"group_id":7,"parent_group_id":5,"name":"B"},
                                      {"group_id":5,"parent_group_id":0,"name":"A"}]})"),
                   db, 1);
    EXPECT_EQ(Rows(db, kGroupRows), (Strings{"1|0|公司共享通讯录|4|0", "6|1|A|4|1", "8|6|B|4|0"}));
}

TEST_F(StoreBookTest, SharedIdsFollowTheServerType) {
    struct Case {
        int serverType;
        const char* group;  // group_id, parent_group_id
        const char* dep;    // the contact's dep member, or ""
        const char* groupRow;
        const char* cgId;
    } cases[] = {
        {0, R"("group_id":5,"parent_group_id":0)", R"("dep":5,)", "6|1", "6"},
        {0, R"("group_id":5,"parent_group_id":0)", "", "6|1", "1"},
        {1, R"("group_id":"l12","parent_group_id":"0")", R"("dep":"l12",)", "1000000013|1",
         "1000000013"},
        {1, R"("group_id":"5x","parent_group_id":"x")", R"("dep":"5",)", "6|1", "6"},
        // The older server's second space: the root of it hangs at the top, a
        // contact in it goes to the root, one beyond it to a fixed group.
        {0, R"("group_id":1000000000,"parent_group_id":1000000000)", R"("dep":1000000000,)",
         "1000000001|1", "1"},
        {0, R"("group_id":5,"parent_group_id":1000000000)", R"("dep":1000000007,)", "6|1000000001",
         "1000000000"},
        {1, R"("group_id":5,"parent_group_id":0)", R"("dep":7,)", "6|1", "8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.group) + " " + c.dep);
        std::string reply = std::string(R"({"groups":[{)") + c.group + R"(,"name":"G"}],)" +
                            R"("addresses":[{)" + c.dep + R"("name":"n"}]})";
        StoreShareBook(Json(reply), db, c.serverType);
        Strings groups = Rows(db, "SELECT id,parent_id FROM contact_group_share ORDER BY id");
        ASSERT_EQ(groups.size(), 2u);
        EXPECT_EQ(groups[0], "1|0");
        EXPECT_EQ(groups[1], c.groupRow);
        EXPECT_EQ(Rows(db, "SELECT cg_id FROM contact_share"), Strings{c.cgId});
    }
}

TEST_F(StoreBookTest, ContactMembersFillTheirColumns) {
    StoreShareBook(
        Json(R"({"addresses":[{"id":77,"name":"O'Brien 王","email":"ob@corp.cn","mobile":null,
            "msn":"m","qq":12345,"homepage":"h","country":"c","city":"ci","address":"a",
            "telephone":"t","postcode":"p","company":"co","company_address":"ca","job":"j",
            "company_telephone":"ct","company_fax":"cf","company_code":"cc","remark":"r",
            "sortid":9,"extra":"ignored"}]})"),
        db, 1);
    EXPECT_EQ(Rows(db,
                   "SELECT id,cg_id,call_number,call_time,name,alias,mobile,email,qq,msn,website,"
                   "country,city,address,tel,company_name,company_post,company_code,"
                   "company_address,company_tel,company_fax,family_country,family_city,"
                   "family_code,family_address,family_tel,remark,sortid FROM contact_share"),
              Strings{"1|1|0||O'Brien 王||null|ob@corp.cn|12345|m|h|||||co|j|cc|ca|ct|cf|c|ci|p|a|"
                      "t|r|9"});
}

TEST_F(StoreBookTest, OnlyTheMembersPresentReplaceTheirTables) {
    StoreShareBook(Json(R"({"groups":[{"group_id":5,"parent_group_id":0,"name":"A"}],
                            "addresses":[{"name":"old","dep":5}]})"),
                   db, 0);
    StoreShareBook(Json(R"({"addresses":[{"name":"new"}]})"), db, 0);
    EXPECT_EQ(Rows(db, kGroupRows), (Strings{"1|0|公司共享通讯录|4|0", "6|1|A|4|1"}));
    EXPECT_EQ(Rows(db, "SELECT name,cg_id FROM contact_share"), Strings{"new|1"});

    StoreShareBook(Json(R"({"groups":{},"addresses":"none"})"), db, 0);
    StoreShareBook(Json(R"([1,2])"), db, 0);
    EXPECT_EQ(Rows(db, "SELECT name FROM contact_share"), Strings{"new"});
}

TEST_F(StoreBookTest, PrivateBookRowsGroupsAndUpdateTime) {
    StorePersonalBook(Json(R"({"groups":[{"group_id":3,"parent_group_id":0,"name":"同事"},
                                         {"group_id":9,"parent_group_id":3,"name":"老同事"},
                                         {"group_id":4,"parent_group_id":1000000000,"name":"X"},
                                         {"group_id":1000000000,"parent_group_id":0,"name":"Y"}],
                               "addresses":[{"name":"a","groupIds":[3,9],"updatetime":100},
                                            {"name":"b","groupIds":[],"updatetime":-1},
                                            {"name":"c","dep":9,"groupIds":[0],"updatetime":50}]})"),
                      db, 0);
    EXPECT_EQ(Rows(db, kSelfGroupRows),
              (Strings{"1|0|私有通讯录|0|0", "3|1|同事|1|1", "4|1|X|1|1", "9|3|老同事|1|2"}));
    // The older server's dep is not a group of the private book.
    EXPECT_EQ(Rows(db, "SELECT name,cg_id FROM contact_self ORDER BY id"),
              (Strings{"a|3", "a|9", "b|1", "c|1"}));
    // Compared unsigned, -1 is the latest.
    EXPECT_EQ(Rows(db, "SELECT vl FROM web_sync WHERE nm='personaltime'"), Strings{"4294967295"});

    StorePersonalBook(Json(R"({"addresses":[{"name":"c","dep":9,"groupIds":[3]}]})"), db, 1);
    EXPECT_EQ(Rows(db, "SELECT name,cg_id FROM contact_self ORDER BY id"), (Strings{"c|9", "c|3"}));
    EXPECT_EQ(Rows(db, "SELECT vl FROM web_sync WHERE nm='personaltime'"), Strings{"4294967295"});
}

// The server's own private group 1 would meet the root at id 1: it moves to
// the first id above all others, and its subgroups and contacts follow it.
TEST_F(StoreBookTest, PrivateGroupOneMovesAboveTheOtherIds) {
    StorePersonalBook(Json(R"({"addresses":[{"name":"a","groupIds":[1]},
                                            {"name":"b","groupIds":[2]},
                                            {"name":"c","dep":1}],
                               "groups":[{"group_id":1,"parent_group_id":0,"name":"好友"},
                                         {"group_id":2,"parent_group_id":1,"name":"同学"},
                                         {"group_id":7,"parent_group_id":0,"name":"家人"}]})"),
                      db, 1);
    EXPECT_EQ(Rows(db, kSelfGroupRows),
              (Strings{"1|0|私有通讯录|0|0", "2|8|同学|1|2", "7|1|家人|1|1", "8|1|好友|1|1"}));
    EXPECT_EQ(Rows(db, "SELECT name,cg_id FROM contact_self ORDER BY id"),
              (Strings{"a|8", "b|2", "c|8"}));
}

// A table that never reuses its keys would give a NULL root another id.
TEST_F(StoreBookTest, RootsKeepIdOneWhateverTheTableNumbersNext) {
    ExecSql(db,
            "DROP TABLE contact_group_share; DROP TABLE contact_group_self;"
            "CREATE TABLE contact_group_share (id INTEGER PRIMARY KEY AUTOINCREMENT, parent_id "
            "INTEGER, name TEXT, type INTEGER, depth INTEGER);"
            "CREATE TABLE contact_group_self (id INTEGER PRIMARY KEY AUTOINCREMENT, parent_id "
            "INTEGER, name TEXT, type INTEGER, depth INTEGER);");
    for (int round = 0; round < 2; ++round) {
        StoreShareBook(Json(R"({"groups":[{"group_id":5,"parent_group_id":0,"name":"A"}]})"), db,
                       0);
        StorePersonalBook(Json(R"({"groups":[{"group_id":5,"parent_group_id":0,"name":"B"}]})"), db,
                          0);
        EXPECT_EQ(Rows(db, kGroupRows), (Strings{"1|0|公司共享通讯录|4|0", "6|1|A|4|1"}));
        EXPECT_EQ(Rows(db, kSelfGroupRows), (Strings{"1|0|私有通讯录|0|0", "5|1|B|1|1"}));
    }
}

TEST_F(StoreBookTest, AFailingInsertIsSkippedAndTheRestStored) {
    StoreShareBook(Json(R"({"groups":[{"group_id":5,"parent_group_id":0,"name":"A"},
                                      {"group_id":5,"parent_group_id":0,"name":"again"},
                                      {"group_id":0,"parent_group_id":0,"name":"root's id"},
                                      {"group_id":6,"parent_group_id":5,"name":"C"}]})"),
                   db, 0);
    EXPECT_EQ(Rows(db, kGroupRows), (Strings{"1|0|公司共享通讯录|4|0", "6|1|A|4|1", "7|6|C|4|2"}));
    EXPECT_NE(folder.LogUtf8().find("UNIQUE constraint failed"), std::string::npos);
}

TEST_F(StoreBookTest, AnOldFileGetsItsSortidColumn) {
    ExecSql(db,
            "DROP TABLE contact_share; CREATE TABLE contact_share AS SELECT * FROM contact_self;");
    StoreShareBook(Json(R"({"addresses":[{"name":"a","sortid":4}]})"), db, 0);
    EXPECT_EQ(Rows(db, "SELECT name,sortid FROM contact_share"), Strings{"a|4"});
}

TEST_F(StoreBookTest, NothingHappensWithoutAnObjectOrADatabase) {
    StoreShareBook(Json(R"({"addresses":[{"name":"a"}]})"), db, 0);
    StoreShareBook(Json(R"([{"addresses":[{"name":"b"}]}])"), db, 0);
    StoreShareBook(CJsonValue(), db, 0);
    EXPECT_EQ(Rows(db, "SELECT name FROM contact_share"), Strings{"a"});
    // A folder where the file should be cannot be opened as a database.
    StoreShareBook(Json(R"({"addresses":[{"name":"c"}]})"), folder.Path(), 0);
    EXPECT_EQ(Rows(db, "SELECT name FROM contact_share"), Strings{"a"});
}

std::string ManyContacts(int count, const char* name) {
    std::string reply =
        R"({"groups":[{"group_id":2,"parent_group_id":0,"name":"new"}],"addresses":[)";
    for (int i = 0; i < count; ++i)
        reply +=
            std::string(i ? "," : "") + R"({"name":")" + name + std::to_string(i) + R"(","dep":2})";
    return reply + "]}";
}

void KillAtRow500(const char16_t* table, size_t rows) {
    if (std::u16string_view(table) == u"contact_share" && rows == 500) std::raise(SIGKILL);
}

// The process dies half-way through the new contacts: the next reader finds
// the previous book, groups and contacts, as it was.
TEST_F(StoreBookTest, AKilledStoreLeavesThePreviousBookWhole) {
    StoreShareBook(Json(ManyContacts(3, "old")), db, 0);
    ExecSql(db, "UPDATE contact_group_share SET name='old' WHERE id=3");
    const Strings groups = Rows(db, kGroupRows), contacts = Rows(db, "SELECT * FROM contact_share");
    ASSERT_EQ(contacts.size(), 3u);

    // The child must write to this test's file: forked, not started afresh.
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            SetStoreRowHook(KillAtRow500);
            StoreShareBook(Json(ManyContacts(1000, "new")), db, 0);
        },
        ::testing::KilledBySignal(SIGKILL), "");

    EXPECT_EQ(Rows(db, kGroupRows), groups);
    EXPECT_EQ(Rows(db, "SELECT * FROM contact_share"), contacts);
    // And the book can be replaced afterwards.
    StoreShareBook(Json(ManyContacts(1000, "new")), db, 0);
    EXPECT_EQ(Rows(db, "SELECT count(*) FROM contact_share WHERE name LIKE 'new%'"),
              Strings{"1000"});
}

}  // namespace
