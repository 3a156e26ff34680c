// The skinned message box: a modeless question or notice that posts its answer
// to its owner (WM_AB_MSGBOXRESULT, the answer in wParam and the box's window
// in lParam) instead of returning it. The owner destroys it after an answer.
#pragma once

#include <string>
#include <vector>

#include "monitor/Controls/ExDialog.h"

class CMsgBoxDlg : public CExDialog {
public:
    static constexpr int kTemplateId = 134;

    // layout: 0 OK; 1 OK, Cancel; 3 Yes, No, Cancel; 4 Yes, No.
    CMsgBoxDlg(plat::HWND owner, std::u16string_view text, std::u16string_view caption, int layout,
               bool affirmativeDefault);

    // Before Create: the icon of the strip (0 to 4) and the size class (0 plain,
    // 1 to 3 with an icon).
    void SetIconIndex(int index) { m_iconIndex = index; }
    void SetSizeClass(int sizeClass) { m_sizeClass = sizeClass; }

    bool Create(plat::HWND parent) { return CDialog::Create(parent ? parent : m_owner); }

    int Layout() const { return m_layout; }
    int SizeClass() const { return m_sizeClass; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const std::vector<std::u16string>& Lines() const { return m_lines; }
    const std::u16string& Title() const { return m_title; }

    // The strip of 36 x 36 icons beside the text, loaded once per process.
    static const plat::Bitmap& IconStrip();
    static const plat::Font& TextFont();

protected:
    bool OnInitDialog() override;
    void OnOK() override { Activate(1); }
    void OnControlNotify(int id) override { Activate(id); }
    void PaintBackground(plat::Canvas& dc) override;
    bool PreTranslateMessage(plat::MSG& msg) override;

private:
    void PlaceControls(int clientWidth, int clientHeight);
    void Activate(int id);
    void Answer(int answer, bool hide);

    plat::HWND m_owner;
    std::u16string m_text, m_caption, m_title;
    int m_layout;
    bool m_affirmativeDefault;
    int m_iconIndex = 0;
    int m_sizeClass = 0;
    int m_width = 250, m_height = 130;
    std::vector<std::u16string> m_lines;
    PackImage m_background, m_buttonImage, m_closeImage;
    CExControl m_yes, m_no, m_cancel, m_close, m_titleText;
};
