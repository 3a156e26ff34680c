#include "monitor/Controls/PwdEditDlg.h"

#include "platform/gfx/WindowDefs.h"

using namespace plat;

CPwdEditDlg::CPwdEditDlg() { SetPasswordChar(kDot); }

LRESULT CPwdEditDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // The box cannot be turned into a plain one; a password stays hidden.
    if (message == EM_SETPASSWORDCHAR) return 0;
    // Ctrl+C and Ctrl+X would hand the password to whoever asks.
    if (message == WM_CHAR && (wParam == 3 || wParam == 0x18)) return 0;
    return CEditEn::OnMessage(message, wParam, lParam);
}
