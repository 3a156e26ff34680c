// The skinned date picker: a date in "YYYY-MM-DD" with a check box (a picker
// may hold no date), a range it keeps the date in, and a drop button that
// opens a month calendar (CMonthCalendarEx) to pick a day. Changes are told
// with DTN_DATETIMECHANGE and WM_EX_CHILDNOTIFY (value changed).
#pragma once

#include <memory>
#include <string>

#include "monitor/Controls/SkinChild.h"

struct CalendarDate {
    int year = 1971, month = 1, day = 1;
    bool operator==(const CalendarDate&) const = default;
    auto operator<=>(const CalendarDate&) const = default;
};

// Days since 1970-01-01 and back; days beyond the month's length roll over
// into the next month, as the calendar conversion does.
long DaysFromCivil(int year, int month, int day);
CalendarDate CivilFromDays(long days);
int DaysInMonth(int year, int month);

class CDatetimeEx;

class CMonthCalendarEx : public CSkinChild {
public:
    explicit CMonthCalendarEx(CDatetimeEx& picker) : m_picker(picker) {}
    bool Open(plat::HWND owner, int x, int y, CalendarDate shown);
    const CalendarDate& Shown() const { return m_shown; }
    // The day cell at a client point (0 when none) and the month arrows.
    int DayAt(int x, int y) const;
    void ShowMonth(int delta);

    static constexpr int kWidth = 7 * 28 + 8, kHeight = 30 + 20 + 6 * 22 + 6;

protected:
    const char16_t* ClassName() const override { return u"SysMonthCal32"; }
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;
    void Paint(plat::Canvas& dc, const plat::RECT& client) override;

private:
    CDatetimeEx& m_picker;
    CalendarDate m_shown;
};

class CDatetimeEx : public CSkinChild {
public:
    CDatetimeEx();
    ~CDatetimeEx() override;
    // With `showNone` the picker has a check box.
    bool Create(plat::HWND parent, int id, int x, int y, int width, int height,
                bool showNone = true);

    void SetRange(CalendarDate low, CalendarDate high);
    // Kept inside the range; an impossible day rolls over.
    void SetTime(int year, int month, int day, bool checked = true);
    void SetChecked(bool on);
    // False when the picker holds no date (unchecked); the date is still given.
    bool GetTime(CalendarDate& out) const;
    bool IsChecked() const { return m_checked; }
    const CalendarDate& Low() const { return m_low; }
    const CalendarDate& High() const { return m_high; }
    bool InRange(const CalendarDate& d) const { return !(d < m_low) && !(m_high < d); }
    std::u16string Text() const;

    void OpenCalendar();
    void CloseCalendar();
    CMonthCalendarEx* Calendar() const { return m_calendar.get(); }
    // The user picked a day in the calendar.
    void Pick(CalendarDate d);

protected:
    const char16_t* ClassName() const override { return u"SysDateTimePick32"; }
    bool PreTranslateMessage(plat::MSG& msg) override;
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;
    void Paint(plat::Canvas& dc, const plat::RECT& client) override;

private:
    void Set(CalendarDate d, bool report);
    plat::RECT CheckRect() const;
    plat::RECT ButtonRect() const;

    CalendarDate m_date{2016, 1, 1};
    CalendarDate m_low{1971, 1, 1}, m_high{2037, 12, 31};
    bool m_checked = true;
    bool m_showNone = true;
    std::unique_ptr<CMonthCalendarEx> m_calendar;
};
