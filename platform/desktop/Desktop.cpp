// Windows: creation and destruction, the window tree, texts, styles and
// geometry, and the standard window procedure.
#include <algorithm>
#include <functional>

#include "platform/Error.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/desktop/DesktopState.h"

namespace plat {

namespace {

constexpr uint32_t kErrorInvalidWindow = 1400;  // the system's "invalid window handle"
constexpr uint32_t kErrorWrongThread = 5;

HWND NewHandle(DesktopState& d) {
    HWND h = reinterpret_cast<HWND>(d.nextHandle);
    d.nextHandle += 4;
    return h;
}

void MakeRoot(DesktopState& d) {
    WindowData root;
    root.handle = NewHandle(d);
    root.className = u"#32769";
    root.style = WS_VISIBLE | WS_POPUP;
    root.rect = {0, 0, d.screen.cx, d.screen.cy};
    root.processId = CurrentProcessId();
    d.root = root.handle;
    d.windows.emplace(root.handle, std::move(root));
}

}  // namespace

void UnlinkLocked(DesktopState& d, WindowData& w) {
    WindowData* p = d.Find(w.parent);
    if (!p) return;
    if (w.prev)
        d.Find(w.prev)->next = w.next;
    else
        p->firstChild = w.next;
    if (w.next)
        d.Find(w.next)->prev = w.prev;
    else
        p->lastChild = w.prev;
    w.next = w.prev = nullptr;
}

void LinkAfterLocked(DesktopState& d, WindowData& w, HWND after) {
    WindowData* p = d.Find(w.parent);
    if (!p) return;
    if (after == HWND_BOTTOM || (after && after != HWND_TOP && !d.Find(after)))
        after = p->lastChild;
    if (after == HWND_TOP || after == nullptr) {
        // Topmost windows stay above the others.
        HWND before = p->firstChild;
        if (!(w.exStyle & WS_EX_TOPMOST) && w.parent == d.root) {
            HWND last = nullptr;
            while (before && (d.Find(before)->exStyle & WS_EX_TOPMOST)) {
                last = before;
                before = d.Find(before)->next;
            }
            if (last) {
                LinkAfterLocked(d, w, last);
                return;
            }
        }
        w.prev = nullptr;
        w.next = p->firstChild;
        if (p->firstChild)
            d.Find(p->firstChild)->prev = w.handle;
        else
            p->lastChild = w.handle;
        p->firstChild = w.handle;
        return;
    }
    WindowData* a = d.Find(after);
    w.prev = after;
    w.next = a->next;
    if (a->next)
        d.Find(a->next)->prev = w.handle;
    else
        p->lastChild = w.handle;
    a->next = w.handle;
}

namespace {

bool TitleMatches(const WindowData& w, const char16_t* className, const char16_t* title) {
    if (className && !EqualsNoCase(w.className, className)) return false;
    if (title && !EqualsNoCase(w.title, title)) return false;
    return true;
}

std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(Desk().lock); }

}  // namespace

DesktopState& Desk() {
    static DesktopState* d = [] {
        auto* s = new DesktopState;
        MakeRoot(*s);
        return s;
    }();
    return *d;
}

uint32_t ThisThread() {
    thread_local uint32_t id = CurrentThreadId();
    return id;
}

RECT ClientInsets(uint32_t style) {
    int frame = (style & WS_THICKFRAME) ? 4
                : (style & WS_DLGFRAME) ? 3
                : (style & WS_BORDER)   ? 1
                                        : 0;
    int caption = (style & WS_CAPTION) == WS_CAPTION ? 19 : 0;
    return {frame, frame + caption, frame, frame};
}

RECT ScreenRectLocked(DesktopState& d, const WindowData& w) {
    RECT r = w.rect;
    if (w.parent && w.parent != d.root) {
        if (const WindowData* p = d.Find(w.parent)) {
            POINT o = ClientOriginLocked(d, *p);
            OffsetRect(r, o.x, o.y);
        }
    }
    return r;
}

POINT ClientOriginLocked(DesktopState& d, const WindowData& w) {
    RECT r = ScreenRectLocked(d, w);
    RECT in = ClientInsets(w.style);
    return {r.left + in.left, r.top + in.top};
}

bool VisibleLocked(DesktopState& d, const WindowData& w) {
    const WindowData* p = &w;
    while (p && p->handle != d.root) {
        if (!(p->style & WS_VISIBLE)) return false;
        p = d.Find(p->parent);
    }
    return p != nullptr;
}

LRESULT CallWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool posted) {
    Window* obj = nullptr;
    {
        auto l = Lock();
        if (WindowData* w = Desk().Find(hwnd)) obj = w->object;
    }
    if (!obj) return DefWindowProc(hwnd, message, wParam, lParam);
    return obj->Receive(message, wParam, lParam, posted);
}

// --- Window ------------------------------------------------------------------------------

struct DesktopAccess {
    static void Detach(Window& w) { w.m_hWnd = nullptr; }
    static bool AutoDelete(const Window& w) { return w.m_autoDelete; }
    static void Attach(Window& w, HWND h) { w.m_hWnd = h; }
    static void PostNcDestroy(Window& w) { w.PostNcDestroy(); }
};

struct ModalFrame {
    bool ended = false;
    INT_PTR result = -1;
    bool objectGone = false;
    ModalFrame* outer = nullptr;
};

Window::Window() = default;

Window::~Window() {
    for (ModalFrame* f = m_modalFrame; f; f = f->outer) f->objectGone = true;
    if (m_hWnd) {
        // The object goes first: the window is destroyed without it.
        {
            auto l = Lock();
            if (WindowData* w = Desk().Find(m_hWnd)) w->object = nullptr;
        }
        plat::DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
}

namespace {

CREATESTRUCT MakeCreateStruct(uint32_t exStyle, std::u16string_view className,
                              std::u16string_view title, uint32_t style, int x, int y, int cx,
                              int cy, HWND parent, int id, uint32_t processId) {
    CREATESTRUCT cs;
    cs.exStyle = exStyle;
    cs.className = className;
    cs.title = title;
    cs.style = style;
    cs.x = x;
    cs.y = y;
    cs.cx = cx;
    cs.cy = cy;
    cs.parent = parent;
    cs.id = id;
    cs.processId = processId;
    return cs;
}

}  // namespace

HWND Window::CreateEx(uint32_t exStyle, std::u16string_view className, std::u16string_view title,
                      uint32_t style, int x, int y, int cx, int cy, HWND parent, int id) {
    return Create(MakeCreateStruct(exStyle, className, title, style, x, y, cx, cy, parent, id, 0));
}

HWND Window::Create(const CREATESTRUCT& cs) {
    if (m_hWnd) return nullptr;
    HWND h;
    HWND parent;
    {
        auto l = Lock();
        DesktopState& d = Desk();
        if (cs.parent && !d.Find(cs.parent)) {
            SetLastError(kErrorInvalidWindow);
            return nullptr;
        }
        if ((cs.style & WS_CHILD) && !cs.parent) {
            SetLastError(kErrorInvalidWindow);
            return nullptr;
        }
        OwnQueue();
        WindowData w;
        w.handle = h = NewHandle(d);
        w.object = this;
        w.className = cs.className;
        w.title = cs.title;
        w.style = cs.style;
        w.exStyle = cs.exStyle;
        if (cs.style & WS_CHILD) {
            w.parent = cs.parent;
            w.id = cs.id;
        } else {
            w.parent = d.root;
            // The owner of a top-level window is always a top-level window.
            HWND o = cs.parent;
            while (o) {
                WindowData* ow = d.Find(o);
                if (!ow || !(ow->style & WS_CHILD)) break;
                o = ow->parent;
            }
            w.owner = o;
        }
        w.rect = {cs.x, cs.y, cs.x + std::max(0, cs.cx), cs.y + std::max(0, cs.cy)};
        w.processId = cs.processId ? cs.processId : CurrentProcessId();
        w.threadId = ThisThread();
        parent = w.parent;
        auto& stored = d.windows.emplace(h, std::move(w)).first->second;
        LinkAfterLocked(d, stored, (cs.style & WS_CHILD) ? HWND_BOTTOM : HWND_TOP);
        DesktopAccess::Attach(*this, h);
    }
    if (!SendMessage(h, WM_NCCREATE, 0, 0) || SendMessage(h, WM_CREATE, 0, 0) == -1) {
        plat::DestroyWindow(h);
        return nullptr;
    }
    if (!IsWindow(h)) return nullptr;
    if ((cs.style & WS_CHILD) && !(cs.exStyle & WS_EX_NOPARENTNOTIFY))
        SendMessage(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, cs.id),
                    reinterpret_cast<LPARAM>(h));
    if (cs.style & WS_VISIBLE) InvalidateRect(h, nullptr, true);
    return h;
}

bool Window::DestroyWindow() { return m_hWnd && plat::DestroyWindow(m_hWnd); }

Window* Window::FromHandle(HWND h) {
    auto l = Lock();
    WindowData* w = Desk().Find(h);
    return w ? w->object : nullptr;
}

size_t Window::CountMessages(UINT message) const {
    return size_t(
        std::count_if(m_messages.begin(), m_messages.end(),
                      [message](const MessageRecord& r) { return r.message == message; }));
}

LRESULT Window::Receive(UINT message, WPARAM wParam, LPARAM lParam, bool posted) {
    if (m_recording) {
        MessageRecord r;
        {
            auto l = Lock();
            r.seq = ++Desk().seq;
        }
        r.message = message;
        r.wParam = wParam;
        r.lParam = lParam;
        r.posted = posted;
        if ((message == WM_SETTEXT || message == EM_REPLACESEL) && lParam)
            r.text = reinterpret_cast<const char16_t*>(lParam);
        m_messages.push_back(std::move(r));
    }
    return WindowProc(message, wParam, lParam);
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(m_hWnd, message, wParam, lParam);
}

INT_PTR Window::RunModalLoop() {
    HWND self = m_hWnd;
    ModalFrame frame;
    frame.outer = m_modalFrame;
    m_modalFrame = &frame;
    for (;;) {
        if (frame.ended) break;
        MSG msg;
        if (!GetMessage(msg)) {
            if (msg.message == WM_QUIT) PostQuitMessage(int(msg.wParam));
            frame.result = -1;
            break;
        }
        TranslateMessage(msg);
        DispatchMessage(msg);
        // A message may have destroyed the window, or deleted this object.
        if (frame.objectGone) return frame.ended ? frame.result : -1;
        if (!frame.ended && !IsWindow(self)) {
            frame.result = -1;
            break;
        }
    }
    m_modalFrame = frame.outer;
    return frame.result;
}

void Window::EndModalLoop(INT_PTR result) {
    if (!m_modalFrame) return;
    m_modalFrame->result = result;
    m_modalFrame->ended = true;
    PostMessage(m_hWnd, WM_NULL);  // wakes the loop
}

// --- Classes and free creation --------------------------------------------------------

void RegisterWindowClass(std::u16string_view className, WindowFactory factory) {
    auto l = Lock();
    Desk().factories[ToUpper(className)] = std::move(factory);
}

HWND CreateWindowEx(uint32_t exStyle, std::u16string_view className, std::u16string_view title,
                    uint32_t style, int x, int y, int cx, int cy, HWND parent, int id,
                    uint32_t processId) {
    WindowFactory factory;
    {
        auto l = Lock();
        auto it = Desk().factories.find(ToUpper(className));
        if (it != Desk().factories.end()) factory = it->second;
    }
    Window* obj = factory ? factory() : new Window;
    if (!obj) return nullptr;
    // Deleted with its window only once it has one: a refused creation leaves
    // the object to us.
    obj->SetAutoDelete(false);
    HWND h = obj->Create(
        MakeCreateStruct(exStyle, className, title, style, x, y, cx, cy, parent, id, processId));
    if (!h) {
        delete obj;
        return nullptr;
    }
    obj->SetAutoDelete(true);
    return h;
}

// --- Destruction -----------------------------------------------------------------------

namespace {

void CollectTree(DesktopState& d, HWND h, std::vector<HWND>& out) {
    out.push_back(h);
    for (HWND c = d.Find(h)->firstChild; c; c = d.Find(c)->next) CollectTree(d, c, out);
}

}  // namespace

bool DestroyWindow(HWND hwnd) {
    std::vector<HWND> tree, owned;
    HWND parent = nullptr;
    bool notifyParent = false;
    int id = 0;
    {
        auto l = Lock();
        DesktopState& d = Desk();
        WindowData* w = d.Find(hwnd);
        if (!w || hwnd == d.root) {
            SetLastError(kErrorInvalidWindow);
            return false;
        }
        if (w->threadId != ThisThread() && w->object) {
            SetLastError(kErrorWrongThread);
            return false;
        }
        if (w->destroying) return true;
        w->destroying = true;
        for (auto& [h, other] : d.windows)
            if (other.owner == hwnd && !other.destroying) owned.push_back(h);
        w->style &= ~WS_VISIBLE;
        if (w->style & WS_CHILD) {
            parent = w->parent;
            notifyParent = !(w->exStyle & WS_EX_NOPARENTNOTIFY);
            id = w->id;
        }
        CollectTree(d, hwnd, tree);
    }
    for (HWND o : owned) DestroyWindow(o);
    if (notifyParent)
        SendMessage(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, id),
                    reinterpret_cast<LPARAM>(hwnd));
    HWND lostCapture = nullptr;
    {
        auto l = Lock();
        DesktopState& d = Desk();
        for (HWND h : tree) {
            if (d.capture == h) {
                lostCapture = h;
                d.capture = nullptr;
            }
            ForgetWindowInputLocked(d, h);
        }
    }
    if (lostCapture) SendMessage(lostCapture, WM_CAPTURECHANGED, 0, 0);
    // WM_DESTROY from the top down, WM_NCDESTROY from the bottom up.
    for (HWND h : tree) SendMessage(h, WM_DESTROY, 0, 0);
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        HWND h = *it;
        SendMessage(h, WM_NCDESTROY, 0, 0);
        Window* obj = nullptr;
        {
            auto l = Lock();
            DesktopState& d = Desk();
            WindowData* w = d.Find(h);
            if (!w) continue;
            obj = w->object;
            ForgetWindowTimersLocked(d, h);
            std::erase_if(d.hotKeys, [h](const HotKeyData& k) { return k.hwnd == h; });
            for (auto& [tid, q] : d.queues)
                std::erase_if(q->posted, [h](const MSG& m) { return m.hwnd == h; });
            // Children are gone already; unlink from the parent and forget.
            UnlinkLocked(d, *w);
            d.windows.erase(h);
        }
        if (obj) {
            DesktopAccess::Detach(*obj);
            bool autoDelete = DesktopAccess::AutoDelete(*obj);
            DesktopAccess::PostNcDestroy(*obj);
            if (autoDelete) delete obj;
        }
    }
    return true;
}

// --- The tree ---------------------------------------------------------------------------

HWND GetDesktopWindow() {
    auto l = Lock();
    return Desk().root;
}

bool IsWindow(HWND hwnd) {
    if (!hwnd) return false;
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    return w && !w->destroying;
}

HWND FindWindow(const char16_t* className, const char16_t* title) {
    return FindWindowEx(nullptr, nullptr, className, title);
}

HWND FindWindowEx(HWND parent, HWND childAfter, const char16_t* className, const char16_t* title) {
    auto l = Lock();
    DesktopState& d = Desk();
    WindowData* p = d.Find(parent ? parent : d.root);
    if (!p) {
        SetLastError(kErrorInvalidWindow);
        return nullptr;
    }
    HWND c = p->firstChild;
    if (childAfter) {
        WindowData* a = d.Find(childAfter);
        if (!a || a->parent != p->handle) return nullptr;
        c = a->next;
    }
    for (; c; c = d.Find(c)->next) {
        const WindowData& w = *d.Find(c);
        if (!w.destroying && TitleMatches(w, className, title)) return c;
    }
    return nullptr;
}

HWND GetWindow(HWND hwnd, UINT relation) {
    auto l = Lock();
    DesktopState& d = Desk();
    WindowData* w = d.Find(hwnd);
    if (!w) {
        SetLastError(kErrorInvalidWindow);
        return nullptr;
    }
    WindowData* p = d.Find(w->parent);
    switch (relation) {
        case GW_HWNDFIRST:
            return p ? p->firstChild : hwnd;
        case GW_HWNDLAST:
            return p ? p->lastChild : hwnd;
        case GW_HWNDNEXT:
            return w->next;
        case GW_HWNDPREV:
            return w->prev;
        case GW_OWNER:
            return w->owner;
        case GW_CHILD:
            return w->firstChild;
        default:
            return nullptr;
    }
}

HWND GetParent(HWND hwnd) {
    auto l = Lock();
    DesktopState& d = Desk();
    WindowData* w = d.Find(hwnd);
    if (!w) {
        SetLastError(kErrorInvalidWindow);
        return nullptr;
    }
    if (w->style & WS_CHILD) return w->parent == d.root ? nullptr : w->parent;
    return w->owner;
}

HWND GetAncestor(HWND hwnd, UINT relation) {
    auto l = Lock();
    DesktopState& d = Desk();
    WindowData* w = d.Find(hwnd);
    if (!w || hwnd == d.root) return nullptr;
    if (relation == GA_PARENT) return w->parent;
    while (w->parent != d.root) w = d.Find(w->parent);
    if (relation == GA_ROOTOWNER)
        while (w->owner && d.Find(w->owner)) w = d.Find(w->owner);
    return w->handle;
}

HWND SetParent(HWND child, HWND newParent) {
    auto l = Lock();
    DesktopState& d = Desk();
    WindowData* w = d.Find(child);
    if (!w || (newParent && !d.Find(newParent))) {
        SetLastError(kErrorInvalidWindow);
        return nullptr;
    }
    HWND target = newParent ? newParent : d.root;
    // A window cannot become a child of its own descendant.
    for (WindowData* p = d.Find(target); p; p = d.Find(p->parent))
        if (p->handle == child) return nullptr;
    HWND old = w->parent == d.root ? nullptr : w->parent;
    UnlinkLocked(d, *w);
    w->parent = target;
    LinkAfterLocked(d, *w, HWND_TOP);
    return old;
}

bool IsChild(HWND parent, HWND hwnd) {
    auto l = Lock();
    DesktopState& d = Desk();
    WindowData* w = d.Find(hwnd);
    while (w && (w->style & WS_CHILD)) {
        if (w->parent == parent) return true;
        w = d.Find(w->parent);
    }
    return false;
}

std::u16string GetClassName(HWND hwnd) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    return w ? w->className : std::u16string();
}

std::u16string GetWindowText(HWND hwnd) {
    {
        auto l = Lock();
        WindowData* w = Desk().Find(hwnd);
        if (!w) return {};
        if (w->threadId != ThisThread() || !w->object) return w->title;
    }
    LRESULT n = SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0);
    if (n <= 0) return {};
    std::u16string text(size_t(n) + 1, u'\0');
    LRESULT got =
        SendMessage(hwnd, WM_GETTEXT, WPARAM(text.size()), reinterpret_cast<LPARAM>(text.data()));
    text.resize(size_t(std::clamp<LRESULT>(got, 0, n)));
    return text;
}

int GetWindowTextLength(HWND hwnd) {
    {
        auto l = Lock();
        WindowData* w = Desk().Find(hwnd);
        if (!w) return 0;
        if (w->threadId != ThisThread() || !w->object) return int(w->title.size());
    }
    return int(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

bool SetWindowText(HWND hwnd, std::u16string_view text) {
    std::u16string copy(text);
    return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str())) != 0;
}

int GetDlgCtrlID(HWND hwnd) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    return w && (w->style & WS_CHILD) ? w->id : 0;
}

HWND GetDlgItem(HWND dialog, int id) {
    auto l = Lock();
    DesktopState& d = Desk();
    WindowData* p = d.Find(dialog);
    if (!p) return nullptr;
    for (HWND c = p->firstChild; c; c = d.Find(c)->next)
        if (d.Find(c)->id == id) return c;
    return nullptr;
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    if (!w) return 0;
    switch (index) {
        case GWL_STYLE:
            return LONG_PTR(w->style);
        case GWL_EXSTYLE:
            return LONG_PTR(w->exStyle);
        case GWLP_ID:
            return w->id;
        case GWLP_USERDATA:
            return w->userData;
        default:
            return 0;
    }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    if (!w) return 0;
    LONG_PTR old = 0;
    switch (index) {
        case GWL_STYLE:
            old = LONG_PTR(w->style);
            w->style = uint32_t(value);
            break;
        case GWL_EXSTYLE:
            old = LONG_PTR(w->exStyle);
            w->exStyle = uint32_t(value);
            break;
        case GWLP_ID:
            old = w->id;
            w->id = int(value);
            break;
        case GWLP_USERDATA:
            old = w->userData;
            w->userData = value;
            break;
        default:
            break;
    }
    return old;
}

uint32_t GetWindowThreadProcessId(HWND hwnd, uint32_t* processId) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    if (!w) {
        if (processId) *processId = 0;
        return 0;
    }
    if (processId) *processId = w->processId;
    return w->threadId;
}

// --- State and geometry ---------------------------------------------------------------

bool IsWindowVisible(HWND hwnd) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    return w && VisibleLocked(Desk(), *w);
}

bool IsWindowEnabled(HWND hwnd) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    return w && !(w->style & WS_DISABLED);
}

bool IsIconic(HWND hwnd) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    return w && (w->style & WS_MINIMIZE);
}

bool ShowWindow(HWND hwnd, int command) {
    bool wasVisible, nowVisible;
    {
        auto l = Lock();
        WindowData* w = Desk().Find(hwnd);
        if (!w) return false;
        wasVisible = w->style & WS_VISIBLE;
        switch (command) {
            case SW_HIDE:
                w->style &= ~WS_VISIBLE;
                break;
            case SW_MINIMIZE:
            case SW_SHOWMINIMIZED:
                w->style |= WS_VISIBLE | WS_MINIMIZE;
                w->style &= ~WS_MAXIMIZE;
                break;
            case SW_SHOWMAXIMIZED:
                w->style |= WS_VISIBLE | WS_MAXIMIZE;
                w->style &= ~WS_MINIMIZE;
                break;
            case SW_SHOWNORMAL:
            case SW_RESTORE:
                w->style |= WS_VISIBLE;
                w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
                break;
            default:
                w->style |= WS_VISIBLE;
                break;
        }
        nowVisible = w->style & WS_VISIBLE;
    }
    if (wasVisible != nowVisible) {
        SendMessage(hwnd, WM_SHOWWINDOW, nowVisible, 0);
        if (nowVisible) InvalidateRect(hwnd, nullptr, true);
    }
    return wasVisible;
}

bool EnableWindow(HWND hwnd, bool enable) {
    bool wasDisabled;
    {
        auto l = Lock();
        WindowData* w = Desk().Find(hwnd);
        if (!w) return false;
        wasDisabled = w->style & WS_DISABLED;
        if (enable)
            w->style &= ~WS_DISABLED;
        else
            w->style |= WS_DISABLED;
    }
    if (wasDisabled == enable) SendMessage(hwnd, WM_ENABLE, enable, 0);
    return wasDisabled;
}

bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    bool moved = false, sized = false, shown = false, hidden = false;
    RECT client;
    {
        auto l = Lock();
        DesktopState& d = Desk();
        WindowData* w = d.Find(hwnd);
        if (!w || hwnd == d.root) return false;
        RECT r = w->rect;
        if (!(flags & SWP_NOMOVE)) {
            moved = x != r.left || y != r.top;
            r = {x, y, x + r.Width(), y + r.Height()};
        }
        if (!(flags & SWP_NOSIZE)) {
            sized = std::max(0, cx) != r.Width() || std::max(0, cy) != r.Height();
            r.right = r.left + std::max(0, cx);
            r.bottom = r.top + std::max(0, cy);
        }
        w->rect = r;
        if (!(flags & SWP_NOZORDER)) {
            if (insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
            if (insertAfter == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
            HWND after = insertAfter;
            if (after == HWND_TOPMOST || after == HWND_NOTOPMOST) after = HWND_TOP;
            if (after != hwnd) {
                UnlinkLocked(d, *w);
                LinkAfterLocked(d, *w, after);
            }
        }
        if ((flags & SWP_SHOWWINDOW) && !(w->style & WS_VISIBLE)) {
            w->style |= WS_VISIBLE;
            shown = true;
        }
        if ((flags & SWP_HIDEWINDOW) && (w->style & WS_VISIBLE)) {
            w->style &= ~WS_VISIBLE;
            hidden = true;
        }
        RECT in = ClientInsets(w->style);
        client = {0, 0, std::max(0, r.Width() - in.left - in.right),
                  std::max(0, r.Height() - in.top - in.bottom)};
    }
    if (shown || hidden) SendMessage(hwnd, WM_SHOWWINDOW, shown, 0);
    if (moved) {
        POINT o;
        {
            auto l = Lock();
            WindowData* w = Desk().Find(hwnd);
            if (!w) return true;
            o = {w->rect.left, w->rect.top};
        }
        SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(o.x, o.y));
    }
    if (sized) SendMessage(hwnd, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    if (!(flags & SWP_NOREDRAW) && (moved || sized || shown)) InvalidateRect(hwnd, nullptr, true);
    return true;
}

bool MoveWindow(HWND hwnd, int x, int y, int cx, int cy, bool repaint) {
    return SetWindowPos(hwnd, HWND_TOP, x, y, cx, cy,
                        SWP_NOZORDER | (repaint ? 0u : UINT(SWP_NOREDRAW)));
}

bool BringWindowToTop(HWND hwnd) {
    return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool GetWindowRect(HWND hwnd, RECT& rect) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    if (!w) return false;
    rect = ScreenRectLocked(Desk(), *w);
    return true;
}

bool GetClientRect(HWND hwnd, RECT& rect) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    if (!w) return false;
    RECT in = ClientInsets(w->style);
    rect = {0, 0, std::max(0, w->rect.Width() - in.left - in.right),
            std::max(0, w->rect.Height() - in.top - in.bottom)};
    return true;
}

bool ClientToScreen(HWND hwnd, POINT& pt) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    if (!w) return false;
    POINT o = ClientOriginLocked(Desk(), *w);
    pt.x += o.x;
    pt.y += o.y;
    return true;
}

bool ScreenToClient(HWND hwnd, POINT& pt) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    if (!w) return false;
    POINT o = ClientOriginLocked(Desk(), *w);
    pt.x -= o.x;
    pt.y -= o.y;
    return true;
}

bool SetWindowRgn(HWND hwnd, const Region* region, bool redraw) {
    {
        auto l = Lock();
        WindowData* w = Desk().Find(hwnd);
        if (!w) return false;
        if (region)
            w->region = *region;
        else
            w->region.reset();
    }
    if (redraw) InvalidateRect(hwnd, nullptr, true);
    return true;
}

bool GetWindowRgn(HWND hwnd, Region& region) {
    auto l = Lock();
    WindowData* w = Desk().Find(hwnd);
    if (!w || !w->region) return false;
    region = *w->region;
    return true;
}

// --- The standard procedure ---------------------------------------------------------

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE:
            return 1;
        case WM_SETTEXT: {
            auto l = Lock();
            WindowData* w = Desk().Find(hwnd);
            if (!w) return 0;
            w->title = lParam ? reinterpret_cast<const char16_t*>(lParam) : u"";
            return 1;
        }
        case WM_GETTEXT: {
            auto l = Lock();
            WindowData* w = Desk().Find(hwnd);
            if (!w || wParam == 0 || !lParam) return 0;
            auto* buf = reinterpret_cast<char16_t*>(lParam);
            size_t n = std::min(w->title.size(), size_t(wParam) - 1);
            std::copy_n(w->title.data(), n, buf);
            buf[n] = u'\0';
            return LRESULT(n);
        }
        case WM_GETTEXTLENGTH: {
            auto l = Lock();
            WindowData* w = Desk().Find(hwnd);
            return w ? LRESULT(w->title.size()) : 0;
        }
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, ps);
            EndPaint(hwnd, ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_NCHITTEST:
            return 1;  // HTCLIENT
        case WM_MOUSEACTIVATE:
            return 1;  // MA_ACTIVATE
        default:
            return 0;
    }
}

}  // namespace plat
