#include "monitor/Controls/BCMenu.h"

#include <algorithm>

#include "monitor/Controls/ExControl.h"
#include "monitor/Controls/Wnd.h"
#include "platform/gfx/WindowDefs.h"
#include "platform/gfx/WindowSurface.h"

using namespace plat;

namespace {

thread_local BCMenu* t_open = nullptr;

constexpr int kGutter = 28, kRightPad = 24;

}  // namespace

// The popup window of an open menu, class "#32768" as the system's menus.
class CMenuWindow : public CWnd {
public:
    explicit CMenuWindow(BCMenu& menu) : m_menu(menu) {}
    using plat::Window::EndModalLoop;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_PAINT:
                Paint();
                return 0;
            case WM_MOUSEMOVE: {
                int i = m_menu.ItemAt(GET_Y_LPARAM(lParam));
                if (i != m_menu.m_highlight) {
                    m_menu.m_highlight = i;
                    InvalidateRect(m_hWnd, nullptr, false);
                }
                return 0;
            }
            case WM_LBUTTONUP: {
                int i = m_menu.ItemAt(GET_Y_LPARAM(lParam));
                if (i >= 0 && m_menu.m_items[size_t(i)].IsEnabled())
                    m_menu.End(m_menu.m_items[size_t(i)].id);
                return 0;
            }
            case WM_KEYDOWN:
                switch (wParam) {
                    case VK_DOWN:
                        m_menu.MoveHighlight(1);
                        return 0;
                    case VK_UP:
                        m_menu.MoveHighlight(-1);
                        return 0;
                    case VK_RETURN:
                        if (m_menu.m_highlight >= 0 &&
                            m_menu.m_items[size_t(m_menu.m_highlight)].IsEnabled())
                            m_menu.End(m_menu.m_items[size_t(m_menu.m_highlight)].id);
                        return 0;
                    case VK_ESCAPE:
                        m_menu.End(0);
                        return 0;
                    default:
                        return 0;
                }
            default:
                return CWnd::OnMessage(message, wParam, lParam);
        }
    }

private:
    void Paint() {
        PaintDC dc(m_hWnd);
        if (!dc.IsValid()) return;
        Canvas& c = dc.Dc();
        RECT r;
        GetClientRect(m_hWnd, r);
        c.FillSolidRect(r, RGB(255, 255, 255));
        c.FillSolidRect({0, 0, kGutter, r.bottom}, RGB(241, 245, 250));
        int y = 2;
        const Font& font = ExDefaultFont();
        for (size_t i = 0; i < m_menu.m_items.size(); ++i) {
            const BCMenu::Item& it = m_menu.m_items[i];
            if (it.IsSeparator()) {
                c.FillSolidRect({kGutter + 4, y + 3, r.right - 4, y + 4}, RGB(218, 225, 234));
                y += BCMenu::kSeparatorHeight;
                continue;
            }
            RECT row{2, y, r.right - 2, y + BCMenu::kItemHeight};
            bool hot = int(i) == m_menu.m_highlight && it.IsEnabled();
            if (hot) {
                Path p;
                p.RoundRect(row.left + 0.5, row.top + 0.5, row.Width() - 1, row.Height() - 1, 3);
                c.FillPath(p, Brush::Solid(RGB(221, 234, 251)));
                c.StrokePath(p, Brush::Solid(RGB(140, 180, 232)), 1);
            }
            COLORREF ink = it.IsEnabled() ? RGB(42, 47, 53) : RGB(160, 166, 174);
            if (it.flags & MF_CHECKED) {
                Path tick;
                double cx = kGutter / 2.0, cy = y + BCMenu::kItemHeight / 2.0;
                tick.MoveTo(cx - 4, cy).LineTo(cx - 1.2, cy + 3).LineTo(cx + 4.5, cy - 3.5);
                c.StrokePath(tick, Brush::Solid(it.IsEnabled() ? RGB(47, 115, 204) : ink), 1.8);
            }
            c.DrawText(it.text, {kGutter + 8, y, r.right - 8, y + BCMenu::kItemHeight},
                       DT_SINGLELINE | DT_VCENTER | DT_LEFT, font, ink);
            y += BCMenu::kItemHeight;
        }
        c.FrameRect(r, RGB(160, 176, 198));
    }

    BCMenu& m_menu;
};

BCMenu::BCMenu() = default;
BCMenu::~BCMenu() {
    if (m_open) End(0);
}

void BCMenu::AppendMenu(UINT flags, UINT id, std::u16string_view text) {
    m_items.push_back({id, std::u16string(text), flags});
}

bool BCMenu::InsertMenu(UINT position, UINT flags, UINT id, std::u16string_view text) {
    size_t at = m_items.size();
    if (flags & MF_BYPOSITION) {
        at = std::min<size_t>(position, m_items.size());
    } else {
        auto it = std::find_if(m_items.begin(), m_items.end(),
                               [position](const Item& i) { return i.id == position; });
        if (it == m_items.end()) return false;
        at = size_t(it - m_items.begin());
    }
    m_items.insert(m_items.begin() + long(at), {id, std::u16string(text), flags & ~UINT(MF_BYPOSITION)});
    return true;
}

const BCMenu::Item* BCMenu::FindItem(UINT id) const {
    for (const auto& i : m_items)
        if (!i.IsSeparator() && i.id == id) return &i;
    return nullptr;
}

int BCMenu::CheckMenuItem(UINT id, UINT check) {
    for (auto& i : m_items)
        if (!i.IsSeparator() && i.id == id) {
            int before = int(i.flags & MF_CHECKED);
            i.flags = (i.flags & ~UINT(MF_CHECKED)) | (check & MF_CHECKED);
            return before;
        }
    return -1;
}

int BCMenu::EnableMenuItem(UINT id, UINT enable) {
    for (auto& i : m_items)
        if (!i.IsSeparator() && i.id == id) {
            int before = int(i.flags & (MF_GRAYED | MF_DISABLED));
            i.flags = (i.flags & ~UINT(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
            return before;
        }
    return -1;
}

int BCMenu::ItemAt(int y) const {
    int top = 2;
    for (size_t i = 0; i < m_items.size(); ++i) {
        int h = m_items[i].IsSeparator() ? kSeparatorHeight : kItemHeight;
        if (y >= top && y < top + h) return m_items[i].IsSeparator() ? -1 : int(i);
        top += h;
    }
    return -1;
}

void BCMenu::MoveHighlight(int step) {
    int n = int(m_items.size());
    if (n == 0) return;
    int i = m_highlight;
    for (int k = 0; k < n; ++k) {
        i = (i < 0 && step < 0) ? n - 1 : (i + step + n) % n;
        if (m_items[size_t(i)].IsEnabled()) break;
    }
    m_highlight = i;
    if (m_window) InvalidateRect(m_window->GetSafeHwnd(), nullptr, false);
}

BCMenu* BCMenu::OpenMenu() { return t_open; }

HWND BCMenu::PopupWindow() const { return m_window ? m_window->GetSafeHwnd() : nullptr; }

void BCMenu::End(UINT id) {
    if (!m_open) return;
    m_result = id;
    m_open = false;
    if (m_window) m_window->EndModalLoop(0);
}

bool BCMenu::PickItem(UINT id) {
    const Item* item = FindItem(id);
    if (!m_open || !item || !item->IsEnabled()) return false;
    End(id);
    return true;
}

void BCMenu::Cancel() { End(0); }

void BCMenu::NoticePress(HWND target) {
    for (BCMenu* m = t_open; m; m = m->m_outer)
        if (m->PopupWindow() == target) return;
    for (BCMenu* m = t_open; m; m = m->m_outer) m->End(0);
}

UINT BCMenu::TrackPopupMenu(UINT flags, int x, int y, HWND owner) {
    if (m_open || m_items.empty()) return 0;
    const Font& font = ExDefaultFont();
    int width = 120, height = 4;
    for (const auto& i : m_items) {
        height += i.IsSeparator() ? kSeparatorHeight : kItemHeight;
        if (!i.IsSeparator()) width = std::max(width, MeasureText(i.text, font).cx + kGutter + 8 + kRightPad);
    }
    if (flags & TPM_RIGHTALIGN) x -= width;
    if (flags & TPM_BOTTOMALIGN) y -= height;
    // Kept on the screen.
    x = std::clamp(x, 0, std::max(0, GetSystemMetrics(SM_CXSCREEN) - width));
    y = std::clamp(y, 0, std::max(0, GetSystemMetrics(SM_CYSCREEN) - height));

    m_window = std::make_unique<CMenuWindow>(*this);
    if (!m_window->CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, u"#32768", u"", WS_POPUP | WS_VISIBLE,
                            x, y, width, height, owner)) {
        m_window.reset();
        return 0;
    }
    m_open = true;
    m_result = 0;
    m_highlight = -1;
    m_outer = t_open;
    t_open = this;
    HWND before = GetFocus();
    SetFocus(m_window->GetSafeHwnd());
    {
        CModalScope scope;
        m_window->RunModalLoop();
    }
    t_open = m_outer;
    m_outer = nullptr;
    m_open = false;
    m_window.reset();
    if (before && IsWindow(before)) SetFocus(before);
    UINT picked = m_result;
    if (flags & TPM_RETURNCMD) return picked;
    if (picked && !(flags & TPM_NONOTIFY) && owner) PostMessage(owner, WM_COMMAND, picked, 0);
    return picked ? 1 : 0;
}
