#include "monitor/Controls/SkinScrollBar.h"

#include <algorithm>

#include "platform/gfx/WindowDefs.h"

using namespace plat;

namespace {
// Rows of the cells in the image: arrows up, down, left, right, then the
// vertical and horizontal thumbs and tracks.
enum { kRowUp, kRowDown, kRowLeft, kRowRight, kRowVThumb, kRowHThumb, kRowVTrack, kRowHTrack };
constexpr int kCell = 16;
constexpr int kMinThumb = 12;
constexpr int kThumbEnd = 5;
}  // namespace

CSkinScrollBar::CSkinScrollBar(bool vertical)
    : m_vertical(vertical), m_image(LoadPackImage(u"scrollbar.gif")) {
    m_backColour = RGB(241, 244, 248);
}

bool CSkinScrollBar::Create(HWND parent, int id, const RECT& r) {
    return CreateEx(0, ClassName(), u"", WS_CHILD | WS_VISIBLE, r.left, r.top, r.Width(),
                    r.Height(), parent, id) != nullptr;
}

int CSkinScrollBar::MaxPos() const { return std::max(m_min, m_max - std::max(m_page, 1) + 1); }

void CSkinScrollBar::SetScrollInfo(int min, int max, int page, int pos) {
    m_min = min;
    m_max = std::max(min, max);
    m_page = std::max(0, page);
    m_pos = std::clamp(pos, m_min, MaxPos());
    Redraw();
}

void CSkinScrollBar::SetScrollPos(int pos) {
    int p = std::clamp(pos, m_min, MaxPos());
    if (p == m_pos) return;
    m_pos = p;
    Redraw();
}

int CSkinScrollBar::Length() const {
    RECT c;
    GetClientRect(m_hWnd, c);
    return m_vertical ? c.bottom : c.right;
}

int CSkinScrollBar::TrackLength() const { return std::max(0, Length() - 2 * kThickness); }

int CSkinScrollBar::ThumbLength() const {
    int range = m_max - m_min + 1;
    int track = TrackLength();
    if (range <= 0 || m_page <= 0 || m_page >= range) return track;
    return std::min(track, std::max(kMinThumb, track * m_page / range));
}

RECT CSkinScrollBar::ThumbRect() const {
    int track = TrackLength(), thumb = ThumbLength();
    int span = MaxPos() - m_min;
    int pos = m_pressed == kThumb ? m_dragPos : m_pos;
    int at = kThickness + (span > 0 ? (track - thumb) * (pos - m_min) / span : 0);
    return m_vertical ? RECT{0, at, kThickness, at + thumb} : RECT{at, 0, at + thumb, kThickness};
}

CSkinScrollBar::Part CSkinScrollBar::HitPart(int x, int y) const {
    int along = m_vertical ? y : x;
    int len = Length();
    if (along < 0 || along >= len) return kNowhere;
    if (along < kThickness) return kLineUp;
    if (along >= len - kThickness) return kLineDown;
    if (MaxPos() == m_min) return kNowhere;  // nothing to scroll
    RECT t = ThumbRect();
    int from = m_vertical ? t.top : t.left, to = m_vertical ? t.bottom : t.right;
    if (along < from) return kPageUp;
    if (along >= to) return kPageDown;
    return kThumb;
}

void CSkinScrollBar::Send(int code, int pos) const {
    SendMessage(Parent(), m_vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos),
                reinterpret_cast<LPARAM>(m_hWnd));
}

void CSkinScrollBar::Act(Part part) {
    switch (part) {
        case kLineUp:
            Send(SB_LINEUP);
            break;
        case kLineDown:
            Send(SB_LINEDOWN);
            break;
        case kPageUp:
        case kPageDown: {
            // The track repeats only while the thumb has not reached the mouse.
            POINT p;
            GetCursorPos(p);
            ScreenToClient(m_hWnd, p);
            if (HitPart(p.x, p.y) == part) Send(part == kPageUp ? SB_PAGEUP : SB_PAGEDOWN);
            break;
        }
        default:
            break;
    }
}

LRESULT CSkinScrollBar::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            Part part = HitPart(x, y);
            if (part == kNowhere) return 0;
            m_pressed = part;
            SetCapture(m_hWnd);
            if (part == kThumb) {
                RECT t = ThumbRect();
                m_dragOffset = (m_vertical ? y - t.top : x - t.left);
                m_dragPos = m_pos;
            } else {
                if (part == kPageUp)
                    Send(SB_PAGEUP);
                else if (part == kPageDown)
                    Send(SB_PAGEDOWN);
                else
                    Act(part);
                SetTimer(m_hWnd, kRepeatTimer, kFirstDelayMs);
            }
            Redraw();
            return 0;
        }
        case WM_MOUSEMOVE: {
            Part hot = HitPart(x, y);
            if (hot != m_hot) {
                m_hot = hot;
                Redraw();
            }
            if (m_pressed == kThumb) {
                int track = TrackLength() - ThumbLength();
                int span = MaxPos() - m_min;
                int along = (m_vertical ? y : x) - m_dragOffset - kThickness;
                int pos = track > 0 ? m_min + (along * span + track / 2) / track : m_min;
                pos = std::clamp(pos, m_min, MaxPos());
                if (pos != m_dragPos) {
                    m_dragPos = pos;
                    Send(SB_THUMBTRACK, pos);
                    Redraw();
                }
            }
            return 0;
        }
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED: {
            if (m_pressed == kNowhere) return 0;
            Part was = m_pressed;
            m_pressed = kNowhere;
            KillTimer(m_hWnd, kRepeatTimer);
            if (message == WM_LBUTTONUP && GetCapture() == m_hWnd) ReleaseCapture();
            if (was == kThumb) Send(SB_THUMBPOSITION, m_dragPos);
            Send(SB_ENDSCROLL);
            Redraw();
            return 0;
        }
        case WM_TIMER:
            if (wParam == kRepeatTimer) {
                SetTimer(m_hWnd, kRepeatTimer, kRepeatMs);
                Act(m_pressed);
                return 0;
            }
            break;
        default:
            break;
    }
    return CSkinChild::OnMessage(message, wParam, lParam);
}

void CSkinScrollBar::DrawCell(Canvas& dc, int column, int row, const RECT& into) const {
    if (!m_image) return;
    dc.StretchBlt(into, m_image->Image(),
                  RECT{column * kCell, row * kCell, column * kCell + kCell, row * kCell + kCell});
}

void CSkinScrollBar::Paint(Canvas& dc, const RECT& client) {
    bool enabled = IsEnabled() && MaxPos() > m_min;
    auto state = [&](Part p) {
        if (!enabled) return 3;
        if (m_pressed == p) return 2;
        return m_hot == p ? 1 : 0;
    };
    int len = Length();
    RECT track = m_vertical ? RECT{0, kThickness, client.right, len - kThickness}
                            : RECT{kThickness, 0, len - kThickness, client.bottom};
    DrawCell(dc, 0, m_vertical ? kRowVTrack : kRowHTrack, track);
    RECT a{0, 0, kThickness, kThickness};
    RECT b = m_vertical ? RECT{0, len - kThickness, kThickness, len}
                        : RECT{len - kThickness, 0, len, kThickness};
    DrawCell(dc, state(kLineUp), m_vertical ? kRowUp : kRowLeft, a);
    DrawCell(dc, state(kLineDown), m_vertical ? kRowDown : kRowRight, b);
    if (!enabled || !m_image) return;
    // Thumb ends unscaled, the middle stretched, so a long thumb keeps its rounding.
    RECT t = ThumbRect();
    const Bitmap& img = m_image->Image();
    int sx = state(kThumb) * kCell, sy = (m_vertical ? kRowVThumb : kRowHThumb) * kCell;
    const int e = kThumbEnd;
    if (m_vertical && t.Height() > 2 * e) {
        dc.StretchBlt(RECT{t.left, t.top, t.right, t.top + e}, img,
                      RECT{sx, sy, sx + kCell, sy + e});
        dc.StretchBlt(RECT{t.left, t.top + e, t.right, t.bottom - e}, img,
                      RECT{sx, sy + e, sx + kCell, sy + kCell - e});
        dc.StretchBlt(RECT{t.left, t.bottom - e, t.right, t.bottom}, img,
                      RECT{sx, sy + kCell - e, sx + kCell, sy + kCell});
    } else if (!m_vertical && t.Width() > 2 * e) {
        dc.StretchBlt(RECT{t.left, t.top, t.left + e, t.bottom}, img,
                      RECT{sx, sy, sx + e, sy + kCell});
        dc.StretchBlt(RECT{t.left + e, t.top, t.right - e, t.bottom}, img,
                      RECT{sx + e, sy, sx + kCell - e, sy + kCell});
        dc.StretchBlt(RECT{t.right - e, t.top, t.right, t.bottom}, img,
                      RECT{sx + kCell - e, sy, sx + kCell, sy + kCell});
    } else {
        DrawCell(dc, state(kThumb), m_vertical ? kRowVThumb : kRowHThumb, t);
    }
}

// --- CSkinScrollWnd -------------------------------------------------------------------------

CSkinScrollWnd::CSkinScrollWnd() : m_bar(true) {}
CSkinScrollWnd::~CSkinScrollWnd() = default;

RECT CSkinScrollWnd::ContentRect() const {
    RECT c;
    GetClientRect(m_hWnd, c);
    c.top = ContentTop();
    if (IsBarShown()) c.right -= CSkinScrollBar::kThickness;
    return c;
}

bool CSkinScrollWnd::IsBarShown() const {
    return m_bar.GetSafeHwnd() && (GetWindowLongPtr(m_bar.GetSafeHwnd(), GWL_STYLE) & WS_VISIBLE);
}

void CSkinScrollWnd::LayoutBar() {
    if (!m_hWnd) return;
    RECT c;
    GetClientRect(m_hWnd, c);
    RECT r{c.right - CSkinScrollBar::kThickness, ContentTop(), c.right, c.bottom};
    if (!m_bar.GetSafeHwnd())
        m_bar.Create(m_hWnd, 1, r);
    else
        MoveWindow(m_bar.GetSafeHwnd(), r.left, r.top, r.Width(), r.Height(), true);
    bool need = m_total > m_page && m_page > 0;
    ShowWindow(m_bar.GetSafeHwnd(), need ? SW_SHOWNA : SW_HIDE);
    m_bar.SetScrollInfo(0, std::max(0, m_total - 1), m_page, m_top);
}

void CSkinScrollWnd::SetLines(int total, int page) {
    m_total = std::max(0, total);
    m_page = std::max(0, page);
    int top = std::clamp(m_top, 0, std::max(0, m_total - m_page));
    bool moved = top != m_top;
    m_top = top;
    LayoutBar();
    if (moved) OnScrolled();
}

void CSkinScrollWnd::SetTopLine(int line) {
    int top = std::clamp(line, 0, std::max(0, m_total - m_page));
    if (top == m_top) return;
    m_top = top;
    m_bar.SetScrollPos(m_top);
    OnScrolled();
}

LRESULT CSkinScrollWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_VSCROLL:
            switch (LOWORD(wParam)) {
                case SB_LINEUP:
                    SetTopLine(m_top - 1);
                    break;
                case SB_LINEDOWN:
                    SetTopLine(m_top + 1);
                    break;
                case SB_PAGEUP:
                    SetTopLine(m_top - std::max(1, m_page));
                    break;
                case SB_PAGEDOWN:
                    SetTopLine(m_top + std::max(1, m_page));
                    break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION:
                    SetTopLine(HIWORD(wParam));
                    break;
                case SB_TOP:
                    SetTopLine(0);
                    break;
                case SB_BOTTOM:
                    SetTopLine(m_total);
                    break;
                default:
                    break;
            }
            return 0;
        case WM_MOUSEWHEEL: {
            int delta = int16_t(HIWORD(wParam));
            SetTopLine(m_top - delta / 120 * kWheelLines);
            return 0;
        }
        case WM_SIZE: {
            LRESULT r = CSkinChild::OnMessage(message, wParam, lParam);
            LayoutBar();
            return r;
        }
        default:
            break;
    }
    return CSkinChild::OnMessage(message, wParam, lParam);
}
