// The shipped files: template databases and settings defaults, as the build
// places them in the program folder.
#include <gtest/gtest.h>

#include "StoreSupport.h"
#include "platform/Profile.h"

using storetest::Column;
using storetest::CopyTemplate;
using storetest::ScalarInt;
using storetest::TemplatePath;

namespace {

using Names = std::vector<std::u16string>;

const Names kGroupColumns = {u"id", u"parent_id", u"name", u"type", u"depth"};
const Names kContactColumns = {u"id",
                               u"cg_id",
                               u"call_number",
                               u"call_time",
                               u"name",
                               u"alias",
                               u"mobile",
                               u"email",
                               u"sex",
                               u"birthday",
                               u"country",
                               u"province",
                               u"city",
                               u"code",
                               u"address",
                               u"tel",
                               u"fax",
                               u"qq",
                               u"msn",
                               u"favorite",
                               u"other",
                               u"website",
                               u"company_name",
                               u"company_department",
                               u"company_post",
                               u"company_country",
                               u"company_province",
                               u"company_city",
                               u"company_code",
                               u"company_address",
                               u"company_tel",
                               u"company_fax",
                               u"company_other",
                               u"company_website",
                               u"family_country",
                               u"family_province",
                               u"family_city",
                               u"family_code",
                               u"family_address",
                               u"family_tel",
                               u"family_fax",
                               u"family_other",
                               u"family_member",
                               u"family_anniversary",
                               u"remark"};

Names WithSortid(Names names) {
    names.push_back(u"sortid");
    return names;
}

Names TableColumns(CSqlite& db, const std::u16string& table) {
    return Column(db, plat::Format(u"PRAGMA table_info(%s);", table).c_str(), u"name");
}

// The sync's contact insert: NULL id, group, call number, then every text
// column quoted, and sortid last for the shared book.
std::u16string ContactInsert(const std::u16string& table, unsigned group, const char16_t* name,
                             bool sortid) {
    std::u16string columns, values = plat::Format(u"NULL,%lu,%lu", group, 0u);
    for (const auto& c : kContactColumns) {
        columns += (columns.empty() ? u"" : u",") + c;
        if (c == u"id" || c == u"cg_id" || c == u"call_number") continue;
        values += plat::Format(u",'%s'", c == u"name" ? name : u"");
    }
    if (sortid) {
        columns += u",sortid";
        values += u",5";
    }
    return plat::Format(u"INSERT INTO %s(%s) VALUES(%s);", table, columns, values);
}

TEST(Templates, AddressDbHoldsEveryTableWithItsColumns) {
    CSqlite db;
    ASSERT_EQ(db.Open(TemplatePath(u"Address.db")), 0);
    EXPECT_EQ(TableColumns(db, u"contact_group_share"), kGroupColumns);
    EXPECT_EQ(TableColumns(db, u"contact_group_self"), kGroupColumns);
    Names share = TableColumns(db, u"contact_share");
    EXPECT_EQ(share.size(), 46u);
    EXPECT_EQ(share, WithSortid(kContactColumns));
    Names self = TableColumns(db, u"contact_self");
    EXPECT_EQ(self.size(), 45u);
    EXPECT_EQ(self, kContactColumns);
    EXPECT_EQ(TableColumns(db, u"web_sync"), (Names{u"nm", u"vl"}));
    for (const char16_t* table :
         {u"contact_group_share", u"contact_group_self", u"contact_share", u"contact_self"}) {
        SCOPED_TRACE(plat::Utf16ToUtf8(table));
        EXPECT_EQ(
            ScalarInt(db, plat::Format(u"select count(*) as n from %s;", table).c_str(), u"n"), 0);
        // id is the row key itself
        EXPECT_EQ(ScalarInt(db,
                            plat::Format(u"select pk from pragma_table_info('%s') where name='id';",
                                         table)
                                .c_str(),
                            u"pk"),
                  1);
    }
    // Two clocks, both at 0; the program only ever updates them.
    EXPECT_EQ(Column(db, u"SELECT * FROM web_sync order by nm;", u"nm"),
              (Names{u"personaltime", u"sharetime"}));
    EXPECT_EQ(ScalarInt(db, u"SELECT * FROM web_sync WHERE nm='sharetime';", u"vl"), 0);
    EXPECT_EQ(ScalarInt(db, u"SELECT * FROM web_sync WHERE nm='personaltime';", u"vl"), 0);
}

TEST(Templates, LoginDbHoldsTheSavedLoginTable) {
    CSqlite db;
    ASSERT_EQ(db.Open(TemplatePath(u"login.db")), 0);
    EXPECT_EQ(TableColumns(db, u"loginuser"), (Names{u"id", u"account", u"password", u"rememberpwd",
                                                     u"autologin", u"lastlogintime"}));
    EXPECT_EQ(ScalarInt(db, u"select count(*) as n from loginuser;", u"n"), 0);
}

TEST(Templates, RowKeysAreReusedAfterATableIsEmptied) {
    qntest::TestFolder folder;
    CSqlite db;
    ASSERT_EQ(db.Open(CopyTemplate(folder, u"Address.db")), 0);
    const char16_t* root =
        u"INSERT INTO contact_group_share(id,parent_id,name,type,depth) "
        u"VALUES(NULL,%lu,'%s',%lu,%lu);";
    ASSERT_EQ(db.Exec(plat::Format(u"INSERT INTO contact_group_share(id,parent_id,name,type,depth) "
                                   u"VALUES(%lu,%lu,'%s',%lu,%lu);",
                                   7u, 0u, u"部门", 1u, 1u)),
              0);
    ASSERT_EQ(db.Exec(plat::Format(root, 0u, u"公司共享通讯录", 0u, 0u)), 0);
    EXPECT_EQ(ScalarInt(db, u"SELECT depth FROM contact_group_share WHERE id=8;", u"depth"), 0)
        << "a NULL key is the largest plus one";
    ASSERT_EQ(db.Exec(u"DELETE FROM contact_group_share;"), 0);
    ASSERT_EQ(db.Exec(plat::Format(root, 0u, u"公司共享通讯录", 0u, 0u)), 0);
    EXPECT_EQ(Column(db, u"select * from contact_group_share order by id asc;", u"id"),
              (Names{u"1"}));

    for (bool shared : {true, false}) {
        std::u16string table = shared ? u"contact_share" : u"contact_self";
        SCOPED_TRACE(plat::Utf16ToUtf8(table));
        for (const char16_t* name : {u"甲", u"乙", u"丙"})
            ASSERT_EQ(db.Exec(ContactInsert(table, 1, name, shared)), 0);
        ASSERT_EQ(db.Exec(plat::Format(u"DELETE FROM %s;", table)), 0);
        ASSERT_EQ(db.Exec(ContactInsert(table, 1, u"丁", shared)), 0);
        ASSERT_EQ(db.Query(plat::Format(u"select * from %s where id=%d;", table, 1)), 0);
        ASSERT_EQ(db.Step(), 0);
        EXPECT_EQ(std::u16string(db.GetText(u"name")), u"丁");
        EXPECT_EQ(db.GetInt(u"cg_id"), 1);
        if (shared) {
            EXPECT_EQ(db.GetInt(u"sortid"), 5);
        }
        db.Finalize();
    }
}

TEST(Templates, SettingsFilesHoldEveryDefault) {
    struct Key {
        const char16_t* file;
        const char16_t* section;
        const char16_t* key;
        const char16_t* value;
    };
    const char16_t* sys = u"sysconfig.ini";
    const char16_t* srv = u"conf\\server.ini";
    const Key keys[] = {
        {sys, u"hotkey", u"mainkey", u"Ctrl+Alt+K"},
        {sys, u"LOG", u"value", u"0"},
        {sys, u"OUTLOOK", u"version", u"15"},
        {sys, u"WINWORD", u"version", u"11"},
        {sys, u"POSSET", u"xvalue", u"0"},
        {sys, u"POSSET", u"yvalue", u"0"},
        {sys, u"winsize", u"cx", u"1020"},
        {sys, u"winsize", u"cy", u"644"},
        {sys, u"common", u"errornocare", u"0"},
        {sys, u"common", u"delfile", u"1"},
        {sys, u"common", u"cnamehost", u"1"},
        {sys, u"common", u"httpself", u"1"},
        {sys, u"common", u"tlsverify", u"1"},
        {srv, u"AUTOCHECKUPDATE", u"IsAuto", u"0"},
        // Present but empty: the program works the value out itself.
        {sys, u"common", u"cafile", u""},
        {srv, u"SRVSET", u"MailHost", u""},
        {srv, u"SRVSET", u"MailPort", u""},
        {srv, u"SRVSET", u"SmtpHost", u""},
        {srv, u"SRVSET", u"SmtpPort", u""},
        {srv, u"SRVSET", u"PopHost", u""},
        {srv, u"SRVSET", u"PopPort", u""},
        {srv, u"DOMAIN", u"Domain1", u""},
        {srv, u"LASTLOGIN", u"USERNAME", u""},
        {srv, u"LASTLOGIN", u"servertype", u""},
        {srv, u"LASTLOGIN", u"logintime", u""},
    };
    const std::u16string folder = plat::Utf8ToUtf16(QN_PROGRAM_DIR);
    for (const Key& k : keys) {
        SCOPED_TRACE(plat::Utf16ToUtf8(k.key));
        EXPECT_EQ(plat::GetPrivateProfileString(k.section, k.key, u"<absent>",
                                                plat::JoinPath(folder, k.file)),
                  k.value);
    }
    // The button colour follows the mail program unless set by hand.
    for (const char16_t* key : {u"R", u"G", u"B"})
        EXPECT_EQ(plat::GetPrivateProfileInt(u"btnback", key, -1, plat::JoinPath(folder, srv)), -1);
}

}  // namespace
