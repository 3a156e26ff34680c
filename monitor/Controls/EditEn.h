// The skinned single-line edit box: typing, caret and selection by keys and
// mouse, a length limit, read-only and password display. User edits are told
// to the parent as EN_CHANGE and as a text change of the frame (0xC25);
// text set by the program is not, so that a window can fill its own boxes
// without hearing back. Enter and Escape go to the frame as 0xC27.
#pragma once

#include <string>

#include "monitor/Controls/SkinChild.h"

class CEditEn : public CSkinChild {
public:
    CEditEn();

    std::u16string GetText() const;
    void SetText(std::u16string_view text);
    void SetLimitText(int limit);  // 0: the system's largest
    int GetLimitText() const { return m_limit; }
    void SetReadOnly(bool on);
    bool IsReadOnly() const { return m_readOnly; }
    void SetPasswordChar(char16_t c);
    char16_t PasswordChar() const { return m_passwordChar; }
    void SetTextColour(plat::COLORREF c);
    // A frame that draws a border of its own around the box turns this off.
    void SetDrawBorder(bool on);
    // Off inside a control that takes Tab, Enter and Escape itself (the combo box).
    void SetReportsKeys(bool on) { m_reportsKeys = on; }

    void SetSel(int start, int end);  // the caret goes to `end`
    int SelStart() const { return std::min(m_anchor, m_caret); }
    int SelEnd() const { return std::max(m_anchor, m_caret); }
    int Caret() const { return m_caret; }
    // The last user edit removed text with Backspace or Delete.
    bool LastEditWasDeletion() const { return m_lastWasDeletion; }
    // Types text as the user would: replaces the selection, keeps the limit.
    bool InsertText(std::u16string_view text);

protected:
    const char16_t* ClassName() const override { return u"Edit"; }
    bool ReportsEnterEscape() const override { return m_reportsKeys; }
    bool PreTranslateMessage(plat::MSG& msg) override;
    void OnTakeFocus(bool backward) override;
    void Paint(plat::Canvas& dc, const plat::RECT& client) override;
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;
    // After every change the user made.
    virtual void OnUserChange();
    std::u16string DisplayText() const;

private:
    bool OnKeyDown(plat::UINT key);
    void MoveCaret(int to, bool extend);
    void ReplaceSelection(std::u16string_view with, bool deletion);
    int IndexAt(int x) const;
    int TextX(int index) const;
    void KeepCaretVisible();
    plat::RECT TextRect() const;

    int m_limit = 0x7FFE;
    bool m_readOnly = false;
    char16_t m_passwordChar = 0;
    plat::COLORREF m_textColour = kWidgetTextColour;
    bool m_drawBorder = true;
    int m_anchor = 0, m_caret = 0;
    int m_scrollX = 0;
    bool m_dragging = false;
    bool m_lastWasDeletion = false;
    bool m_reportsKeys = true;
};
