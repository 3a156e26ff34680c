#include "monitor/ContactDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "SyncTestSupport.h"
#include "monitor/Common/Pinyin.h"

using synctest::ExecSql;
using synctest::N;
using synctest::U;
using Strings = std::vector<std::string>;

namespace {

// Two books with the shapes the directory must handle: a company with nested
// departments, a second company, a company without a name, a group whose
// parent is missing (with a child), names of every letter kind.
const char kBooks[] = R"SQL(
INSERT INTO contact_group_share VALUES
  (1,0,'公司共享通讯录',4,0), (2,1,'云帆科技',4,1), (3,2,'研发中心',4,2), (4,3,'存储组',4,3),
  (5,1,'上海公司',4,1), (6,5,'销售部',4,2), (7,99,'孤儿',4,2), (8,7,'孤儿子',4,3),
  (9,1,'',4,1), (10,9,'部门X',4,2);
INSERT INTO contact_group_self VALUES
  (1,0,'私有通讯录',0,0), (5,3,'老同事',1,2), (3,1,'同事',1,1), (2,1,'家人',1,1);
INSERT INTO contact_share (cg_id,name,email,mobile,sortid) VALUES
  (3,'王伟','wangwei@x.cn;wei@y.cn','138',0), (3,'李娜','lina@x.cn','',0),
  (3,'阿强','aqiang@x.cn','',0), (3,'Alice','alice@x.cn','',0), (3,'bob','bob@x.cn','',0),
  (3,'123','n123@x.cn','',0), (3,'','noname@x.cn','',0), (3,'安娜','anna@x.cn','',2),
  (4,'张三','zhangsan@x.cn','',0), (2,'赵六','zhaoliu@x.cn','',0), (1,'钱七','qianqi@x.cn','',0),
  (6,'O''Neil','oneil@x.cn','',0), (6,'100%','pct@x.cn','',0), (6,'a_b','ab@x.cn','',0),
  (6,'axb','axb@x.cn','',0), (6,'a/b','slash@x.cn','',0), (6,'a%b','apb@x.cn','',0);
INSERT INTO contact_self (cg_id,name,email,mobile) VALUES
  (1,'自己人','me@x.cn','1'), (3,'同事甲',';lead@x.cn','2'), (5,'王小二','wxe@x.cn','3');
)SQL";

class DirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ExecSql(db, kBooks);
        dir.LoadGroupTrees();
    }
    // "name|email|department|company" per row.
    Strings Rows() const {
        Strings rows;
        for (const ContactRow& r : dir.Rows())
            rows.push_back(N(r.record->name) + "|" + N(r.record->email) + "|" + N(*r.department) +
                           "|" + N(*r.company));
        return rows;
    }
    Strings Names() const {
        Strings names;
        for (const ContactRow& r : dir.Rows()) names.push_back(N(r.record->name));
        return names;
    }
    int Node(int id, bool shared) const { return dir.FindNode(id, shared); }
    std::string NodeName(int node) const {
        return N(dir.Trees().nodes.at(size_t(node)).record.name);
    }

    qntest::TestFolder folder;
    std::u16string db = synctest::MakeAccountDb(folder, u"wang@corp.cn");
    CContactDirectory dir{AddressDbPathOf(u"wang@corp.cn")};
};

TEST_F(DirectoryTest, TreesInInsertionOrderWithTheirTopNodes) {
    const GroupTrees& t = dir.Trees();
    Strings order;
    for (const GroupNode& n : t.nodes) order.push_back(N(n.record.name));
    // Shallowest first, id order within a depth; the orphan and its child are
    // not shown.
    EXPECT_EQ(order, (Strings{"私有通讯录", "家人", "同事", "老同事", "公司共享通讯录", "云帆科技",
                              "上海公司", "", "研发中心", "销售部", "部门X", "存储组"}));
    ASSERT_EQ(t.topLevel, (std::vector<int>{t.privateTop, t.sharedTop}));
    EXPECT_EQ(NodeName(t.privateTop), "私有通讯录");
    EXPECT_EQ(NodeName(t.sharedTop), "公司共享通讯录");
    EXPECT_EQ(Node(7, true), -1);
    EXPECT_EQ(Node(8, true), -1);
    for (size_t i = 0; i < t.nodes.size(); ++i) {
        const GroupNode& n = t.nodes[i];
        bool top = n.parent < 0;
        EXPECT_EQ(n.expanded, top) << i;
        EXPECT_EQ(n.image, top ? 2 : 3) << i;
        EXPECT_EQ(n.record.node, int(i));
        EXPECT_EQ(n.record.dbPath, db);
    }
    const GroupNode& research = t.nodes.at(size_t(Node(3, true)));
    EXPECT_EQ(research.parent, Node(2, true));
    EXPECT_EQ(research.children, std::vector<int>{Node(4, true)});
    EXPECT_EQ(t.nodes.at(size_t(t.privateTop)).children,
              (std::vector<int>{Node(2, false), Node(3, false)}));
    EXPECT_EQ(dir.SelectedNode(), t.privateTop);
}

TEST_F(DirectoryTest, NameMapsAndCompanies) {
    const GroupTrees& t = dir.Trees();
    EXPECT_EQ(N(t.privateNames.at(1)), "");
    EXPECT_EQ(N(t.privateNames.at(3)), "同事");
    EXPECT_EQ(N(t.sharedNames.at(1)), "");
    EXPECT_EQ(N(t.sharedNames.at(7)), "孤儿") << "every row is named, shown or not";
    std::map<int, std::string> companies;
    for (const auto& [id, name] : t.companies) companies[id] = N(name);
    EXPECT_EQ(companies,
              (std::map<int, std::string>{{3, "云帆科技"}, {4, "云帆科技"}, {6, "上海公司"}}));
    EXPECT_TRUE(t.nodes.at(size_t(Node(2, true))).company);
    EXPECT_TRUE(t.nodes.at(size_t(Node(9, true))).company);
    EXPECT_FALSE(t.nodes.at(size_t(Node(3, true))).company);
}

TEST_F(DirectoryTest, AGroupListsItsOwnContactsInPresentationOrder) {
    dir.SelectNode(Node(3, true));
    // Ascending sort id, then ascending initials; the first of two addresses.
    EXPECT_EQ(Rows(),
              (Strings{"|noname@x.cn|研发中心|云帆科技", "123|n123@x.cn|研发中心|云帆科技",
                       "Alice|alice@x.cn|研发中心|云帆科技", "阿强|aqiang@x.cn|研发中心|云帆科技",
                       "bob|bob@x.cn|研发中心|云帆科技", "李娜|lina@x.cn|研发中心|云帆科技",
                       "王伟|wangwei@x.cn|研发中心|云帆科技", "安娜|anna@x.cn|研发中心|云帆科技"}));
    const ContactRecord& wang = *dir.Rows().at(6).record;
    EXPECT_EQ(wang.email, u"wangwei@x.cn");
    EXPECT_EQ(wang.groupId, 3);
    EXPECT_TRUE(wang.shared);
    EXPECT_EQ(wang.mobile, u"138");
    EXPECT_EQ(dir.Rows().at(7).record->sortId, 2);
    EXPECT_EQ(dir.Contacts().size(), 8u);

    dir.SelectNode(Node(4, true));
    EXPECT_EQ(Rows(), Strings{"张三|zhangsan@x.cn|存储组|云帆科技"});
    dir.SelectNode(Node(2, true));
    EXPECT_EQ(Rows(), Strings{"赵六|zhaoliu@x.cn|云帆科技|"});
    dir.SelectNode(Node(1, true));
    EXPECT_EQ(Rows(), Strings{"钱七|qianqi@x.cn||"});
    dir.SelectNode(Node(6, false) /* none */);
    EXPECT_EQ(Rows(), Strings{});
    dir.SelectNode(Node(2, false));
    EXPECT_EQ(Rows(), Strings{}) << "a group without contacts";
}

// Group ids of the two books overlap: private group 3 is not shared group 3.
TEST_F(DirectoryTest, PrivateContactsShowTheirOwnBook) {
    dir.AddCardtoList();  // the window lists the selection
    EXPECT_EQ(Rows(), Strings{"自己人|me@x.cn||"});
    dir.SelectNode(Node(3, false));
    EXPECT_EQ(Rows(), Strings{"同事甲|;lead@x.cn|同事|"});
}

TEST_F(DirectoryTest, LetterFilter) {
    dir.SelectNode(Node(3, true));
    dir.FilterByLetter(kLetterOther);
    EXPECT_EQ(Names(), (Strings{"123", ""}));
    dir.FilterByLetter(u"A");
    EXPECT_EQ(Names(), (Strings{"安娜", "阿强", "Alice"})) << "the reverse of the full list";
    dir.FilterByLetter(u"B");
    EXPECT_EQ(Names(), Strings{"bob"});
    dir.FilterByLetter(u"Q");
    EXPECT_EQ(Names(), Strings{});
    dir.FilterByLetter(u"");
    EXPECT_EQ(Names(), (Strings{"", "123", "Alice", "阿强", "bob", "李娜", "王伟", "安娜"}));

    // The filter stays for the next group while no search text is typed.
    dir.FilterByLetter(u"W");
    dir.SelectNode(Node(3, true));
    EXPECT_EQ(Names(), Strings{"王伟"});
    EXPECT_EQ(dir.Rows().at(0).record->email, u"wangwei@x.cn");
}

TEST_F(DirectoryTest, SearchCoversBothBooksWhicheverGroupIsSelected) {
    EXPECT_EQ(dir.OnEnChangeEditSearch(u"王", true, kSearchAll), 2);
    EXPECT_EQ(Rows(), (Strings{"王伟|wangwei@x.cn|研发中心|云帆科技", "王小二|wxe@x.cn|老同事|"}));
    EXPECT_TRUE(dir.ShowsSearchResults());

    EXPECT_EQ(dir.OnEnChangeEditSearch(u"lead", true, kSearchAll), 1);
    EXPECT_EQ(dir.OnEnChangeEditSearch(u"lead", true, kSearchName), 0);
    EXPECT_EQ(dir.OnEnChangeEditSearch(u"lead", true, kSearchAddress), 1);
    EXPECT_EQ(dir.OnEnChangeEditSearch(u"同事", true, kSearchAddress), 0);
    EXPECT_EQ(dir.OnEnChangeEditSearch(u"nobody", true, kSearchAll), 0);
    EXPECT_TRUE(dir.ShowsSearchResults());
    EXPECT_EQ(Rows(), Strings{});

    // The letter filter does not narrow search results.
    dir.FilterByLetter(u"W");
    EXPECT_EQ(dir.OnEnChangeEditSearch(u"x.cn", true, kSearchAll), 20);
}

TEST_F(DirectoryTest, SearchTextMatchesItsCharactersLiterally) {
    struct Case {
        const char* text;
        Strings found;
    } cases[] = {
        {"'", {"O'Neil"}}, {"O'N", {"O'Neil"}}, {"%", {"100%", "a%b"}}, {"_", {"a_b"}},
        {"a_", {"a_b"}},   {"a/", {"a/b"}},     {"a%", {"a%b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        dir.OnEnChangeEditSearch(U(c.text), true, kSearchName);
        Strings names = Names();
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.found);
    }
    EXPECT_EQ(EscapeSearchText(u"a'b%c_d/e"), u"a''b/%c/_d//e");
}

TEST_F(DirectoryTest, EndingTheSearchGoesBackToTheGroup) {
    dir.SelectNode(Node(6, true));
    const Strings group = Names();
    dir.OnEnChangeEditSearch(u"王", true, kSearchAll);
    EXPECT_EQ(dir.OnEnChangeEditSearch(u"", true, kSearchAll), -1);
    EXPECT_EQ(Names(), group);
    EXPECT_FALSE(dir.ShowsSearchResults());
    EXPECT_NE(folder.LogUtf8().find("OnEnChangeEditSearch AddCardtoList \r\n"), std::string::npos);

    // The placeholder is no search text either.
    dir.OnEnChangeEditSearch(u"王", true, kSearchAll);
    EXPECT_EQ(dir.OnEnChangeEditSearch(u"查找联系人...", false, kSearchAll), -1);
    EXPECT_EQ(Names(), group);

    dir.OnEnChangeEditSearch(u"王", true, kSearchAll);
    dir.OnBnClickedBtnClearSearchKey(false);
    EXPECT_EQ(Names(), group);
    EXPECT_NE(folder.LogUtf8().find("OnBnClickedBtnClearSearchKey AddCardtoList \r\n"),
              std::string::npos);
}

TEST_F(DirectoryTest, WithoutAPrivateTopGroupNothingIsSelected) {
    ExecSql(db, "DELETE FROM contact_group_self");
    dir.LoadGroupTrees();
    EXPECT_EQ(dir.Trees().privateTop, -1);
    EXPECT_EQ(dir.SelectedNode(), -1);
    dir.AddCardtoList();
    EXPECT_EQ(Rows(), Strings{});
    EXPECT_EQ(dir.OnEnChangeEditSearch(u"王", true, kSearchAll), 0);
    EXPECT_EQ(Rows(), Strings{});
}

TEST_F(DirectoryTest, AGroupsMembersComeDepthFirstWithWholeEmails) {
    std::vector<ContactRecord> members;
    dir.LoadGroupMembers(Node(2, true), members);
    Strings got;
    for (const ContactRecord& c : members)
        got.push_back(std::to_string(c.groupId) + " " + N(c.name));
    // Each group's own contacts by name, then its subgroups in tree order.
    EXPECT_EQ(got, (Strings{"2 赵六", "3 ", "3 123", "3 Alice", "3 bob", "3 安娜", "3 李娜",
                            "3 王伟", "3 阿强", "4 张三"}));
    EXPECT_EQ(members.at(7).email, u"wangwei@x.cn;wei@y.cn");
    EXPECT_EQ(members.at(5).sortId, 2);
    members.clear();
    dir.LoadGroupMembers(dir.Trees().privateTop, members);
    EXPECT_EQ(members.size(), 3u);
}

TEST(Directory, AMissingDatabaseGivesEmptyTrees) {
    qntest::TestFolder folder;
    CContactDirectory dir(AddressDbPathOf(u"nobody@corp.cn"));
    dir.LoadGroupTrees();
    EXPECT_TRUE(dir.Trees().nodes.empty());
    EXPECT_NE(folder.LogUtf8().find("sqlite open:"), std::string::npos);
}

// The table of initials gives what the pinyin walk gives for whole texts:
// Chinese of both GB2312 levels, characters only GBK has (with trail bytes
// below and above 0x80), full-width forms, symbols, surrogates, ASCII.
TEST(Directory, SortKeysAreThePinyinInitials) {
    const std::u16string pool =
        u"王李张欧阳司马丁丂丄丅丆丏丒丗乛亐兀嗀﨎﨏（）【】。，、—…€©½abcXYZ09 _-@.;'\\"
        u"\xD83D\xDE00\xD800\xDFFF\x00A0\x3000\x3042\xAC00";
    uint32_t seed = 1;
    for (int round = 0; round < 2000; ++round) {
        std::u16string text;
        size_t length = round % 9;
        for (size_t k = 0; k < length; ++k) {
            seed = seed * 1103515245 + 12345;
            text += pool[(seed >> 8) % pool.size()];
        }
        std::u16string expected = PinyinInitials(text);
        ASSERT_EQ(SortKeyOf(text), expected.empty() ? text : expected) << round;
        ASSERT_EQ(FirstLetterOf(text), FirstLetterKey(text)) << round;
    }
}

TEST(Directory, FirstAddressRule) {
    EXPECT_EQ(FirstAddress(u"a@x;b@y"), u"a@x");
    EXPECT_EQ(FirstAddress(u";b@y"), u";b@y");
    EXPECT_EQ(FirstAddress(u"a@x"), u"a@x");
    EXPECT_EQ(FirstAddress(u""), u"");
}

}  // namespace
