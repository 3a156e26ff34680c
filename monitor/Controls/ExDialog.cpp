#include "monitor/Controls/ExDialog.h"

#include <algorithm>
#include <atomic>

#include "monitor/Controls/BCMenu.h"
#include "monitor/Controls/MsgBoxDlg.h"
#include "platform/File.h"
#include "platform/Format.h"
#include "platform/Text.h"
#include "platform/gfx/KeyState.h"
#include "platform/gfx/WindowDefs.h"
#include "platform/gfx/WindowSurface.h"

using namespace plat;

namespace {

std::atomic<bool> g_clickElsewhere{false};

constexpr uintptr_t kStateTimer = 50, kMenuTimer = 51, kArmedTimer = 52, kFocusTimer = 53;

// The invisible button that holds the keyboard focus while a windowless
// control is focused, so that key messages reach the frame.
class CFocusButton : public CWnd {};

bool IsMouseMessage(UINT m) {
    return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCLBUTTONDBLCLK);
}

}  // namespace

bool CExDialog::ClickElsewhere() { return g_clickElsewhere.load(); }
void CExDialog::SetClickElsewhere(bool on) { g_clickElsewhere.store(on); }

CExDialog::CExDialog(int templateId) : CDialog(templateId) {}

CExDialog::~CExDialog() {
    // The frame's own window goes first, while the controls are still known.
    DestroyWindow();
    for (auto& [id, c] : m_controls) c->m_owner = nullptr;
    m_controls.clear();
}

// --- Set-up ---------------------------------------------------------------------------------

void CExDialog::AddControl(CExControl& control, int id, int kind) {
    auto it = m_controls.find(id);
    if (it != m_controls.end() && it->second != &control) {
        CExControl* old = it->second;
        m_controls.erase(it);
        old->m_owner = nullptr;
        std::erase_if(m_owned, [old](const auto& p) { return p.get() == old; });
    }
    control.m_id = id;
    control.m_kind = kind;
    control.m_owner = this;
    m_controls[id] = &control;
    control.UpdateAutoWidth();
    control.Invalidate();
}

CExControl& CExDialog::AddControl(int id, int kind) {
    m_owned.push_back(std::make_unique<CExControl>());
    CExControl& c = *m_owned.back();
    AddControl(c, id, kind);
    return c;
}

CExControl* CExDialog::GetControl(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void CExDialog::ForgetControl(CExControl* c) {
    for (auto it = m_controls.begin(); it != m_controls.end();)
        it = it->second == c ? m_controls.erase(it) : std::next(it);
    for (auto it = m_mnemonics.begin(); it != m_mnemonics.end();)
        it = it->second == c ? m_mnemonics.erase(it) : std::next(it);
    std::erase_if(m_tabOrder, [c](const TabEntry& e) { return e.control == c; });
    if (m_pressedControl == c) {
        m_pressedControl = nullptr;
        m_capturing = false;
    }
}

void CExDialog::SetBounds(CExControl& c, int x, int y, int width, int height, int flags) {
    RECT before = c.Rect();
    if (!(flags & 2)) {
        c.m_x = x;
        c.m_y = y;
    }
    if (!(flags & 1)) {
        c.m_width = width;
        c.m_height = height;
    }
    InvalidateControlRect(UnionRect(before, c.Rect()));
}

void CExDialog::PlaceNextTo(CExControl& c, const CExControl& a, int side, int dx, int dy, int width,
                            int height) {
    int x = 0, y = 0;
    switch (side) {
        case 0:
            x = a.m_x + a.m_width + dx;
            y = a.m_y + dy;
            break;
        case 1:
            x = a.m_x + dx;
            y = a.m_y + a.m_height + dy;
            break;
        case 2:
            x = a.m_x - dx - width;
            y = a.m_y + dy;
            break;
        default:
            x = a.m_x + dx;
            y = a.m_y - dy - height;
            break;
    }
    SetBounds(c, x, y, width, height);
}

void CExDialog::SetImageStrip(CExControl& c, PackImage image, int frameWidth, int frameHeight,
                              int frameCount, int originX, int originY) {
    c.m_image = std::move(image);
    c.m_frameCount = std::max(1, frameCount);
    c.m_stripX = originX;
    c.m_stripY = originY;
    if (c.m_image) {
        c.m_frameWidth = frameWidth > 0 ? frameWidth : c.m_image->GetWidth() / c.m_frameCount;
        c.m_frameHeight = frameHeight > 0 ? frameHeight : c.m_image->GetHeight();
    } else {
        c.m_frameWidth = frameWidth;
        c.m_frameHeight = frameHeight;
    }
    if (c.m_width == 0 && c.m_height == 0) {
        c.m_width = c.m_frameWidth;
        c.m_height = c.m_frameHeight;
    }
    c.Invalidate();
}

void CExDialog::SetMenuBarMode(bool on) {
    m_menuBarMode = on;
    if (!m_hWnd) return;
    if (on)
        SetTimer(m_hWnd, kMenuTimer, 500);
    else
        KillTimer(m_hWnd, kMenuTimer);
}

void CExDialog::InvalidateControlRect(const RECT& r) {
    if (!m_hWnd || IsRectEmpty(r)) return;
    RECT withEdges{r.left, r.top, r.right + 1, r.bottom + 1};
    InvalidateRect(m_hWnd, &withEdges, false);
}

void CExDialog::SetRoundRegion(int cornerSize, bool wholeWindow) {
    RECT c;
    GetClientRect(m_hWnd, c);
    int w = c.right, h = c.bottom;
    Region region;
    if (wholeWindow) {
        region = Region::RoundRect(0, 0, w + 1, h + 1, cornerSize, cornerSize);
    } else {
        region = Region::RoundRect(0, 0, w + 1, h - 20 + 1, cornerSize, cornerSize);
        region = UnionRegion(region, Region::FromRect({0, h - 29, w, h}));
        region = UnionRegion(region, Region::FromRect({20, 20, w - 20, h - 20}));
    }
    SetWindowRgn(m_hWnd, &region, true);
}

void CExDialog::SetBackgroundImage(std::u16string_view file) {
    if (!FileExists(file)) {
        m_imageErrorBox = std::make_unique<CMsgBoxDlg>(m_hWnd, Format(u"文件 %s 不存在！", file),
                                                       u"截入图片错误", 0, true);
        if (m_imageErrorBox->Create(m_hWnd))
            ShowWindow(m_imageErrorBox->GetSafeHwnd(), SW_SHOW);
        else
            m_imageErrorBox.reset();
        return;
    }
    m_backgroundBitmap = Bitmap::LoadFile(file);
    InvalidateRect(m_hWnd, nullptr, false);
}

void CExDialog::DrawChildBorder(Canvas& dc, HWND child, COLORREF outer, int dx, int dy, int dw,
                                int dh, COLORREF inner) {
    RECT r;
    if (!GetWindowRect(child, r)) return;
    POINT tl{r.left, r.top};
    ScreenToClient(m_hWnd, tl);
    OffsetRect(r, tl.x - r.left, tl.y - r.top);
    RECT wide{r.left - dx, r.top - dy, r.right + dw, r.bottom + dh};
    dc.FillSolidRect(wide, outer);
    dc.FillSolidRect(InflatedRect(wide, -1, -1), inner);
}

// --- Painting --------------------------------------------------------------------------------

void CExDialog::PaintBackground(Canvas& dc) {
    RECT c;
    GetClientRect(m_hWnd, c);
    dc.FillSolidRect(c, m_backgroundColour);
    if (!m_backgroundBitmap.IsNull())
        dc.StretchBlt(c, m_backgroundBitmap,
                      {0, 0, m_backgroundBitmap.Width(), m_backgroundBitmap.Height()});
}

void CExDialog::PaintFrame(Canvas& dc) {
    PaintBackground(dc);
    for (auto& [id, c] : m_controls)
        if (c->m_visible) c->Draw(dc);
}

void CExDialog::OnPaint() {
    if (m_reloadImages) {
        m_reloadImages = false;
        ReloadImages();
    }
    PaintDC dc(m_hWnd);
    if (!dc.IsValid()) return;
    RECT c;
    GetClientRect(m_hWnd, c);
    Bitmap offscreen(c.right, c.bottom);
    {
        Canvas oc(offscreen);
        PaintFrame(oc);
    }
    dc.Dc().BitBlt(0, 0, c.right, c.bottom, offscreen, 0, 0);
}

// --- Initialisation and destruction ---------------------------------------------------------

bool CExDialog::OnInitDialog() {
    m_focusButton = std::make_unique<CFocusButton>();
    m_focusButton->CreateEx(0, u"Button", u"Focus Button", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, m_hWnd,
                            kFocusButtonId);
    SetTimer(m_hWnd, kStateTimer, 150);
    if (m_menuBarMode) SetTimer(m_hWnd, kMenuTimer, 500);
    return true;
}

void CExDialog::ReleaseFrame() {
    KillTimer(m_hWnd, kStateTimer);
    KillTimer(m_hWnd, kMenuTimer);
    KillTimer(m_hWnd, kArmedTimer);
    KillTimer(m_hWnd, kFocusTimer);
    m_backgroundBitmap = Bitmap();
    m_imageErrorBox.reset();
    m_tooltip.reset();
    m_focusButton.reset();
    m_mnemonics.clear();
    m_popupIds.clear();
    m_tabOrder.clear();
    m_focusOnClick.clear();
    m_pressedControl = nullptr;
    m_capturing = false;
}

HWND CExDialog::FocusButton() const { return m_focusButton ? m_focusButton->GetSafeHwnd() : nullptr; }

void CExDialog::FocusFrameSoon() { SetTimer(m_hWnd, kFocusTimer, 10); }

CExControl* CExDialog::FocusedControl() const {
    for (auto& [id, c] : m_controls)
        if (c->m_focused) return c;
    return nullptr;
}

// --- Control states ----------------------------------------------------------------------

void CExDialog::ClearStates(bool hover, bool pressed, bool focused, const CExControl* except) {
    for (auto& [id, c] : m_controls) {
        if (c == except) continue;
        if (hover) c->SetHover(false);
        if (pressed) c->SetPressed(false);
        if (focused) c->SetFocused(false);
    }
}

void CExDialog::ClearOtherDownStates(const CExControl* except) {
    for (auto& [id, c] : m_controls)
        if (c != except && c->m_kind == kExPressButton && c->m_clearsDown) c->SetDown(false);
}

void CExDialog::PostNotify(int id) {
    PostMessage(m_hWnd, WM_EX_CONTROLNOTIFY, MAKEWPARAM(0, 0), MAKELPARAM(id, 0));
}

void CExDialog::ArmPopup(CExControl& c) {
    if (m_menuBarMode && !m_menuArmed && m_popupIds.count(c.m_id)) {
        m_menuArmed = true;
        m_armedId = c.m_id;
        SetTimer(m_hWnd, kArmedTimer, 150);
    }
}

void CExDialog::FocusControl(CExControl& c) {
    c.SetFocused(true);
    HWND fb = FocusButton();
    SetFocus(fb && IsWindowVisible(fb) ? fb : m_hWnd);
}

CExControl* CExDialog::HitTest(int x, int y) const {
    for (auto& [id, c] : m_controls)
        if (c->IsHittable() && c->Contains(x, y)) return c;
    return nullptr;
}

// --- The dispatch ---------------------------------------------------------------------------

int CExDialog::DispatchControlMessage(const MSG& msg) {
    if (IsMouseMessage(msg.message)) return DispatchMouse(msg);
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) return DispatchKey(msg);
    return 0;
}

int CExDialog::DispatchMouse(const MSG& msg) {
    if (m_controls.empty()) return 0;
    switch (msg.message) {
        case WM_NCMOUSEMOVE:
        case WM_NCLBUTTONUP:
            ClearStates(true, true, false, nullptr);
            return 0;
        case WM_NCLBUTTONDOWN: {
            ClearStates(true, true, false, nullptr);
            m_capturing = false;
            int ht = int(msg.wParam);
            if (msg.hwnd == m_hWnd && ht >= HTLEFT && ht <= HTBOTTOMRIGHT) {
                SendMessage(m_hWnd, WM_SYSCOMMAND, SC_SIZE + WPARAM(ht - HTLEFT + 1),
                            msg.lParam);
                return 1;
            }
            return 0;
        }
        default:
            break;
    }
    // Only the frame's own client messages can point at a control; a child's
    // messages still move hover and focus away from the controls.
    bool own = msg.hwnd == m_hWnd;
    CExControl* hit = own ? HitTest(GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)) : nullptr;
    switch (msg.message) {
        case WM_MOUSEMOVE: {
            if (!m_capturing) ClearStates(true, false, false, hit);
            if (!hit) return 0;
            hit->SetHover(true);
            if (!hit->m_tooltip.empty() && !m_capturing) {
                if (hit->m_tooltip != m_tooltipText) {
                    if (!m_tooltip) {
                        m_tooltip = std::make_unique<CSkinToolTip>();
                        m_tooltip->Create(m_hWnd);
                    }
                    m_tooltip->SetTool(hit->Rect(), hit->m_tooltip);
                    m_tooltipText = hit->m_tooltip;
                    if (m_tooltip) m_tooltip->RelayEvent(msg);
                }
            } else if (!m_tooltipText.empty()) {
                m_tooltipText.clear();
                if (m_tooltip) m_tooltip->SetTool({}, u"");
            }
            return 1;
        }
        case WM_LBUTTONDOWN: {
            ClearStates(true, true, true, hit);
            if (!hit) return 0;
            ClearOtherDownStates(hit);
            if (m_focusOnClick.count(hit->m_id)) FocusControl(*hit);
            if (hit->m_kind == kExPressButton) {
                ArmPopup(*hit);
                PostNotify(hit->m_id);
                hit->SetDown(true);
                hit->SetHover(false);
                hit->SetPressed(false);
            } else {
                m_capturing = true;
                hit->SetPressed(true);
                m_pressedControl = hit;
                if (own) SetCapture(m_hWnd);
            }
            return 1;
        }
        case WM_LBUTTONUP: {
            bool wasCapturing = m_capturing;
            if (m_capturing && GetCapture() == m_hWnd) ReleaseCapture();
            m_capturing = false;
            ClearStates(true, true, false, nullptr);
            if (hit) hit->SetHover(true);
            CExControl* pressed = m_pressedControl;
            m_pressedControl = nullptr;
            if (!hit || hit != pressed) return wasCapturing ? 1 : 0;
            if (hit->m_kind == kExPressButton) return 1;
            if (hit->m_kind == kExCheckBox || hit->m_kind == kExOptionBox)
                hit->SetChecked(hit->m_checked == 1 ? 0 : 1);
            PostNotify(hit->m_id);
            return 1;
        }
        default:
            return hit ? 1 : 0;
    }
}

int CExDialog::DispatchKey(const MSG& msg) {
    UINT key = UINT(msg.wParam);
    if (msg.message == WM_SYSKEYDOWN) {
        auto it = m_mnemonics.find(ToUpperChar(char16_t(key)));
        if (it == m_mnemonics.end()) it = m_mnemonics.find(key);
        if (it == m_mnemonics.end()) return 0;
        CExControl& c = *it->second;
        if (!c.m_enabled || !c.m_visible) return 0;
        ClearOtherDownStates(&c);
        if (c.m_kind == kExPressButton) {
            ArmPopup(c);
            c.SetDown(true);
        }
        PostNotify(c.m_id);
        return 1;
    }
    bool shift = GetKeyState(VK_SHIFT) < 0;
    CExControl* focused = FocusedControl();
    switch (key) {
        case VK_TAB:
            return MoveFocus(!shift) ? 1 : 0;
        case VK_RIGHT:
        case VK_DOWN:
        case VK_LEFT:
        case VK_UP:
            if (!focused) return 0;
            MoveFocus(key == VK_RIGHT || key == VK_DOWN);
            return 1;
        case VK_SPACE:
            if (!focused) return 0;
            if (focused->m_kind == kExCheckBox || focused->m_kind == kExOptionBox)
                focused->SetChecked(focused->m_checked == 1 ? 0 : 1);
            if (focused->m_kind >= kExPushButton && focused->m_kind <= kExOptionBox)
                PostNotify(focused->m_id);
            return 1;
        case VK_RETURN:
            if (!focused ||
                (focused->m_kind != kExPushButton && focused->m_kind != kExPressButton))
                return 0;
            PostNotify(focused->m_id);
            return 1;
        default:
            return 0;
    }
}

bool CExDialog::MoveFocus(bool forward, HWND from) {
    if (m_tabOrder.empty()) return false;
    int n = int(m_tabOrder.size());
    int at = -1;
    CExControl* focused = from ? nullptr : FocusedControl();
    HWND focusWindow = from ? from : GetFocus();
    for (int i = 0; i < n; ++i) {
        const TabEntry& e = m_tabOrder[size_t(i)];
        if (focused ? e.control == focused
                    : (e.kind != 1 && e.child &&
                       (e.child == focusWindow || IsChild(e.child, focusWindow)))) {
            at = i;
            break;
        }
    }
    int step = forward ? 1 : -1;
    int i = at < 0 ? (forward ? 0 : n - 1) : at + step;
    for (; i >= 0 && i < n; i += step) {
        const TabEntry& e = m_tabOrder[size_t(i)];
        if (e.kind == 1) {
            if (!e.control->m_enabled || !e.control->m_visible) continue;
            ClearStates(true, true, true, e.control);
            FocusControl(*e.control);
            return true;
        }
        if (!IsWindowVisible(e.child) || !IsWindowEnabled(e.child)) continue;
        ClearStates(false, false, true, nullptr);
        SetFocus(e.child);
        SendMessage(e.child, WM_EX_TAKEFOCUS, forward ? 0 : 1, 0);
        return true;
    }
    return false;
}

bool CExDialog::PreTranslateMessage(MSG& msg) {
    if (m_tooltip) m_tooltip->RelayEvent(msg);
    if ((msg.message == WM_NCLBUTTONDOWN && msg.hwnd == m_hWnd) ||
        (msg.message == WM_LBUTTONDOWN && m_controls.size() > 1))
        SetClickElsewhere(true);
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) return true;
    if (DispatchControlMessage(msg) == 1) return true;
    if (msg.hwnd == m_hWnd && IsMouseMessage(msg.message)) m_dispatchedInPreTranslate = true;
    return CDialog::PreTranslateMessage(msg);
}

// --- Window messages ---------------------------------------------------------------------------

int CExDialog::NcHitTest(LPARAM lParam) {
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(m_hWnd, pt);
    if (m_capturing || HitTest(pt.x, pt.y)) return HTCLIENT;
    RECT c;
    GetClientRect(m_hWnd, c);
    int w = c.right, h = c.bottom;
    if (!m_noResizing) {
        bool left = pt.x < 10, right = pt.x >= w - 10, top = pt.y < 10, bottom = pt.y >= h - 10;
        if (top && left) return HTTOPLEFT;
        if (top && right) return HTTOPRIGHT;
        if (bottom && left) return HTBOTTOMLEFT;
        if (bottom && right) return HTBOTTOMRIGHT;
        if (pt.x < 3) return HTLEFT;
        if (pt.x >= w - 3) return HTRIGHT;
        if (pt.y < 3) return HTTOP;
        if (pt.y >= h - 3) return HTBOTTOM;
    }
    return HTCAPTION;
}

void CExDialog::OnTimer(uintptr_t id) {
    switch (id) {
        case kStateTimer: {
            if (m_capturing && m_pressedControl) return;
            POINT cursor;
            GetCursorPos(cursor);
            if (WindowFromPoint(cursor) != m_hWnd) ClearStates(true, true, false, nullptr);
            // Only the buttons that open popups stay down while their popup is open.
            if (!BCMenu::IsAnyOpen())
                for (auto& [cid, c] : m_controls)
                    if (c->m_kind == kExPressButton && m_popupIds.count(cid)) c->SetDown(false);
            HWND fb = FocusButton();
            HWND focus = GetFocus();
            if (fb && GetForegroundWindow() == m_hWnd && focus != fb && focus != m_hWnd)
                ClearStates(false, false, true, nullptr);
            return;
        }
        case kMenuTimer:
            if (!BCMenu::IsAnyOpen() && m_menuArmed) {
                m_menuArmed = false;
                m_armedId = -1;
                KillTimer(m_hWnd, kArmedTimer);
            }
            return;
        case kArmedTimer: {
            POINT cursor;
            GetCursorPos(cursor);
            if (GetForegroundWindow() != m_hWnd || WindowFromPoint(cursor) != m_hWnd) return;
            POINT pt = cursor;
            ScreenToClient(m_hWnd, pt);
            CExControl* hit = HitTest(pt.x, pt.y);
            if (!hit || hit->m_kind != kExPressButton || !m_popupIds.count(hit->m_id) ||
                hit->m_id == m_armedId)
                return;
            // The open popup closes on the press, the new one opens on it.
            PostMessage(m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
            PostMessage(m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
            m_armedId = hit->m_id;
            return;
        }
        case kFocusTimer: {
            KillTimer(m_hWnd, kFocusTimer);
            HWND fb = FocusButton();
            SetFocus(fb && IsWindowVisible(fb) ? fb : m_hWnd);
            return;
        }
        default:
            return;
    }
}

LRESULT CExDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_ERASEBKGND:
        case WM_HELP:
            return 1;
        case WM_CTLCOLORSTATIC:
            return 0;  // transparent, the null brush
        case WM_NCHITTEST:
            return NcHitTest(lParam);
        case WM_TIMER:
            if (wParam >= kStateTimer && wParam <= kFocusTimer) {
                OnTimer(wParam);
                return 0;
            }
            break;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_NCMOUSEMOVE:
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONUP: {
            bool already = m_dispatchedInPreTranslate;
            m_dispatchedInPreTranslate = false;
            if (!already && !IsTracking()) {
                MSG msg;
                msg.hwnd = m_hWnd;
                msg.message = message;
                msg.wParam = wParam;
                msg.lParam = lParam;
                if (DispatchControlMessage(msg) == 1) return 0;
            }
            break;
        }
        case WM_EX_RELOADIMAGES:
            m_reloadImages = true;
            InvalidateRect(m_hWnd, nullptr, false);
            return 0;
        case WM_EX_HIDESHOW: {
            auto style = uint32_t(GetWindowLongPtr(m_hWnd, GWL_STYLE));
            bool overlapped = !(style & (WS_POPUP | WS_CHILD));
            if (lParam == 0) {
                if (IsWindowVisible(m_hWnd) && overlapped && (style & WS_CLIPSIBLINGS)) {
                    ShowWindow(m_hWnd, SW_HIDE);
                    m_hiddenByMessage = true;
                }
            } else if (m_hiddenByMessage) {
                m_hiddenByMessage = false;
                ShowWindow(m_hWnd, SW_SHOW);
            }
            return 0;
        }
        case WM_EX_CHILDNOTIFY: {
            HWND child = reinterpret_cast<HWND>(lParam);
            switch (wParam) {
                case kChildTextChanged:
                    OnChildTextChanged(child);
                    break;
                case kChildSelectionChanged:
                    OnChildSelectionChanged(child);
                    break;
                case kChildValueChanged:
                    OnChildValueChanged(child);
                    break;
                case kChildTab:
                    MoveFocus(true, child);
                    break;
                case kChildShiftTab:
                    MoveFocus(false, child);
                    break;
                default:
                    break;
            }
            return 0;
        }
        case WM_EX_ENTERESCAPE:
            OnEnterOrEscape(wParam != 0);
            return 0;
        case WM_EX_CONTROLNOTIFY:
            SetClickElsewhere(true);
            OnControlNotify(LOWORD(uintptr_t(lParam)));
            return 0;
        case WM_AB_MSGBOXRESULT:
            if (m_imageErrorBox && reinterpret_cast<HWND>(lParam) == m_imageErrorBox->GetSafeHwnd()) {
                m_imageErrorBox.reset();
                return 0;
            }
            break;
        case WM_DESTROY:
            ReleaseFrame();
            break;
        default:
            break;
    }
    return CDialog::OnMessage(message, wParam, lParam);
}
