// The skinned static text: a caption in a colour and font, aligned left,
// centred or right, on one line with an ellipsis or wrapped over several; by
// default drawn over what its parent painted behind it, so that it sits on
// skinned backgrounds without a box of its own.
#pragma once

#include <string>
#include <vector>

#include "monitor/Controls/SkinChild.h"

class CExStatic : public CSkinChild {
public:
    enum Align { kLeft, kCentre, kRight };

    bool Create(plat::HWND parent, int id, int x, int y, int width, int height,
                std::u16string_view text = u"");
    void SetText(std::u16string_view text);
    std::u16string GetText() const;
    void SetTextColour(plat::COLORREF c);
    plat::COLORREF TextColour() const { return m_textColour; }
    void SetAlign(Align a);
    void SetMultiLine(bool on);
    // Off: the background colour fills the box instead of the parent's pixels.
    void SetTransparent(bool on);
    // The caption as drawn: the lines a multi-line text wraps into.
    std::vector<std::u16string> Lines() const;

protected:
    const char16_t* ClassName() const override { return u"Static"; }
    void Paint(plat::Canvas& dc, const plat::RECT& client) override;
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;

private:
    plat::COLORREF m_textColour = kWidgetTextColour;
    Align m_align = kLeft;
    bool m_multiLine = false;
    bool m_transparent = true;
};
