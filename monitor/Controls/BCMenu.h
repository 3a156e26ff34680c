// Owner-drawn popup menus: items with text, check marks and greyed states,
// separators. TrackPopupMenu runs the menu in a loop of its own, as the system
// does, until an item is picked or the menu is cancelled (Escape, a click
// elsewhere). Whoever plays the user drives an open menu with keys and clicks on
// its window, or with PickItem and Cancel.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/desktop/Window.h"

enum : plat::UINT {
    MF_STRING = 0x0000,
    MF_ENABLED = 0x0000,
    MF_UNCHECKED = 0x0000,
    MF_BYCOMMAND = 0x0000,
    MF_GRAYED = 0x0001,
    MF_DISABLED = 0x0002,
    MF_CHECKED = 0x0008,
    MF_BYPOSITION = 0x0400,
    MF_SEPARATOR = 0x0800,
};
enum : plat::UINT {
    TPM_LEFTALIGN = 0x0000,
    TPM_RIGHTALIGN = 0x0008,
    TPM_BOTTOMALIGN = 0x0020,
    TPM_NONOTIFY = 0x0080,
    TPM_RETURNCMD = 0x0100,
};

class CMenuWindow;

class BCMenu {
public:
    BCMenu();
    ~BCMenu();
    BCMenu(const BCMenu&) = delete;
    BCMenu& operator=(const BCMenu&) = delete;

    struct Item {
        plat::UINT id = 0;
        std::u16string text;
        plat::UINT flags = 0;  // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR
        bool IsSeparator() const { return flags & MF_SEPARATOR; }
        bool IsEnabled() const { return !(flags & (MF_GRAYED | MF_DISABLED)) && !IsSeparator(); }
    };

    void AppendMenu(plat::UINT flags, plat::UINT id = 0, std::u16string_view text = u"");
    // Before the item at `position` (MF_BYPOSITION) or before the item `id`.
    bool InsertMenu(plat::UINT position, plat::UINT flags, plat::UINT id, std::u16string_view text);
    // Returns the previous state (MF_CHECKED / MF_GRAYED), or -1 without such an item.
    int CheckMenuItem(plat::UINT id, plat::UINT check);
    int EnableMenuItem(plat::UINT id, plat::UINT enable);
    int GetMenuItemCount() const { return int(m_items.size()); }
    const std::vector<Item>& Items() const { return m_items; }
    const Item* FindItem(plat::UINT id) const;

    // Shows the menu at the screen point and runs it until an item is picked or
    // it is cancelled. Returns the id picked (0 when cancelled) with
    // TPM_RETURNCMD; otherwise posts WM_COMMAND with the id to the owner and
    // returns whether an item was picked.
    plat::UINT TrackPopupMenu(plat::UINT flags, int x, int y, plat::HWND owner);

    // The innermost open menu of the process, or null.
    static BCMenu* OpenMenu();
    static bool IsAnyOpen() { return OpenMenu() != nullptr; }
    // On the open menu: pick an enabled item (false for a greyed or missing one),
    // or cancel.
    bool PickItem(plat::UINT id);
    void Cancel();
    plat::HWND PopupWindow() const;
    int Highlighted() const { return m_highlight; }
    // A press outside the open menus cancels them; the window framework calls this.
    static void NoticePress(plat::HWND target);

    static constexpr int kItemHeight = 24, kSeparatorHeight = 7;

private:
    friend class CMenuWindow;
    void End(plat::UINT id);
    int ItemAt(int y) const;
    void MoveHighlight(int step);

    std::vector<Item> m_items;
    std::unique_ptr<CMenuWindow> m_window;
    int m_highlight = -1;
    plat::UINT m_result = 0;
    bool m_open = false;
    BCMenu* m_outer = nullptr;
};
