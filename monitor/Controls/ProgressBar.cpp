#include "monitor/Controls/ProgressBar.h"

#include <algorithm>

using namespace plat;

namespace {
constexpr int kImageW = 30, kHalf = 14, kEnd = 4;

// One half of the picture stretched into `into`, the ends unscaled.
void DrawBand(Canvas& dc, const Bitmap& img, int srcTop, const RECT& into) {
    if (into.Width() <= 0) return;
    int end = std::min(kEnd, into.Width() / 2);
    dc.StretchBlt(RECT{into.left, into.top, into.left + end, into.bottom}, img,
                  RECT{0, srcTop, end, srcTop + kHalf});
    dc.StretchBlt(RECT{into.left + end, into.top, into.right - end, into.bottom}, img,
                  RECT{kEnd, srcTop, kImageW - kEnd, srcTop + kHalf});
    dc.StretchBlt(RECT{into.right - end, into.top, into.right, into.bottom}, img,
                  RECT{kImageW - end, srcTop, kImageW, srcTop + kHalf});
}
}  // namespace

CProgressBar::CProgressBar() : m_image(LoadPackImage(u"progress.png")) {}

bool CProgressBar::Create(HWND parent, int id, const RECT& r) {
    return CreateEx(0, ClassName(), u"", WS_CHILD | WS_VISIBLE, r.left, r.top, r.Width(),
                    r.Height(), parent, id) != nullptr;
}

void CProgressBar::SetRange(int lower, int upper) {
    m_lower = lower;
    m_upper = std::max(lower, upper);
    m_pos = std::clamp(m_pos, m_lower, m_upper);
    Redraw();
}

int CProgressBar::SetPos(int pos) {
    int old = m_pos;
    m_pos = std::clamp(pos, m_lower, m_upper);
    if (m_pos != old) Redraw();
    return old;
}

int CProgressBar::FilledWidth() const {
    RECT c;
    GetClientRect(m_hWnd, c);
    int span = m_upper - m_lower;
    if (span <= 0) return 0;
    return int(int64_t(c.right) * (m_pos - m_lower) / span);
}

void CProgressBar::Paint(Canvas& dc, const RECT& client) {
    if (!m_image) {
        dc.FillSolidRect(client, RGB(227, 233, 241));
        dc.FillSolidRect(RECT{0, 0, FilledWidth(), client.bottom}, RGB(60, 130, 220));
        return;
    }
    DrawBand(dc, m_image->Image(), 0, client);
    int w = FilledWidth();
    // A sliver narrower than the rounded ends would look broken.
    if (w > 0)
        DrawBand(dc, m_image->Image(), kHalf, RECT{0, 0, std::max(w, 2 * kEnd), client.bottom});
}
