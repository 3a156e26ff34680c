// The skinned dialog frame every window of the monitor is built on. It paints
// itself completely, off-screen first, and draws its buttons, check boxes,
// links, texts and images as windowless controls; it owns their hit testing,
// hover, pressed and focus states, the keyboard navigation with mnemonics, the
// tooltip, the window region and the moving and sizing of a borderless window.
// Real child windows on top talk to it with the private messages of
// ExMessages.h.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "monitor/Controls/ExControl.h"
#include "monitor/Controls/ExMessages.h"
#include "monitor/Controls/SkinToolTip.h"
#include "monitor/Controls/Wnd.h"

class CMsgBoxDlg;

class CExDialog : public CDialog {
public:
    explicit CExDialog(int templateId);
    ~CExDialog() override;

    // --- Set-up of the controls -----------------------------------------------------------
    // Registers a control (owned by the caller, usually a member) under its id; a
    // control the frame made under that id before is destroyed, one of the caller
    // is let go.
    void AddControl(CExControl& control, int id, int kind);
    // A control the frame owns.
    CExControl& AddControl(int id, int kind);
    CExControl* GetControl(int id) const;
    // flags: 1 keeps the size, 2 keeps the position.
    void SetBounds(CExControl& c, int x, int y, int width, int height, int flags = 0);
    // side: 0 right of the anchor, 1 below it, 2 left of it, 3 above it.
    void PlaceNextTo(CExControl& c, const CExControl& anchor, int side, int dx, int dy, int width,
                     int height);
    // A frame size of 0 divides the image evenly into `frameCount` frames.
    void SetImageStrip(CExControl& c, PackImage image, int frameWidth = 0, int frameHeight = 0,
                       int frameCount = 4, int originX = 0, int originY = 0);
    void AddMnemonic(plat::UINT key, CExControl& c) { m_mnemonics[key] = &c; }
    void AddPopupId(int id) { m_popupIds.insert(id); }
    void AddFocusOnClick(int id) { m_focusOnClick.insert(id); }
    void AddTabStop(CExControl& c) { m_tabOrder.push_back({1, &c, nullptr}); }
    void AddTabStop(plat::HWND child) { m_tabOrder.push_back({0, nullptr, child}); }
    void ClearTabOrder() { m_tabOrder.clear(); }

    void SetBackgroundColour(plat::COLORREF c) { m_backgroundColour = c; }
    void SetBackgroundBitmap(plat::Bitmap b) { m_backgroundBitmap = std::move(b); }
    const plat::Bitmap& BackgroundBitmap() const { return m_backgroundBitmap; }
    void SetNoResizing(bool on) { m_noResizing = on; }
    // Timer 51 runs while the mode is on.
    void SetMenuBarMode(bool on);

    // Whole window: a rounded rectangle; else only the top corners are rounded.
    void SetRoundRegion(int cornerSize, bool wholeWindow);
    // A missing file is told in a message box, and no bitmap is set.
    void SetBackgroundImage(std::u16string_view file);
    // A flat border around a child window: the widened rectangle in `outer`,
    // inside it, one pixel in, `inner`.
    void DrawChildBorder(plat::Canvas& dc, plat::HWND child, plat::COLORREF outer, int dx, int dy,
                         int dw, int dh, plat::COLORREF inner);

    // --- Virtual operations ---------------------------------------------------------------
    virtual void OnControlNotify(int id) { (void)id; }
    virtual void PaintBackground(plat::Canvas& dc);
    virtual void ReloadImages() {}
    virtual void OnChildTextChanged(plat::HWND child) { (void)child; }
    virtual void OnChildSelectionChanged(plat::HWND child) { (void)child; }
    virtual void OnChildValueChanged(plat::HWND child) { (void)child; }
    virtual void OnEnterOrEscape(bool escape) { (void)escape; }

    // --- The dispatch --------------------------------------------------------------------------
    // Mouse and key messages of the frame and of its children; 1 when handled.
    int DispatchControlMessage(const plat::MSG& msg);
    // Moves the keyboard focus along the tab order, from the focused control or
    // else the window that has the focus (`from` when given).
    bool MoveFocus(bool forward, plat::HWND from = nullptr);
    CExControl* HitTest(int x, int y) const;
    // Focus to the focus button (or the frame) when timer 53 runs.
    void FocusFrameSoon();

    // --- State, for the windows built on it and for tests ------------------------------------
    bool IsCapturing() const { return m_capturing; }
    CExControl* PressedControl() const { return m_pressedControl; }
    CExControl* FocusedControl() const;
    bool IsMenuArmed() const { return m_menuArmed; }
    int ArmedId() const { return m_armedId; }
    const std::u16string& CurrentTooltipText() const { return m_tooltipText; }
    CSkinToolTip* ToolTip() const { return m_tooltip.get(); }
    plat::HWND FocusButton() const;
    bool HiddenByMessage() const { return m_hiddenByMessage; }

    static bool ClickElsewhere();
    static void SetClickElsewhere(bool on);

    // Repaints a control's rectangle (edges included).
    void InvalidateControlRect(const plat::RECT& r);
    // A control going away tells the frame.
    void ForgetControl(CExControl* c);

    static constexpr int kFocusButtonId = 9999;

protected:
    bool OnInitDialog() override;
    void OnOK() override {}
    bool PreTranslateMessage(plat::MSG& msg) override;
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;
    // Draws the controls in id order onto an off-screen picture of the client.
    void PaintFrame(plat::Canvas& dc);

private:
    struct TabEntry {
        int kind;  // 1 windowless control, else a child window
        CExControl* control;
        plat::HWND child;
    };

    int DispatchMouse(const plat::MSG& msg);
    int DispatchKey(const plat::MSG& msg);
    void ClearStates(bool hover, bool pressed, bool focused, const CExControl* except);
    void ClearOtherDownStates(const CExControl* except);
    void PostNotify(int id);
    void ArmPopup(CExControl& c);
    void FocusControl(CExControl& c);
    void OnTimer(uintptr_t id);
    int NcHitTest(plat::LPARAM lParam);
    void OnPaint();
    void ReleaseFrame();

    plat::COLORREF m_backgroundColour = 0xFFFFFF;
    plat::Bitmap m_backgroundBitmap;
    bool m_reloadImages = false;
    bool m_noResizing = false;
    std::map<int, CExControl*> m_controls;
    std::vector<std::unique_ptr<CExControl>> m_owned;
    std::map<plat::UINT, CExControl*> m_mnemonics;
    std::set<int> m_popupIds;
    std::vector<TabEntry> m_tabOrder;
    std::set<int> m_focusOnClick;
    bool m_capturing = false;
    CExControl* m_pressedControl = nullptr;
    std::unique_ptr<CSkinToolTip> m_tooltip;
    std::u16string m_tooltipText;
    bool m_hiddenByMessage = false;
    bool m_menuBarMode = false;
    bool m_menuArmed = false;
    int m_armedId = -1;
    std::unique_ptr<CWnd> m_focusButton;
    bool m_dispatchedInPreTranslate = false;
    std::unique_ptr<CMsgBoxDlg> m_imageErrorBox;
};
