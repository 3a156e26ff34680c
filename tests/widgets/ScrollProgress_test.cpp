// The scroll bar on the hand-driven clock (arrows that repeat while held,
// the track by pages, the dragged thumb) and the progress bar's clamping.
#include "monitor/Controls/ListCtrlDx.h"
#include "monitor/Controls/ProgressBar.h"
#include "widgets/WidgetsTestSupport.h"

using namespace plat;
using qntest::WidgetsTest;

namespace {

class ScrollTest : public WidgetsTest {
protected:
    void SetUp() override {
        WidgetsTest::SetUp();
        // 100 rows of 22 pixels under the header; 7 in view.
        ASSERT_TRUE(list.Create(frame.GetSafeHwnd(), 1008, RECT{0, 0, 200, 24 + 7 * 22}));
        list.InsertColumn(0, u"姓名", 80);
        list.InsertItems(std::vector<CListCtrlDx::Row>(100, CListCtrlDx::Row{{u"n"}, 0}));
        Pump();
    }
    HWND bar() { return list.ScrollBar().GetSafeHwnd(); }
    int BarLength() {
        RECT r;
        GetClientRect(bar(), r);
        return r.bottom;
    }
    CListCtrlDx list;
};

TEST_F(ScrollTest, AHeldArrowRepeatsAfterADelayAndStopsWhenReleased) {
    ASSERT_TRUE(list.IsBarShown());
    EXPECT_EQ(list.ScrollBar().Page(), 7);
    int down = BarLength() - 8;
    Press(bar(), 8, down);
    EXPECT_EQ(list.TopLine(), 1);
    Advance(290);
    EXPECT_EQ(list.TopLine(), 1);  // the first delay
    Advance(110);                  // at 300, 350 and 400 ms
    EXPECT_EQ(list.TopLine(), 4);
    Release(bar(), 8, down);
    Advance(500);
    EXPECT_EQ(list.TopLine(), 4);
    Click(bar(), 8, 8);
    EXPECT_EQ(list.TopLine(), 3);
}

TEST_F(ScrollTest, TheTrackPagesAndTheThumbIsDragged) {
    RECT thumb = list.ScrollBar().ThumbRect();
    Click(bar(), 8, thumb.bottom + 10);
    EXPECT_EQ(list.TopLine(), 7);
    thumb = list.ScrollBar().ThumbRect();
    Press(bar(), 8, thumb.top + 2);
    EXPECT_EQ(list.ScrollBar().PressedPart(), CSkinScrollBar::kThumb);
    MoveTo(bar(), 8, BarLength() + 50);
    EXPECT_EQ(list.TopLine(), 93);  // followed while dragging
    Release(bar(), 8, BarLength() + 50);
    EXPECT_EQ(list.TopLine(), 93);
    EXPECT_EQ(list.ScrollBar().GetScrollPos(), 93);
    list.DeleteAllItems();
    EXPECT_FALSE(list.IsBarShown());
    EXPECT_EQ(list.TopLine(), 0);
}

TEST_F(ScrollTest, AFewRowsNeedNoBar) {
    list.DeleteAllItems();
    list.InsertItems(std::vector<CListCtrlDx::Row>(7, CListCtrlDx::Row{{u"n"}, 0}));
    EXPECT_FALSE(list.IsBarShown());
    list.InsertItem(-1, u"eighth");
    EXPECT_TRUE(list.IsBarShown());
}

TEST_F(WidgetsTest, TheProgressBarKeepsItsPositionInTheRangeAndFillsInProportion) {
    CProgressBar bar;
    ASSERT_TRUE(bar.Create(frame.GetSafeHwnd(), 1, RECT{20, 69, 270, 83}));
    struct {
        int set, pos, filled;
    } cases[] = {{0, 0, 0}, {40, 40, 100}, {150, 100, 250}, {-5, 0, 0}, {100, 100, 250}};
    for (const auto& c : cases) {
        bar.SetPos(c.set);
        EXPECT_EQ(bar.GetPos(), c.pos) << c.set;
        EXPECT_EQ(bar.FilledWidth(), c.filled) << c.set;
    }
    EXPECT_EQ(bar.SetPos(30), 100);  // the previous position comes back
    bar.SetRange(0, 20);
    EXPECT_EQ(bar.GetPos(), 20);
    // Nothing painted again when the position does not change.
    Pump();
    int invalidations = GetInvalidateCount(bar.GetSafeHwnd());
    bar.SetPos(20);
    EXPECT_EQ(GetInvalidateCount(bar.GetSafeHwnd()), invalidations);
}

}  // namespace
