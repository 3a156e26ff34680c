#include "monitor/Controls/ExControl.h"

#include "monitor/Controls/ExDialog.h"

using namespace plat;

const Font& ExDefaultFont() {
    static const Font font(u"宋体", 12, FW_NORMAL);
    return font;
}

const Font& ExDefaultHotFont() {
    static const Font font(u"宋体", 12, FW_NORMAL, false, true);
    return font;
}

CExControl::CExControl() : m_font(ExDefaultFont()), m_hotFont(ExDefaultHotFont()) {}

CExControl::~CExControl() {
    if (m_owner) m_owner->ForgetControl(this);
}

void CExControl::Invalidate() const {
    if (m_owner) m_owner->InvalidateControlRect(Rect());
}

#define QN_EX_SETTER(Name, field, type)   \
    void CExControl::Name(type value) {   \
        if (field == value) return;       \
        field = value;                    \
        Invalidate();                     \
    }
QN_EX_SETTER(SetVisible, m_visible, bool)
QN_EX_SETTER(SetEnabled, m_enabled, bool)
QN_EX_SETTER(SetHover, m_hover, bool)
QN_EX_SETTER(SetPressed, m_pressed, bool)
QN_EX_SETTER(SetDown, m_down, bool)
QN_EX_SETTER(SetHighlight, m_highlight, bool)
QN_EX_SETTER(SetFocused, m_focused, bool)
QN_EX_SETTER(SetChecked, m_checked, int)
#undef QN_EX_SETTER

void CExControl::SetCaption(std::u16string_view text) {
    if (m_caption == text) return;
    m_caption = text;
    UpdateAutoWidth();
    Invalidate();
}

void CExControl::SetSegments(std::vector<ExTextSegment> segments) {
    m_segments = std::move(segments);
    Invalidate();
}

void CExControl::SetFont(int height, int weight, bool italic, bool underline,
                         std::u16string_view face) {
    m_font = Font(face, height, weight, italic, underline);
    UpdateAutoWidth();
    Invalidate();
}

void CExControl::SetHotFont(int height, int weight, bool italic, bool underline,
                            std::u16string_view face) {
    m_hotFont = Font(face, height, weight, italic, underline);
    Invalidate();
}

void CExControl::SetColours(COLORREF normal, COLORREF hot) {
    m_normalColour = normal;
    m_hotColour = hot;
    Invalidate();
}

void CExControl::UpdateAutoWidth() {
    if (m_kind != kExLinkText || !m_autoWidth) return;
    int width = MeasureText(m_caption, m_font).cx + 3;
    if (width == m_width) return;
    RECT before = Rect();
    // Centred text stays centred on its old middle.
    if (m_alignCentre) m_x = m_x + m_width / 2 - width / 2;
    m_width = width;
    if (m_owner) m_owner->InvalidateControlRect(UnionRect(before, Rect()));
}

int CExControl::ChosenFrame() const {
    int frame = m_normalFrame < m_frameCount ? m_normalFrame : 0;
    // A frame beyond the strip keeps the choice made before it.
    auto choose = [&](int candidate) {
        if (candidate >= 0 && candidate < m_frameCount) frame = candidate;
    };
    if (m_enabled && m_hover) {
        choose(m_hoverFrame);
        if (m_pressed) choose(m_pressedFrame);
    }
    if (m_enabled && m_down)
        choose(m_pressedFrame);
    else if (m_enabled && m_highlight)
        choose(m_hoverFrame);
    if (!m_enabled) choose(m_disabledFrame);
    return frame;
}

COLORREF CExControl::CaptionColour() const {
    if (!m_enabled) return kExDisabledTextColour;
    return IsHot() ? m_hotColour : m_normalColour;
}

void CExControl::DrawFrame(Canvas& dc, int frame, const RECT& into) {
    if (!m_image || m_frameWidth <= 0 || m_frameHeight <= 0) return;
    int sx = m_stripX + m_frameWidth * frame + m_extraX;
    dc.StretchBlt(into, m_image->Image(), {sx, m_stripY, sx + m_frameWidth, m_stripY + m_frameHeight});
}

void CExControl::Draw(Canvas& dc) {
    if (!m_visible) return;
    switch (m_kind) {
        case kExCheckBox:
        case kExOptionBox:
            DrawCheck(dc);
            break;
        case kExLinkText:
            DrawLink(dc);
            break;
        case kExStaticText:
            DrawStatic(dc);
            break;
        case kExImage:
            DrawImage(dc);
            break;
        default:
            DrawButton(dc);
            break;
    }
}

void CExControl::DrawButton(Canvas& dc) {
    RECT r = Rect();
    DrawFrame(dc, ChosenFrame(), r);
    if (m_focused && m_drawsFocusRect) dc.DrawFocusRect(InflatedRect(r, -2, -2), RGB(80, 96, 120));
    if (m_hoverBorder && m_hover) dc.FrameRect(r, kExHoverBorderColour);
    if (m_caption.empty()) return;
    const uint32_t flags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS;
    RECT box{r.left, r.top, r.right, r.top + m_height};
    int top = m_fixedTextY != kExUnsetPosition ? m_fixedTextY : m_textOffsetY;
    OffsetRect(box, 0, top);
    if (m_fixedTextX != kExUnsetPosition) {
        box.left = r.left + m_fixedTextX;
        dc.DrawText(m_caption, box, flags | DT_LEFT, m_font, CaptionColour());
        return;
    }
    int textWidth = MeasureText(m_caption, m_font).cx;
    // The mnemonic mark takes no room but its underline wants a little.
    if (m_caption.find(u'&') != std::u16string::npos) textWidth += 3;
    if (m_textOffsetX == 0) {
        box.left = r.left + (m_width - textWidth) / 2;
        box.right = std::max(box.left, std::min(r.right, box.left + textWidth));
        if (textWidth > m_width) box = {r.left, box.top, r.right, box.bottom};
    } else {
        box.left = r.left + m_width / 2 + m_textOffsetX;
    }
    dc.DrawText(m_caption, box, flags | DT_LEFT, m_font, CaptionColour());
}

void CExControl::DrawCheck(Canvas& dc) {
    int frame = ChosenFrame();
    if (m_checked == 1 && frame + 4 < m_frameCount) frame += 4;
    int fw = m_frameWidth > 0 ? m_frameWidth : m_height, fh = m_frameHeight > 0 ? m_frameHeight : m_height;
    RECT box{m_x, m_y + (m_height - fh) / 2, m_x + fw, m_y + (m_height - fh) / 2 + fh};
    DrawFrame(dc, frame, box);
    if (m_focused && m_drawsFocusRect) dc.DrawFocusRect(Rect(), RGB(80, 96, 120));
    if (m_caption.empty()) return;
    RECT text{box.right + 4, m_y, m_x + m_width, m_y + m_height};
    dc.DrawText(m_caption, text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS, m_font,
                CaptionColour());
}

void CExControl::DrawLink(Canvas& dc) {
    COLORREF colour = m_normalColour == kExLinkMarkerColour ? kExLinkColour
                      : m_enabled                          ? m_normalColour
                                                           : kExDisabledTextColour;
    const Font& font = (m_enabled && m_hover) ? m_hotFont : m_font;
    UpdateAutoWidth();
    uint32_t align = m_alignRight ? DT_RIGHT : m_alignCentre ? DT_CENTER : DT_LEFT;
    dc.DrawText(m_caption, Rect(), DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | align, font,
                colour);
}

void CExControl::DrawStatic(Canvas& dc) {
    RECT r = Rect();
    if (!m_segments.empty()) {
        dc.SaveDC();
        dc.IntersectClipRect(r);
        int x = r.left;
        for (const auto& s : m_segments) {
            const Font& font = s.hotFont ? m_hotFont : m_font;
            int w = MeasureText(s.text, font).cx;
            dc.DrawText(s.text, {x, r.top, x + w + 1, r.bottom},
                        DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX, font, s.colour);
            x += w;
            if (x >= r.right) break;
        }
        dc.RestoreDC();
        return;
    }
    uint32_t align = m_alignRight ? DT_RIGHT : m_alignCentre ? DT_CENTER : DT_LEFT;
    dc.DrawText(m_caption, r, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | align,
                m_font, m_enabled ? m_normalColour : kExDisabledTextColour);
}

void CExControl::DrawImage(Canvas& dc) {
    if (m_image) {
        DrawFrame(dc, 0, Rect());
    } else if (!m_bitmap.IsNull()) {
        dc.StretchBlt(Rect(), m_bitmap, {0, 0, m_bitmap.Width(), m_bitmap.Height()});
    }
}
