// The password box: an edit box that shows one dot per character, and whose
// text never leaves it by the keyboard (no copying out).
#pragma once

#include "monitor/Controls/EditEn.h"

class CPwdEditDlg : public CEditEn {
public:
    static constexpr char16_t kDot = u'\u25CF';
    CPwdEditDlg();

protected:
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;
};
