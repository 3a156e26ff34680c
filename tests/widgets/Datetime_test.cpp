// The date picker of the contact card: its range and check state, the keys,
// and the month calendar it opens.
#include "monitor/Controls/DatetimeEx.h"
#include "widgets/WidgetsTestSupport.h"

using namespace plat;
using qntest::WidgetsTest;

namespace {

class DatetimeTest : public WidgetsTest {
protected:
    void SetUp() override {
        WidgetsTest::SetUp();
        ASSERT_TRUE(picker.Create(frame.GetSafeHwnd(), 1030, 10, 10, 150, 22));
        picker.SetRange({1971, 1, 1}, {2037, 12, 31});
        SetFocus(picker.GetSafeHwnd());
        Pump();
    }
    HWND h() const { return picker.GetSafeHwnd(); }
    CDatetimeEx picker;
};

TEST_F(DatetimeTest, DatesAreKeptInTheRangeAndImpossibleDaysRollOn) {
    struct {
        CalendarDate set, shown;
    } cases[] = {
        {{1985, 6, 15}, {1985, 6, 15}}, {{1960, 3, 1}, {1971, 1, 1}},  // before the range
        {{2040, 1, 1}, {2037, 12, 31}},                                // after it
        {{2001, 2, 31}, {2001, 3, 3}},                                 // a day beyond its month
        {{2000, 2, 29}, {2000, 2, 29}},                                // a leap day
    };
    for (const auto& c : cases) {
        picker.SetTime(c.set.year, c.set.month, c.set.day);
        CalendarDate d;
        EXPECT_TRUE(picker.GetTime(d));
        EXPECT_EQ(d, c.shown) << c.set.year << "-" << c.set.month << "-" << c.set.day;
    }
    EXPECT_EQ(picker.Text(), u"2000-02-29");
    EXPECT_TRUE(frame.childEvents.empty());  // set by the program
}

TEST_F(DatetimeTest, TheCheckBoxSaysWhetherTheDateCountsAndReportsItsChange) {
    picker.SetTime(1990, 5, 1, false);
    CalendarDate d;
    EXPECT_FALSE(picker.GetTime(d));
    EXPECT_EQ(d, (CalendarDate{1990, 5, 1}));  // still shown
    Click(h(), 10, 11);                        // the check box
    EXPECT_TRUE(picker.IsChecked());
    Key(VK_SPACE);
    EXPECT_FALSE(picker.IsChecked());
    EXPECT_EQ(frame.CountChild(4, h()), 2);
    EXPECT_EQ(frame.Count(WM_NOTIFY, DTN_DATETIMECHANGE), 2);
}

TEST_F(DatetimeTest, ArrowKeysStepTheDayAndStopAtTheRange) {
    picker.SetTime(2037, 12, 30);
    Key(VK_UP);
    Key(VK_UP);
    CalendarDate d;
    picker.GetTime(d);
    EXPECT_EQ(d, (CalendarDate{2037, 12, 31}));
    EXPECT_EQ(frame.CountChild(4, h()), 1);  // the second step changed nothing
    picker.SetTime(1971, 3, 1);
    Key(VK_DOWN);
    picker.GetTime(d);
    EXPECT_EQ(d, (CalendarDate{1971, 2, 28}));
}

TEST_F(DatetimeTest, TheCalendarPicksADayInTheRangeAndClosesOnEscape) {
    picker.SetTime(2037, 12, 1, false);
    Click(h(), 140, 11);  // the drop button
    ASSERT_NE(picker.Calendar(), nullptr);
    CMonthCalendarEx& cal = *picker.Calendar();
    RECT box, popup;
    GetWindowRect(h(), box);
    GetWindowRect(cal.GetSafeHwnd(), popup);
    EXPECT_EQ(popup.top, box.bottom);
    EXPECT_EQ(cal.Shown(), (CalendarDate{2037, 12, 1}));
    // 2037-12-01 is a Tuesday: the first row, third column.
    EXPECT_EQ(cal.DayAt(4 + 2 * 28 + 5, 50 + 5), 1);
    cal.ShowMonth(1);  // 2038: outside the range, nothing can be picked
    Click(cal.GetSafeHwnd(), 4 + 5 * 28 + 5, 50 + 5);
    ASSERT_NE(picker.Calendar(), nullptr);
    cal.ShowMonth(-2);  // November 2037; the 10th is a Tuesday, second row
    ASSERT_EQ(cal.DayAt(4 + 2 * 28 + 5, 50 + 22 + 5), 10);
    Click(cal.GetSafeHwnd(), 4 + 2 * 28 + 5, 50 + 22 + 5);
    EXPECT_EQ(picker.Calendar(), nullptr);
    CalendarDate d;
    EXPECT_TRUE(picker.GetTime(d));  // picking a day checks the box
    EXPECT_EQ(d, (CalendarDate{2037, 11, 10}));
    Key(VK_F4);
    ASSERT_NE(picker.Calendar(), nullptr);
    Key(VK_ESCAPE);
    EXPECT_EQ(picker.Calendar(), nullptr);
    EXPECT_TRUE(frame.enterEscape.empty());
}

TEST_F(DatetimeTest, ADisabledPickerTakesNoClicksAndClosesItsCalendar) {
    picker.OpenCalendar();
    ASSERT_NE(picker.Calendar(), nullptr);
    EnableWindow(h(), false);
    EXPECT_EQ(picker.Calendar(), nullptr);
    picker.OpenCalendar();
    EXPECT_EQ(picker.Calendar(), nullptr);
}

}  // namespace
