#include "monitor/Controls/Wnd.h"

#include "monitor/Controls/BCMenu.h"

#include "platform/desktop/Clock.h"
#include "platform/gfx/DialogTemplate.h"
#include "platform/gfx/KeyState.h"
#include "platform/gfx/WindowDefs.h"

using namespace plat;

namespace {

// Messages sent while a pre-translation runs are not pre-translated again.
thread_local int t_walkDepth = 0;

struct WalkScope {
    WalkScope() { ++t_walkDepth; }
    ~WalkScope() { --t_walkDepth; }
};

}  // namespace

CModalScope::CModalScope() : m_saved(t_walkDepth) { t_walkDepth = 0; }
CModalScope::~CModalScope() { t_walkDepth = m_saved; }

bool CWnd::PreTranslateMessage(MSG&) { return false; }

bool CWnd::IsInputMessage(UINT m) {
    return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) ||
           (m >= WM_NCMOUSEMOVE && m <= WM_NCLBUTTONDBLCLK);
}

bool CWnd::WalkPreTranslate(MSG& msg) {
    WalkScope scope;
    for (HWND h = msg.hwnd; h && IsWindow(h);) {
        if (auto* w = dynamic_cast<CWnd*>(Window::FromHandle(h)))
            if (w->PreTranslateMessage(msg)) return true;
        if (!(GetWindowLongPtr(h, GWL_STYLE) & WS_CHILD)) break;
        h = GetParent(h);
    }
    return false;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (t_walkDepth == 0 && IsInputMessage(message)) {
        MSG msg;
        msg.hwnd = m_hWnd;
        msg.message = message;
        msg.wParam = wParam;
        msg.lParam = lParam;
        msg.time = ClockNow();
        GetCursorPos(msg.pt);
        // A press anywhere but on an open menu closes the menu first.
        if (BCMenu::IsAnyOpen() && (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN ||
                                    message == WM_NCLBUTTONDOWN))
            BCMenu::NoticePress(m_hWnd);
        if (WalkPreTranslate(msg)) return 0;
    }
    return OnMessage(message, wParam, lParam);
}

LRESULT CWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

// --- CDialog ---------------------------------------------------------------------------------

bool CDialog::Create(HWND parent) {
    RegisterMonitorDialogTemplates();
    DialogTemplate t;
    if (m_hWnd || !FindDialogTemplate(m_templateId, t)) return false;
    int x = 0, y = 0;
    if (!(t.style & WS_CHILD)) {
        RECT wa;
        GetWorkArea(wa);
        x = wa.left + (wa.Width() - t.cx) / 2;
        y = wa.top + (wa.Height() - t.cy) / 2;
    }
    HWND h = CreateEx(t.exStyle, u"#32770", t.caption, t.style & ~uint32_t(WS_VISIBLE), x, y, t.cx,
                      t.cy, parent, 0);
    if (!h) return false;
    SendMessage(h, WM_INITDIALOG, 0, 0);
    if (!IsWindow(h)) return false;
    if (t.style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
    return true;
}

INT_PTR CDialog::DoModal(HWND parent) {
    if (!Create(parent)) return -1;
    m_modal = true;
    ShowWindow(m_hWnd, SW_SHOW);
    CModalScope scope;
    INT_PTR result = RunModalLoop();
    m_modal = false;
    DestroyWindow();
    return result;
}

void CDialog::EndDialog(int result) {
    if (m_modal)
        EndModalLoop(result);
    else
        DestroyWindow();
}

void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::PreTranslateMessage(MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    // The dialog manager's keys.
    switch (msg.wParam) {
        case VK_RETURN:
            OnOK();
            return true;
        case VK_ESCAPE:
            OnCancel();
            return true;
        case VK_TAB: {
            bool back = GetKeyState(VK_SHIFT) < 0;
            std::vector<HWND> stops;
            for (HWND c = GetWindow(m_hWnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                auto style = uint32_t(GetWindowLongPtr(c, GWL_STYLE));
                if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED))
                    stops.push_back(c);
            }
            if (stops.empty()) return false;
            HWND focus = GetFocus();
            size_t at = stops.size();
            for (size_t i = 0; i < stops.size(); ++i)
                if (stops[i] == focus || IsChild(stops[i], focus)) at = i;
            size_t next = at == stops.size() ? 0
                          : back           ? (at + stops.size() - 1) % stops.size()
                                           : (at + 1) % stops.size();
            SetFocus(stops[next]);
            return true;
        }
        default:
            return false;
    }
}

void CDialog::StartTracking(int mode) {
    GetCursorPos(m_trackStart);
    GetWindowRect(m_hWnd, m_trackRect);
    m_trackMode = mode;
    SetCapture(m_hWnd);
}

bool CDialog::Track(UINT message) {
    if (message == WM_CAPTURECHANGED || message == WM_LBUTTONUP) {
        int mode = m_trackMode;
        m_trackMode = 0;
        if (message == WM_LBUTTONUP && GetCapture() == m_hWnd) ReleaseCapture();
        return mode != 0;
    }
    POINT now;
    GetCursorPos(now);
    int dx = now.x - m_trackStart.x, dy = now.y - m_trackStart.y;
    RECT r = m_trackRect;
    if (m_trackMode == 1) {
        OffsetRect(r, dx, dy);
    } else {
        int edge = m_trackMode - 1;  // the system's WMSZ_ numbers
        if (edge == 1 || edge == 4 || edge == 7) r.left += dx;
        if (edge == 2 || edge == 5 || edge == 8) r.right += dx;
        if (edge == 3 || edge == 4 || edge == 5) r.top += dy;
        if (edge == 6 || edge == 7 || edge == 8) r.bottom += dy;
        SendMessage(m_hWnd, WM_SIZING, WPARAM(edge), reinterpret_cast<LPARAM>(&r));
    }
    // Relative to the owner's client area for a child window.
    HWND parent = GetParent(m_hWnd);
    if (parent && (GetWindowLongPtr(m_hWnd, GWL_STYLE) & WS_CHILD)) {
        POINT o{r.left, r.top};
        ScreenToClient(parent, o);
        OffsetRect(r, o.x - r.left, o.y - r.top);
    }
    SetWindowPos(m_hWnd, nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER);
    return true;
}

LRESULT CDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_trackMode &&
        (message == WM_MOUSEMOVE || message == WM_LBUTTONUP || message == WM_CAPTURECHANGED)) {
        Track(message);
        return 0;
    }
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            if (lParam == 0 && LOWORD(wParam) == IDOK) {
                OnOK();
                return 0;
            }
            if (lParam == 0 && LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return 0;
            }
            break;
        case WM_CLOSE:
            OnCancel();
            return 0;
        case WM_NCLBUTTONDOWN:
            if (wParam == WPARAM(HTCAPTION)) {
                StartTracking(1);
                return 0;
            }
            break;
        case WM_SYSCOMMAND: {
            WPARAM cmd = wParam & 0xFFF0;
            if (cmd == SC_MOVE) {
                StartTracking(1);
                return 0;
            }
            if (cmd == SC_SIZE && (wParam & 0xF) >= 1 && (wParam & 0xF) <= 8) {
                StartTracking(1 + int(wParam & 0xF));
                return 0;
            }
            if (cmd == SC_CLOSE) {
                SendMessage(m_hWnd, WM_CLOSE);
                return 0;
            }
            if (cmd == SC_MINIMIZE) {
                ShowWindow(m_hWnd, SW_MINIMIZE);
                return 0;
            }
            if (cmd == SC_RESTORE) {
                ShowWindow(m_hWnd, SW_RESTORE);
                return 0;
            }
            break;
        }
        default:
            break;
    }
    return CWnd::OnMessage(message, wParam, lParam);
}
