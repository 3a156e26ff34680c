#include "monitor/RecipientWriter.h"

#include "monitor/Common/Log.h"
#include "platform/Text.h"

using namespace plat;

namespace {

std::u16string DisplayForm(const Recipient& r, int kind) {
    if (r.name.empty()) return r.email;
    if (kind == 2) return u"\"" + r.name + u"\"<" + r.email + u">";
    return r.name + u"<" + r.email + u">";
}

void Send(HWND field, UINT message, WPARAM w, const std::u16string& text) {
    SendMessage(field, message, w, reinterpret_cast<LPARAM>(text.c_str()));
}

void CaretToEnd(HWND field) { SendMessage(field, EM_SETSEL, WPARAM(intptr_t(-1)), -1); }

// Old and new recipients end up separated by exactly one ";", whatever the
// program: text glued to an address that has no ";" would make one bad address.
bool NeedsSeparator(HWND field) {
    std::u16string current = GetWindowText(field);
    return !current.empty() && current.back() != u';';
}

void Append(HWND field, const std::u16string& text) {
    bool separate = NeedsSeparator(field);
    CaretToEnd(field);
    Send(field, EM_REPLACESEL, 0, separate ? u";" + text : text);
}

void ReplaceAll(HWND field, const std::u16string& text) {
    SendMessage(field, EM_SETSEL, 0, -1);
    Send(field, EM_REPLACESEL, 0, text);
}

// A field found by its class. Its caption is its text, so a field that
// already holds recipients must be found as well as an empty one.
HWND Field(HWND parent, HWND after, const char16_t* cls) {
    return parent ? FindWindowEx(parent, after, cls, nullptr) : nullptr;
}

HWND Next(HWND h) { return h ? GetWindow(h, GW_HWNDNEXT) : nullptr; }
HWND Prev(HWND h) { return h ? GetWindow(h, GW_HWNDPREV) : nullptr; }

struct Texts {
    std::u16string toShow, ccShow, bccShow, toAddr, ccAddr, bccAddr;
};

void WriteFoxmail0(HWND anchor, const Texts& t) {
    HWND p = GetParent(anchor);
    HWND f1 = Field(p, nullptr, u"TZRichEdit");
    if (!f1) return;
    if (!t.bccShow.empty() && IsWindowVisible(f1)) Append(f1, t.bccShow);
    HWND f2 = Field(p, f1, u"TZRichEdit");
    if (!f2) return;
    if (!t.ccShow.empty()) Append(f2, t.ccShow);
    HWND f3 = Field(p, f2, u"TZRichEdit");
    if (!f3) return;
    if (!t.toShow.empty()) Append(f3, t.toShow);
}

void WriteFoxmail1(HWND anchor, const Texts& t) {
    HWND f1 = Field(GetParent(anchor), nullptr, u"TZRichEdit");
    if (!f1) return;
    HWND last = GetWindow(f1, GW_HWNDLAST);
    if (!last) return;
    if (!t.toAddr.empty()) Append(last, t.toAddr);
    HWND l2 = Prev(last);
    if (!l2) return;
    if (!t.ccAddr.empty()) Append(l2, t.ccAddr);
    HWND l3 = Prev(l2);
    if (!l3) return;
    if (l3 != f1 && !t.bccAddr.empty() && IsWindowVisible(l3)) Append(l3, t.bccAddr);
}

// Foxmail 7's Unicode fields take each recipient as an insertion of its own.
void WriteFoxmail7Field(HWND field, bool unicode, const std::vector<Recipient>& list,
                        const std::u16string& addresses) {
    bool separate = NeedsSeparator(field);
    CaretToEnd(field);
    if (!unicode) {
        Send(field, EM_REPLACESEL, 0, separate ? u";" + addresses : addresses);
        return;
    }
    if (separate) Send(field, EM_REPLACESEL, 0, u";");
    for (const Recipient& r : list) {
        Send(field, EM_REPLACESEL, 0, DisplayForm(r, 2));
        Send(field, EM_REPLACESEL, 0, u";");
        CaretToEnd(field);
    }
}

void WriteFoxmail7(HWND anchor, const RecipientLists& lists, const Texts& t) {
    bool unicode = true;
    HWND f1 = Field(anchor, nullptr, u"TFMZRichEdit.UnicodeClass");
    if (!f1) {
        unicode = false;
        f1 = Field(anchor, nullptr, u"TFMZRichEdit");
    }
    if (!f1) return;
    if (!lists.bcc.empty() && IsWindowVisible(f1))
        WriteFoxmail7Field(f1, unicode, lists.bcc, t.bccAddr);
    HWND f2 = Next(f1);
    if (!f2) return;
    if (!lists.cc.empty()) WriteFoxmail7Field(f2, unicode, lists.cc, t.ccAddr);
    HWND f3 = Next(f2);
    if (!f3) return;
    if (!lists.to.empty()) WriteFoxmail7Field(f3, unicode, lists.to, t.toAddr);
}

void WriteFlashMail(HWND anchor, const Texts& t) {
    if (!anchor) return;
    if (HWND n = FindWindowEx(anchor, nullptr, u"NxAttachView", u"NxAttachView")) {
        HWND to = Next(n);
        if (to && !t.toShow.empty()) Append(to, t.toShow);
    }
    HWND m = FindWindowEx(anchor, nullptr, u"NeMenuBarClass", u"");
    HWND bcc = Prev(m);
    if (!bcc) return;
    if (!t.bccShow.empty() && IsWindowVisible(bcc)) Append(bcc, t.bccShow);
    HWND cc = Prev(bcc);
    if (!cc) return;
    if (!t.ccShow.empty() && IsWindowVisible(cc)) Append(cc, t.ccShow);
}

void WriteOutlookExpress(HWND anchor, const Texts& t) {
    HWND e1 = Field(anchor, nullptr, u"RichEdit20W");
    if (!e1) return;
    int id = GetDlgCtrlID(e1);
    if (id == 1026) {
        if (!t.bccShow.empty() && IsWindowVisible(e1)) Append(e1, t.bccShow);
        HWND e2 = Field(anchor, e1, u"RichEdit20W");
        if (!e2) return;
        if (!t.toShow.empty()) Append(e2, t.toShow);
        HWND cc = Next(e2);
        if (!cc) return;
        if (!t.ccShow.empty()) Append(cc, t.ccShow);
    } else if (id == 1001) {
        if (!t.toShow.empty()) Append(e1, t.toShow);
        HWND cc = Next(e1);
        if (!cc) return;
        if (!t.ccShow.empty()) Append(cc, t.ccShow);
        HWND bcc = Next(cc);
        if (!bcc) return;
        if (!t.bccShow.empty()) Append(bcc, t.bccShow);
    }
}

using Captions = std::initializer_list<const char16_t*>;

// The window directly after the first "Static" caption found; `found` tells
// whether a caption was there at all.
HWND FieldAfterCaption(HWND dialog, Captions captions, bool& found) {
    found = false;
    for (const char16_t* c : captions)
        if (HWND s = FindWindowEx(dialog, nullptr, u"Static", c)) {
            found = true;
            return Next(s);
        }
    return nullptr;
}

// A hidden Bcc row of Outlook 2007 and later is opened by clicking its ribbon
// command; the clicks are posted and land after the field was already filled.
void ClickBccOnRibbon(HWND anchor, int kind) {
    HWND root = GetAncestor(anchor, GA_ROOT);
    HWND w = root ? FindWindowEx(root, nullptr, u"MsoCommandBarDock", u"MsoDockTop") : nullptr;
    while (w && !EqualsNoCase(GetClassName(w), u"NetUIHWND")) w = GetWindow(w, GW_CHILD);
    if (!w) return;
    static const char16_t* kNames[] = {u"OUTLOOK2007 \r\n", u"OUTLOOK2010 \r\n",
                                       u"OUTLOOK2013 \r\n", u"OUTLOOK2016 \r\n"};
    WRITE_LOG(kNames[kind - 6]);
    struct Click {
        UINT message;
        int x, y;
    };
    static const Click k2007[] = {
        {WM_LBUTTONDOWN, 189, 45}, {WM_LBUTTONDOWN, 78, 105}, {WM_LBUTTONUP, 78, 105}};
    static const Click kLater[] = {
        {WM_LBUTTONDOWN, 191, 46}, {WM_LBUTTONDOWN, 188, 103}, {WM_LBUTTONUP, 188, 103}};
    for (const Click& c : kind == 6 ? k2007 : kLater)
        PostMessage(w, c.message, c.message == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                    MAKELPARAM(c.x, c.y));
    SendMessage(w, WM_CAPTURECHANGED, 0, 0);
}

void WriteEnvelope(HWND anchor, int kind, const Texts& t) {
    HWND d = anchor ? GetParent(anchor) : nullptr;
    if (!d) return;
    bool found;
    HWND to = FieldAfterCaption(d, {u"必需", u"收件人", u"收件者", u"To"}, found);
    if (found && !t.toShow.empty()) {
        if (!to) return;
        Append(to, t.toShow);
    }
    HWND cc = FieldAfterCaption(d, {u"可选", u"抄送", u"副本", u"Cc"}, found);
    if (found && !t.ccShow.empty()) {
        if (!cc) return;
        Append(cc, t.ccShow);
    }
    HWND bcc = FieldAfterCaption(d, {u"密件抄送", u"密件副本", u"Bcc"}, found);
    if (!found || !bcc || t.bccShow.empty()) return;
    if (IsWindowVisible(bcc)) {
        Append(bcc, t.bccShow);
        return;
    }
    if (kind >= 6) ClickBccOnRibbon(anchor, kind);
    ReplaceAll(bcc, t.bccShow);
}

}  // namespace

std::u16string DisplayText(const std::vector<Recipient>& list, int kind) {
    std::u16string text;
    for (const Recipient& r : list) text += DisplayForm(r, kind) + u";";
    return text;
}

std::u16string AddressText(const std::vector<Recipient>& list) {
    std::u16string text;
    for (const Recipient& r : list) text += r.email + u";";
    return text;
}

void WriteRecipients(HWND anchor, int kind, const RecipientLists& lists) {
    if (kind < 0 || kind > 9) return;
    Texts t{DisplayText(lists.to, kind), DisplayText(lists.cc, kind), DisplayText(lists.bcc, kind),
            AddressText(lists.to),       AddressText(lists.cc),       AddressText(lists.bcc)};
    switch (kind) {
        case 0:
            WriteFoxmail0(anchor, t);
            break;
        case 1:
            WriteFoxmail1(anchor, t);
            break;
        case 2:
            WriteFoxmail7(anchor, lists, t);
            break;
        case 3:
            WriteFlashMail(anchor, t);
            break;
        case 4:
            WriteOutlookExpress(anchor, t);
            break;
        default:
            WriteEnvelope(anchor, kind, t);
            break;
    }
}
