#include "monitor/Controls/DatetimeEx.h"

#include <algorithm>

#include "monitor/Controls/ExControl.h"
#include "monitor/Controls/ExDialog.h"
#include "monitor/Controls/SkinDrawing.h"
#include "platform/Format.h"
#include "platform/gfx/WindowDefs.h"

using namespace plat;

namespace {
constexpr uintptr_t kWatchTimer = 1;
}

long DaysFromCivil(int y, int m, int d) {
    // Months beyond December carry into the years; days beyond the month roll on.
    y += (m - 1) / 12;
    m = (m - 1) % 12 + 1;
    y -= m <= 2;
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + (d - 1);
}

CalendarDate CivilFromDays(long z) {
    z += 719468;
    long era = (z >= 0 ? z : z - 146096) / 146097;
    long doe = z - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long y = yoe + era * 400;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    int d = int(doy - (153 * mp + 2) / 5 + 1);
    int m = int(mp < 10 ? mp + 3 : mp - 9);
    return {int(y + (m <= 2)), m, d};
}

int DaysInMonth(int year, int month) {
    return int(DaysFromCivil(year, month + 1, 1) - DaysFromCivil(year, month, 1));
}

// --- Month calendar ----------------------------------------------------------------------------

bool CMonthCalendarEx::Open(HWND owner, int x, int y, CalendarDate shown) {
    m_shown = shown;
    if (!CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, u"SysMonthCal32", u"", WS_POPUP | WS_VISIBLE, x,
                  y, kWidth, kHeight, owner))
        return false;
    // Closes itself when the user clicks elsewhere in a frame, as the drop-down list does.
    CExDialog::SetClickElsewhere(false);
    SetTimer(m_hWnd, kWatchTimer, 100);
    return true;
}

void CMonthCalendarEx::ShowMonth(int delta) {
    int m = m_shown.month - 1 + delta;
    int y = m_shown.year + (m >= 0 ? m / 12 : (m - 11) / 12);
    m = ((m % 12) + 12) % 12 + 1;
    m_shown = {y, m, std::min(m_shown.day, DaysInMonth(y, m))};
    Redraw();
}

int CMonthCalendarEx::DayAt(int x, int y) const {
    if (y < 50 || x < 4 || x >= 4 + 7 * 28) return 0;
    int col = (x - 4) / 28, row = (y - 50) / 22;
    // Weeks start on Sunday; 1970-01-01 was a Thursday.
    int firstWeekday = int((DaysFromCivil(m_shown.year, m_shown.month, 1) % 7 + 11) % 7);
    int day = row * 7 + col - firstWeekday + 1;
    return day >= 1 && day <= DaysInMonth(m_shown.year, m_shown.month) ? day : 0;
}

LRESULT CMonthCalendarEx::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    if (message == WM_LBUTTONUP) {
        if (y < 30 && x < 30) {
            ShowMonth(-1);
        } else if (y < 30 && x >= kWidth - 30) {
            ShowMonth(1);
        } else if (int day = DayAt(x, y)) {
            // Days outside the picker's range are shown grey and cannot be picked.
            if (m_picker.InRange({m_shown.year, m_shown.month, day}))
                m_picker.Pick({m_shown.year, m_shown.month, day});
        }
        return 0;
    }
    if (message == WM_TIMER && wParam == kWatchTimer) {
        if (CExDialog::ClickElsewhere()) m_picker.CloseCalendar();
        return 0;
    }
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        m_picker.CloseCalendar();
        return 0;
    }
    return CSkinChild::OnMessage(message, wParam, lParam);
}

void CMonthCalendarEx::Paint(Canvas& dc, const RECT& c) {
    dc.FillSolidRect(c, RGB(255, 255, 255));
    Path band;
    band.Rect(0, 0, c.right, 30);
    dc.FillPath(band, Brush::Vertical(0, 30, RGB(66, 134, 216), RGB(38, 100, 184)));
    const Font& font = ExDefaultFont();
    const uint32_t centred = DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX;
    dc.DrawText(Format(u"%d年%d月", m_shown.year, m_shown.month), {30, 0, c.right - 30, 30},
                centred, font, RGB(255, 255, 255));
    dc.DrawText(u"‹", {0, 0, 30, 30}, centred, Font(u"Arial", 20, FW_BOLD), RGB(255, 255, 255));
    dc.DrawText(u"›", {c.right - 30, 0, c.right, 30}, centred, Font(u"Arial", 20, FW_BOLD),
                RGB(255, 255, 255));
    static const char16_t* names[] = {u"日", u"一", u"二", u"三", u"四", u"五", u"六"};
    for (int i = 0; i < 7; ++i)
        dc.DrawText(names[i], {4 + i * 28, 30, 4 + (i + 1) * 28, 50}, centred, font,
                    RGB(120, 130, 145));
    CalendarDate chosen;
    bool has = m_picker.GetTime(chosen);
    for (int row = 0; row < 6; ++row)
        for (int col = 0; col < 7; ++col) {
            int x = 4 + col * 28, y = 50 + row * 22;
            int day = DayAt(x + 1, y + 1);
            if (!day) continue;
            RECT cell{x, y, x + 28, y + 22};
            bool isChosen = has && chosen == CalendarDate{m_shown.year, m_shown.month, day};
            if (isChosen) {
                Path p;
                p.RoundRect(x + 2, y + 1, 24, 20, 3);
                dc.FillPath(p, Brush::Solid(RGB(47, 115, 204)));
            }
            bool inRange = m_picker.InRange({m_shown.year, m_shown.month, day});
            dc.DrawText(Format(u"%d", day), cell, centred, font,
                        isChosen  ? RGB(255, 255, 255)
                        : inRange ? kSkinTextColour
                                  : RGB(190, 196, 204));
        }
    dc.FrameRect(c, kSkinFocusBorderColour);
}

// --- The picker -----------------------------------------------------------------------------

CDatetimeEx::CDatetimeEx() = default;
CDatetimeEx::~CDatetimeEx() = default;

bool CDatetimeEx::Create(HWND parent, int id, int x, int y, int width, int height, bool showNone) {
    m_showNone = showNone;
    return CreateChild(parent, id, x, y, width, height);
}

RECT CDatetimeEx::CheckRect() const {
    RECT c = Client();
    return m_showNone ? RECT{4, (c.bottom - 13) / 2, 17, (c.bottom - 13) / 2 + 13} : RECT{};
}

RECT CDatetimeEx::ButtonRect() const {
    RECT c = Client();
    return {c.right - 22, 1, c.right - 1, c.bottom - 1};
}

void CDatetimeEx::SetRange(CalendarDate low, CalendarDate high) {
    m_low = std::min(low, high);
    m_high = std::max(low, high);
    Set(m_date, false);
}

void CDatetimeEx::Set(CalendarDate d, bool report) {
    CalendarDate normal = CivilFromDays(DaysFromCivil(d.year, d.month, d.day));
    normal = std::clamp(normal, m_low, m_high);
    bool changed = !(normal == m_date);
    m_date = normal;
    Redraw();
    if (changed && report) {
        SendNotify(DTN_DATETIMECHANGE);
        NotifyParent(kChildValueChanged);
    }
}

void CDatetimeEx::SetTime(int year, int month, int day, bool checked) {
    m_checked = checked || !m_showNone;
    Set({year, month, day}, false);
}

void CDatetimeEx::SetChecked(bool on) {
    if (!m_showNone || on == m_checked) return;
    m_checked = on;
    Redraw();
    SendNotify(DTN_DATETIMECHANGE);
    NotifyParent(kChildValueChanged);
}

bool CDatetimeEx::GetTime(CalendarDate& out) const {
    out = m_date;
    return m_checked;
}

std::u16string CDatetimeEx::Text() const {
    return Format(u"%04d-%02d-%02d", m_date.year, m_date.month, m_date.day);
}

void CDatetimeEx::OpenCalendar() {
    if (m_calendar || !IsWindowEnabled(m_hWnd)) return;
    RECT r;
    GetWindowRect(m_hWnd, r);
    m_calendar = std::make_unique<CMonthCalendarEx>(*this);
    if (!m_calendar->Open(m_hWnd, r.left, r.bottom, m_date)) m_calendar.reset();
    Redraw();
}

void CDatetimeEx::CloseCalendar() {
    m_calendar.reset();
    Redraw();
}

void CDatetimeEx::Pick(CalendarDate d) {
    CloseCalendar();
    if (m_showNone && !m_checked) {
        m_checked = true;
        SendNotify(DTN_DATETIMECHANGE);
        NotifyParent(kChildValueChanged);
    }
    Set(d, true);
}

bool CDatetimeEx::PreTranslateMessage(MSG& msg) {
    // Escape closes an open calendar before the frame swallows it.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && msg.hwnd == m_hWnd && m_calendar) {
        CloseCalendar();
        return true;
    }
    return CSkinChild::PreTranslateMessage(msg);
}

LRESULT CDatetimeEx::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (message) {
        case WM_LBUTTONDOWN:
            SetFocus(m_hWnd);
            if (PtInRect(InflatedRect(CheckRect(), 2, 2), x, y))
                SetChecked(!m_checked);
            else if (PtInRect(ButtonRect(), x, y))
                m_calendar ? CloseCalendar() : OpenCalendar();
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) SetChecked(!m_checked);
            if (wParam == VK_UP || wParam == VK_DOWN) {
                long days = DaysFromCivil(m_date.year, m_date.month, m_date.day) +
                            (wParam == VK_UP ? 1 : -1);
                Set(CivilFromDays(days), true);
            }
            if (wParam == VK_F4) m_calendar ? CloseCalendar() : OpenCalendar();
            return 0;
        case WM_ENABLE:
            if (!wParam) CloseCalendar();
            break;
        case WM_DESTROY:
            m_calendar.reset();
            break;
        default:
            break;
    }
    return CSkinChild::OnMessage(message, wParam, lParam);
}

void CDatetimeEx::Paint(Canvas& dc, const RECT& c) {
    bool enabled = IsWindowEnabled(m_hWnd);
    dc.FillSolidRect(c, enabled ? RGB(255, 255, 255) : RGB(246, 247, 249));
    dc.FrameRect(c, HasFocus() ? kSkinFocusBorderColour : kSkinBorderColour);
    int textLeft = 6;
    if (m_showNone) {
        RECT box = CheckRect();
        Path p;
        p.RoundRect(box.left + 0.5, box.top + 0.5, 12, 12, 2);
        if (m_checked) {
            dc.FillPath(p, Brush::Solid(enabled ? RGB(47, 115, 204) : RGB(185, 198, 214)));
            Path tick;
            tick.MoveTo(box.left + 3, box.top + 6.5)
                .LineTo(box.left + 5.5, box.top + 9)
                .LineTo(box.left + 10, box.top + 3.5);
            dc.StrokePath(tick, Brush::Solid(RGB(255, 255, 255)), 1.6);
        } else {
            dc.FillPath(p, Brush::Solid(RGB(255, 255, 255)));
            dc.StrokePath(p, Brush::Solid(RGB(143, 163, 190)), 1);
        }
        textLeft = box.right + 6;
    }
    COLORREF ink = enabled && m_checked ? kSkinTextColour : RGB(150, 150, 150);
    dc.DrawText(Text(), {textLeft, 0, c.right - 24, c.bottom}, DT_SINGLELINE | DT_VCENTER | DT_LEFT,
                ExDefaultFont(), ink);
    RECT b = ButtonRect();
    if (m_calendar) dc.FillSolidRect(b, RGB(210, 227, 248));
    Path chevron;
    double cx = (b.left + b.right) / 2.0, cy = (b.top + b.bottom) / 2.0;
    chevron.MoveTo(cx - 4, cy - 2).LineTo(cx, cy + 2).LineTo(cx + 4, cy - 2);
    dc.StrokePath(chevron, Brush::Solid(enabled ? RGB(93, 107, 125) : RGB(184, 190, 198)), 1.6);
}
