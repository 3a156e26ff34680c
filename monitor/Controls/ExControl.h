// A windowless control of a skinned frame: a button, check or option box, link,
// static text or image that the frame draws and hit-tests itself.
#pragma once

#include <string>
#include <vector>

#include "monitor/Common/SkinPackImage.h"
#include "platform/gfx/Gdi.h"

class CExDialog;

enum ExControlKind : int {
    kExStaticText = 0,
    kExPushButton = 1,
    kExPressButton = 2,
    kExCheckBox = 3,
    kExOptionBox = 4,
    kExLinkText = 5,
    kExImage = 6,
};

// Fixed caption positions are unset while they hold this.
constexpr int kExUnsetPosition = -920;
constexpr plat::COLORREF kExDefaultTextColour = 0x352F2A;
constexpr plat::COLORREF kExDisabledTextColour = 0x818181;
constexpr plat::COLORREF kExLinkMarkerColour = 0x292A2E;
constexpr plat::COLORREF kExLinkColour = 0xEB7016;
constexpr plat::COLORREF kExHoverBorderColour = plat::RGB(79, 106, 160);

// The two process-wide fonts: "宋体" height 12, the hot one underlined.
const plat::Font& ExDefaultFont();
const plat::Font& ExDefaultHotFont();

// One run of a static text drawn in segments.
struct ExTextSegment {
    std::u16string text;
    bool hotFont = false;
    plat::COLORREF colour = kExDefaultTextColour;
};

class CExControl {
public:
    CExControl();
    virtual ~CExControl();
    CExControl(const CExControl&) = delete;
    CExControl& operator=(const CExControl&) = delete;

    int m_kind = kExStaticText;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_hover = false;
    bool m_pressed = false;
    int m_x = 0, m_y = 0, m_width = 0, m_height = 0;
    PackImage m_image;
    plat::Bitmap m_bitmap;  // an image control may show a bitmap instead of a strip
    int m_frameWidth = 0, m_frameHeight = 0;
    int m_stripX = 0, m_stripY = 0;
    int m_frameCount = 4;
    int m_extraX = 0;
    int m_normalFrame = 0, m_hoverFrame = 1, m_pressedFrame = 2, m_disabledFrame = 3;
    bool m_down = false;
    bool m_highlight = false;
    int m_textOffsetX = 0, m_textOffsetY = 0;
    int m_fixedTextX = kExUnsetPosition, m_fixedTextY = kExUnsetPosition;
    std::u16string m_caption;
    std::vector<ExTextSegment> m_segments;  // a static text drawn in runs, when not empty
    plat::COLORREF m_normalColour = kExDefaultTextColour, m_hotColour = kExDefaultTextColour;
    bool m_alignRight = false, m_alignCentre = false;
    plat::Font m_font, m_hotFont;
    bool m_focused = false;
    bool m_drawsFocusRect = false;
    int m_checked = 0;
    std::u16string m_tooltip;
    int m_id = 0;
    CExDialog* m_owner = nullptr;
    bool m_hoverBorder = false;
    bool m_autoWidth = true;
    bool m_clearsDown = true;

    plat::RECT Rect() const { return {m_x, m_y, m_x + m_width, m_y + m_height}; }
    // Right and bottom edges included, as the frame's hit test counts them.
    bool Contains(int x, int y) const {
        return x >= m_x && x <= m_x + m_width && y >= m_y && y <= m_y + m_height;
    }
    bool IsHittable() const {
        return m_visible && m_enabled && m_kind != kExStaticText && m_kind != kExImage;
    }
    // Hot while hovered, pressed, open or highlighted.
    bool IsHot() const { return m_hover || m_pressed || m_down || m_highlight; }

    // Each repaints the control only when the value changes.
    void SetVisible(bool on);
    void SetEnabled(bool on);
    void SetHover(bool on);
    void SetPressed(bool on);
    void SetDown(bool on);
    void SetHighlight(bool on);
    void SetFocused(bool on);
    void SetChecked(int checked);

    void SetCaption(std::u16string_view text);
    void SetSegments(std::vector<ExTextSegment> segments);
    void SetTooltip(std::u16string_view text) { m_tooltip = text; }
    void SetFont(int height, int weight, bool italic, bool underline, std::u16string_view face);
    void SetHotFont(int height, int weight, bool italic, bool underline, std::u16string_view face);
    void SetColours(plat::COLORREF normal, plat::COLORREF hot);

    // Asks the owner to repaint the control's rectangle.
    void Invalidate() const;
    void Draw(plat::Canvas& dc);
    // The strip frame a button shows in its present state.
    int ChosenFrame() const;
    // A link with auto width follows its caption's width.
    void UpdateAutoWidth();

private:
    void DrawButton(plat::Canvas& dc);
    void DrawCheck(plat::Canvas& dc);
    void DrawLink(plat::Canvas& dc);
    void DrawStatic(plat::Canvas& dc);
    void DrawImage(plat::Canvas& dc);
    void DrawFrame(plat::Canvas& dc, int frame, const plat::RECT& into);
    plat::COLORREF CaptionColour() const;
};
