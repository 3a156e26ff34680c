// The window framework the skinned windows are built on: CWnd with the
// pre-translation of input messages (the message's own window first, then its
// parents, as a framework message loop walks them), and CDialog, a dialog made
// from a template record with initialisation, OK and Cancel, and the system's
// moving and sizing of a window by the mouse.
#pragma once

#include <cstdint>

#include "platform/desktop/Window.h"

class CWnd : public plat::Window {
public:
    plat::HWND GetSafeHwnd() const { return m_hWnd; }
    // True: the message is handled and goes no further.
    virtual bool PreTranslateMessage(plat::MSG& msg);
    // Pre-translates along the window and its parents; true when one took it.
    static bool WalkPreTranslate(plat::MSG& msg);
    static bool IsInputMessage(plat::UINT message);

protected:
    plat::LRESULT WindowProc(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;
    // The window's own handling, after the pre-translation.
    virtual plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam);
};

// A message loop run inside a handler: its messages are pre-translated anew.
class CModalScope {
public:
    CModalScope();
    ~CModalScope();
    CModalScope(const CModalScope&) = delete;
    CModalScope& operator=(const CModalScope&) = delete;

private:
    int m_saved;
};

class CDialog : public CWnd {
public:
    explicit CDialog(int templateId) : m_templateId(templateId) {}
    int TemplateId() const { return m_templateId; }

    // Modeless, from the template, owned by `parent` (null: the desktop). The
    // window starts hidden unless the template says visible, centred on the work
    // area; WM_INITDIALOG runs OnInitDialog. False when there is no template or
    // the window could not be made.
    bool Create(plat::HWND parent);
    // Create, show, and run until EndDialog; -1 when the dialog could not be made.
    plat::INT_PTR DoModal(plat::HWND parent);
    void EndDialog(int result);

    virtual bool OnInitDialog() { return true; }
    virtual void OnOK();
    virtual void OnCancel();

    // The system's mouse-driven moving (SC_MOVE) and sizing (SC_SIZE + edge);
    // it follows the mouse until the button is released.
    bool IsTracking() const { return m_trackMode != 0; }

protected:
    bool PreTranslateMessage(plat::MSG& msg) override;
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;

private:
    void StartTracking(int mode);
    bool Track(plat::UINT message);

    int m_templateId;
    bool m_modal = false;
    int m_trackMode = 0;  // 0 none, 1 move, 2..9 size edge (SC_SIZE + 1 .. 8)
    plat::POINT m_trackStart;
    plat::RECT m_trackRect;
};

// The program's dialog templates; registered on first creation of a dialog.
void RegisterMonitorDialogTemplates();
