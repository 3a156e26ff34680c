// A notification tip that slides up at the bottom-right of the work area,
// stacks above the tips already shown, and closes itself after 7 seconds (or
// by its close button or Escape). It deletes itself when it closes and clears
// the owner's slot it occupied.
#pragma once

#include <string>
#include <vector>

#include "monitor/Controls/ExDialog.h"

class CBubbleTipDlg : public CExDialog {
public:
    static constexpr int kTemplateId = 130;
    static constexpr int kWidth = 220, kHeight = 130;

    // `slotRef`, when given, is the owner's slot; it is cleared on closing.
    CBubbleTipDlg(plat::HWND owner, int slot, CBubbleTipDlg** slotRef = nullptr);

    void SetTitle(std::u16string_view title) { m_title = title; }
    void SetText(std::u16string_view text) { m_text = text; }
    // Makes the window; it appears by itself half a second later. Once made,
    // the tip deletes itself with its window.
    bool Create() { return CDialog::Create(m_owner); }
    void Close();

    int Slot() const { return m_slot; }
    int PositionIndex() const { return m_position; }
    const std::vector<std::u16string>& Lines() const { return m_lines; }

    // The process-wide positions: each entry taken (its own index) or free (-1).
    static const std::vector<int>& Positions();

protected:
    bool OnInitDialog() override;
    void OnControlNotify(int id) override;
    void PaintBackground(plat::Canvas& dc) override;
    bool PreTranslateMessage(plat::MSG& msg) override;
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;

private:
    void Appear();

    plat::HWND m_owner;
    int m_slot;
    CBubbleTipDlg** m_slotRef;
    std::u16string m_title, m_text;
    std::vector<std::u16string> m_lines;
    int m_position = -1;
    PackImage m_background, m_closeImage;
    CExControl m_close, m_titleText;
};
