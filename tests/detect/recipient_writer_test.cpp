// The recipient writer over the compose windows of every client kind.
#include "detect/DetectTestSupport.h"
#include "monitor/RecipientWriter.h"

using namespace plat;
using qnfix::ComposeOptions;
using qnfix::ComposeWindow;
using qnfix::MessagesOf;
using qntest::DetectTest;

namespace {

const Recipient kZhang{u"张三", u"zhang@corvane.cn"};
const Recipient kLi{u"李四", u"li@corvane.cn"};
const Recipient kBare{u"", u"wang@corvane.cn"};
const Recipient kChen{u"Chen", u"chen@corvane.cn"};

RecipientLists AllThree() { return {{kZhang, kBare}, {kLi}, {kChen}}; }

void Fill(HWND field, const char16_t* text) { SetWindowText(field, text); }

size_t Count(HWND h, UINT message) {
    size_t n = 0;
    for (const auto& m : MessagesOf(h)) n += m.message == message;
    return n;
}

}  // namespace

TEST_F(DetectTest, TextsPerEntryWithNamesInAngleBracketsAndQuotesForFoxmail7) {
    std::vector<Recipient> list{kZhang, kBare};
    EXPECT_EQ(DisplayText(list, 8), u"张三<zhang@corvane.cn>;wang@corvane.cn;");
    EXPECT_EQ(DisplayText(list, 2), u"\"张三\"<zhang@corvane.cn>;wang@corvane.cn;");
    EXPECT_EQ(AddressText(list), u"zhang@corvane.cn;wang@corvane.cn;");
    EXPECT_EQ(DisplayText({}, 8), u"");
}

TEST_F(DetectTest, EveryKindWritesEachListIntoItsOwnField) {
    struct Expect {
        int kind;
        const char16_t *to, *cc, *bcc;
    };
    const Expect kExpected[] = {
        {0, u"张三<zhang@corvane.cn>;wang@corvane.cn;", u"李四<li@corvane.cn>;",
         u"Chen<chen@corvane.cn>;"},
        {1, u"zhang@corvane.cn;wang@corvane.cn;", u"li@corvane.cn;", u"chen@corvane.cn;"},
        {2, u"\"张三\"<zhang@corvane.cn>;wang@corvane.cn;", u"\"李四\"<li@corvane.cn>;",
         u"\"Chen\"<chen@corvane.cn>;"},
        {3, u"张三<zhang@corvane.cn>;wang@corvane.cn;", u"李四<li@corvane.cn>;",
         u"Chen<chen@corvane.cn>;"},
        {4, u"张三<zhang@corvane.cn>;wang@corvane.cn;", u"李四<li@corvane.cn>;",
         u"Chen<chen@corvane.cn>;"},
        {5, u"张三<zhang@corvane.cn>;wang@corvane.cn;", u"李四<li@corvane.cn>;",
         u"Chen<chen@corvane.cn>;"},
        {6, u"张三<zhang@corvane.cn>;wang@corvane.cn;", u"李四<li@corvane.cn>;",
         u"Chen<chen@corvane.cn>;"},
        {7, u"张三<zhang@corvane.cn>;wang@corvane.cn;", u"李四<li@corvane.cn>;",
         u"Chen<chen@corvane.cn>;"},
        {8, u"张三<zhang@corvane.cn>;wang@corvane.cn;", u"李四<li@corvane.cn>;",
         u"Chen<chen@corvane.cn>;"},
        {9, u"张三<zhang@corvane.cn>;wang@corvane.cn;", u"李四<li@corvane.cn>;",
         u"Chen<chen@corvane.cn>;"},
    };
    for (const Expect& e : kExpected) {
        SCOPED_TRACE(e.kind);
        ComposeWindow w = desk.ForKind(e.kind);
        ASSERT_NE(w.to, nullptr);
        WriteRecipients(w.anchor, e.kind, AllThree());
        EXPECT_EQ(GetWindowText(w.to), e.to);
        EXPECT_EQ(GetWindowText(w.cc), e.cc);
        EXPECT_EQ(GetWindowText(w.bcc), e.bcc);
        if (w.subjectEdit) {
            EXPECT_EQ(GetWindowText(w.subjectEdit), u"");
        }
        DestroyWindow(w.top);
    }
}

TEST_F(DetectTest, TheHotKeysAnchorLeadsToTheSameFields) {
    for (int kind : {0, 1, 2, 3, 4, 5, 8}) {
        SCOPED_TRACE(kind);
        ResetComposeDetection();  // one Outlook version per run
        ClearVersionResources();
        ComposeWindow w = desk.ForKind(kind);
        ComposeTarget t = DetectForHotKey(w.top);
        ASSERT_EQ(t.kind, kind);
        WriteRecipients(t.anchor, t.kind, {{kLi}, {}, {}});
        EXPECT_NE(GetWindowText(w.to).find(u"li@corvane.cn"), std::u16string::npos);
        EXPECT_EQ(GetWindowText(w.cc), u"");
        DestroyWindow(w.top);
    }
}

TEST_F(DetectTest, ExistingTextIsSeparatedByExactlyOneSemicolon) {
    struct Case {
        int kind;
        const char16_t* before;
        const char16_t* after;
    };
    const Case kCases[] = {
        {8, u"a@x.cn", u"a@x.cn;李四<li@corvane.cn>;"},
        {8, u"a@x.cn;", u"a@x.cn;李四<li@corvane.cn>;"},
        {8, u"a@x.cn; ", u"a@x.cn; ;李四<li@corvane.cn>;"},
        {4, u"a@x.cn", u"a@x.cn;李四<li@corvane.cn>;"},
        {5, u"a@x.cn;", u"a@x.cn;李四<li@corvane.cn>;"},
        // Foxmail and FlashMail get the same rule: glued text would make one bad address.
        {0, u"a@x.cn", u"a@x.cn;李四<li@corvane.cn>;"},
        {1, u"a@x.cn", u"a@x.cn;li@corvane.cn;"},
        {1, u"a@x.cn;", u"a@x.cn;li@corvane.cn;"},
        {3, u"a@x.cn", u"a@x.cn;李四<li@corvane.cn>;"},
        {2, u"a@x.cn", u"a@x.cn;\"李四\"<li@corvane.cn>;"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind);
        ComposeWindow w = desk.ForKind(c.kind);
        Fill(w.to, c.before);
        WriteRecipients(w.anchor, c.kind, {{kLi}, {}, {}});
        EXPECT_EQ(GetWindowText(w.to), c.after);
        DestroyWindow(w.top);
    }
}

TEST_F(DetectTest, OnlyTheListsWithEntriesTouchTheirFields) {
    for (int kind : {0, 2, 4, 7}) {
        SCOPED_TRACE(kind);
        ComposeWindow w = desk.ForKind(kind);
        WriteRecipients(w.anchor, kind, {{}, {kLi}, {}});
        EXPECT_EQ(Count(w.to, EM_REPLACESEL), 0u);
        EXPECT_EQ(Count(w.bcc, EM_REPLACESEL), 0u);
        EXPECT_GT(Count(w.cc, EM_REPLACESEL), 0u);
        DestroyWindow(w.top);
    }
}

TEST_F(DetectTest, Foxmail7FieldsTakeEachRecipientAsItsOwnInsertionAndPlainFieldsOneAddressText) {
    ComposeWindow uni = desk.Foxmail7();
    WriteRecipients(uni.anchor, 2, {{kZhang, kBare}, {}, {}});
    std::vector<std::u16string> inserted;
    for (const auto& m : MessagesOf(uni.to))
        if (m.message == EM_REPLACESEL) inserted.push_back(m.text);
    EXPECT_EQ(inserted, (std::vector<std::u16string>{u"\"张三\"<zhang@corvane.cn>", u";",
                                                     u"wang@corvane.cn", u";"}));

    ComposeOptions o;
    o.plainFields = true;
    ComposeWindow plain = desk.Foxmail7(o);
    WriteRecipients(plain.anchor, 2, {{kZhang, kBare}, {}, {}});
    EXPECT_EQ(Count(plain.to, EM_REPLACESEL), 1u);
    EXPECT_EQ(GetWindowText(plain.to), u"zhang@corvane.cn;wang@corvane.cn;");
}

TEST_F(DetectTest, HiddenBccFieldsAreSkippedWhereTheProgramWouldNotShowThem) {
    // Kinds 0, 1, 2 and 3 and Outlook Express with id 1026 leave a hidden Bcc alone.
    for (int kind : {0, 1, 2, 3, 4}) {
        SCOPED_TRACE(kind);
        ComposeOptions o;
        o.bccVisible = false;
        ComposeWindow w = desk.ForKind(kind, o);
        WriteRecipients(w.anchor, kind, AllThree());
        EXPECT_EQ(GetWindowText(w.bcc), u"");
        EXPECT_NE(GetWindowText(w.to), u"");
        DestroyWindow(w.top);
    }
    // Foxmail without a Bcc row: the field before Cc is the first field, never written.
    ComposeOptions o;
    o.bccRow = false;
    ComposeWindow w = desk.Foxmail1(o);
    WriteRecipients(w.anchor, 1, AllThree());
    EXPECT_EQ(GetWindowText(w.to), u"zhang@corvane.cn;wang@corvane.cn;");
    EXPECT_EQ(GetWindowText(w.cc), u"li@corvane.cn;");
    HWND from = GetWindow(w.cc, GW_HWNDPREV);
    EXPECT_EQ(GetWindowText(from), u"");
}

TEST_F(DetectTest, OutlookExpressOrdersItsFieldsByTheFirstFieldsId) {
    ComposeOptions o;
    o.oeFirstId = 1001;
    o.bccVisible = false;  // no visibility check in this order
    ComposeWindow w = desk.OutlookExpress(o);
    WriteRecipients(w.anchor, 4, AllThree());
    EXPECT_EQ(GetWindowText(w.to), u"张三<zhang@corvane.cn>;wang@corvane.cn;");
    EXPECT_EQ(GetWindowText(w.cc), u"李四<li@corvane.cn>;");
    EXPECT_EQ(GetWindowText(w.bcc), u"Chen<chen@corvane.cn>;");

    o.oeFirstId = 1005;
    ComposeWindow other = desk.OutlookExpress(o);
    WriteRecipients(other.anchor, 4, AllThree());
    EXPECT_EQ(GetWindowText(other.to), u"");
    EXPECT_EQ(GetWindowText(other.cc), u"");
    EXPECT_EQ(GetWindowText(other.bcc), u"");
}

TEST_F(DetectTest, AHiddenOutlookBccIsFilledAtOnceAndOpenedByClicksOnTheRibbon) {
    struct Case {
        int kind;
        const char* logLine;
        POINT first, second;
    };
    const Case kCases[] = {
        {6, "OUTLOOK2007 \r\n", {189, 45}, {78, 105}},
        {7, "OUTLOOK2010 \r\n", {191, 46}, {188, 103}},
        {8, "OUTLOOK2013 \r\n", {191, 46}, {188, 103}},
        {9, "OUTLOOK2016 \r\n", {191, 46}, {188, 103}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.kind);
        ComposeOptions o;
        o.bccVisible = false;
        ComposeWindow w = desk.ForKind(c.kind, o);
        Fill(w.bcc, u"old@x.cn");
        WriteRecipients(w.anchor, c.kind, {{}, {}, {kChen}});
        // Replaced whole, before the program has seen any click.
        EXPECT_EQ(GetWindowText(w.bcc), u"Chen<chen@corvane.cn>;");
        EXPECT_TRUE(LogHas(c.logLine));
        const auto& before = MessagesOf(w.netUi);
        ASSERT_EQ(before.size(), 1u);
        EXPECT_EQ(before[0].message, WM_CAPTURECHANGED);
        EXPECT_FALSE(before[0].posted);

        PumpWaitingMessages();
        std::vector<std::tuple<UINT, WPARAM, LPARAM>> clicks;
        for (const auto& m : MessagesOf(w.netUi))
            if (m.posted) clicks.emplace_back(m.message, m.wParam, m.lParam);
        std::vector<std::tuple<UINT, WPARAM, LPARAM>> expected{
            {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.first.x, c.first.y)},
            {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.second.x, c.second.y)},
            {WM_LBUTTONUP, 0, MAKELPARAM(c.second.x, c.second.y)}};
        EXPECT_EQ(clicks, expected);
        uint64_t firstClick = 0;
        for (const auto& m : MessagesOf(w.netUi))
            if (m.posted && !firstClick) firstClick = m.seq;
        uint64_t filled = 0;
        for (const auto& m : MessagesOf(w.bcc))
            if (m.message == EM_REPLACESEL) filled = m.seq;
        EXPECT_LT(filled, firstClick);
        DestroyWindow(w.top);
    }
}

TEST_F(DetectTest, Outlook2003AndWordFillAHiddenBccWithoutClicks) {
    ComposeOptions o;
    o.bccVisible = false;
    o.version = 11;
    ComposeWindow w = desk.Outlook(o);
    WriteRecipients(w.anchor, 5, {{}, {}, {kChen}});
    EXPECT_EQ(GetWindowText(w.bcc), u"Chen<chen@corvane.cn>;");
    EXPECT_TRUE(MessagesOf(w.netUi).empty());
    EXPECT_FALSE(LogHas("OUTLOOK20"));

    ComposeWindow word = desk.Word(o);
    WriteRecipients(word.anchor, 5, AllThree());
    EXPECT_EQ(GetWindowText(word.to), u"张三<zhang@corvane.cn>;wang@corvane.cn;");
    EXPECT_EQ(GetWindowText(word.bcc), u"Chen<chen@corvane.cn>;");
}

TEST_F(DetectTest, AMissingRibbonStillFillsTheHiddenBcc) {
    ComposeOptions o;
    o.bccVisible = false;
    o.missingLink = u"NetUIHWND";
    ComposeWindow w = desk.ForKind(7, o);
    WriteRecipients(w.anchor, 7, {{}, {}, {kChen}});
    EXPECT_EQ(GetWindowText(w.bcc), u"Chen<chen@corvane.cn>;");
    EXPECT_FALSE(LogHas("OUTLOOK2010"));
}

TEST_F(DetectTest, EnvelopeCaptionsOfEveryLanguageAndMeetingsFindTheirFields) {
    for (auto lang : {qnfix::Lang::Simplified, qnfix::Lang::Traditional, qnfix::Lang::English}) {
        for (bool meeting : {false, true}) {
            ComposeOptions o;
            o.lang = lang;
            o.meeting = meeting;
            ComposeWindow w = desk.ForKind(8, o);
            WriteRecipients(w.anchor, 8, AllThree());
            EXPECT_EQ(GetWindowText(w.cc), u"李四<li@corvane.cn>;");
            EXPECT_EQ(GetWindowText(w.bcc), u"Chen<chen@corvane.cn>;");
            DestroyWindow(w.top);
        }
    }
}

TEST_F(DetectTest, NothingIsWrittenForOtherKindsOrAClosedComposeWindow) {
    ComposeWindow w = desk.ForKind(8);
    for (int kind : {-1, 10, 42}) WriteRecipients(w.anchor, kind, AllThree());
    EXPECT_EQ(GetWindowText(w.to), u"");
    HWND to = w.to;
    DestroyWindow(w.top);
    WriteRecipients(w.anchor, 8, AllThree());  // gone: nothing to find, nothing fails
    EXPECT_FALSE(IsWindow(to));
    WriteRecipients(nullptr, 3, AllThree());
}
