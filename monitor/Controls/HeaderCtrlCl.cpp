#include "monitor/Controls/HeaderCtrlCl.h"

#include <algorithm>

#include "platform/gfx/WindowDefs.h"

using namespace plat;

namespace {
constexpr int kFrameW = 40, kFrameH = 24;
constexpr int kTextPad = 6;
}  // namespace

CHeaderCtrlCl::CHeaderCtrlCl() : m_image(LoadPackImage(u"headctrl.gif")) {}

bool CHeaderCtrlCl::Create(HWND parent, int id, const RECT& r) {
    return CreateEx(0, ClassName(), u"", WS_CHILD | WS_VISIBLE, r.left, r.top, r.Width(),
                    r.Height(), parent, id) != nullptr;
}

int CHeaderCtrlCl::InsertColumn(int at, std::u16string_view text, int width) {
    at = std::clamp(at, 0, int(m_columns.size()));
    m_columns.insert(m_columns.begin() + at, Column{std::u16string(text), std::max(0, width)});
    Redraw();
    return at;
}

int CHeaderCtrlCl::GetColumnWidth(int i) const {
    return i >= 0 && i < int(m_columns.size()) ? m_columns[size_t(i)].width : 0;
}

void CHeaderCtrlCl::SetColumnWidth(int i, int width) {
    if (i < 0 || i >= int(m_columns.size())) return;
    m_columns[size_t(i)].width = std::max(kMinWidth, width);
    Redraw();
}

std::u16string CHeaderCtrlCl::GetColumnText(int i) const {
    return i >= 0 && i < int(m_columns.size()) ? m_columns[size_t(i)].text : u"";
}

int CHeaderCtrlCl::ColumnLeft(int i) const {
    int x = -m_offset;
    for (int k = 0; k < i && k < int(m_columns.size()); ++k) x += m_columns[size_t(k)].width;
    return x;
}

int CHeaderCtrlCl::ColumnAt(int x) const {
    for (int i = 0; i < int(m_columns.size()); ++i)
        if (x >= ColumnLeft(i) && x < ColumnLeft(i + 1)) return i;
    return -1;
}

int CHeaderCtrlCl::DividerAt(int x) const {
    // The right edge of a column; the last one found wins, so that a column
    // squeezed to nothing can still be pulled open again.
    int found = -1;
    for (int i = 0; i < int(m_columns.size()); ++i) {
        int edge = ColumnLeft(i + 1);
        if (x >= edge - kGrip && x <= edge + kGrip) found = i;
    }
    return found;
}

void CHeaderCtrlCl::SetOffset(int x) {
    m_offset = std::max(0, x);
    Redraw();
}

LRESULT CHeaderCtrlCl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    int x = GET_X_LPARAM(lParam);
    switch (message) {
        case WM_LBUTTONDOWN: {
            int d = DividerAt(x);
            if (d >= 0) {
                m_dragging = d;
                m_dragStartX = x;
                m_dragStartWidth = m_columns[size_t(d)].width;
            } else {
                m_pressed = ColumnAt(x);
            }
            SetCapture(m_hWnd);
            Redraw();
            return 0;
        }
        case WM_MOUSEMOVE: {
            if (m_dragging >= 0) {
                int w = std::max(kMinWidth, m_dragStartWidth + x - m_dragStartX);
                if (w != m_columns[size_t(m_dragging)].width) {
                    m_columns[size_t(m_dragging)].width = w;
                    Redraw();
                    // The list lays its rows out anew.
                    SendMessage(Parent(), WM_NOTIFY, WPARAM(Id()), 0);
                }
                return 0;
            }
            int hot = ColumnAt(x);
            if (hot != m_hot) {
                m_hot = hot;
                Redraw();
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            if (GetCapture() == m_hWnd) ReleaseCapture();
            int pressed = m_pressed;
            m_pressed = -1;
            if (m_dragging >= 0) {
                m_dragging = -1;
            } else if (pressed >= 0 && pressed == ColumnAt(x)) {
                m_clicked = pressed;
                SendNotify(HDN_ITEMCLICK);
            }
            Redraw();
            return 0;
        }
        case WM_MOUSELEAVE:
            m_hot = -1;
            Redraw();
            return 0;
        default:
            break;
    }
    return CSkinChild::OnMessage(message, wParam, lParam);
}

void CHeaderCtrlCl::Paint(Canvas& dc, const RECT& client) {
    auto frame = [&](int state, const RECT& into) {
        if (!m_image) {
            dc.FillSolidRect(into, RGB(240, 243, 247));
            return;
        }
        // The divider at the right edge stays unscaled.
        const Bitmap& img = m_image->Image();
        int sx = state * kFrameW;
        dc.StretchBlt(RECT{into.left, into.top, std::max(into.left, into.right - 2), into.bottom},
                      img, RECT{sx, 0, sx + kFrameW - 2, kFrameH});
        dc.StretchBlt(RECT{into.right - 2, into.top, into.right, into.bottom}, img,
                      RECT{sx + kFrameW - 2, 0, sx + kFrameW, kFrameH});
    };
    // The empty part right of the last column looks like a head without text.
    frame(0, RECT{ColumnLeft(int(m_columns.size())), 0, client.right + 2, client.bottom});
    for (int i = 0; i < int(m_columns.size()); ++i) {
        RECT r{ColumnLeft(i), 0, ColumnLeft(i + 1), client.bottom};
        if (r.right <= r.left) continue;
        int state = i == m_pressed ? 2 : i == m_hot ? 1 : 0;
        frame(state, r);
        RECT t{r.left + kTextPad, r.top, r.right - kTextPad, r.bottom};
        dc.DrawText(m_columns[size_t(i)].text, t,
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS, m_font,
                    kWidgetTextColour);
    }
}
