// The rules of the login window's boxes, without the window: what loading the
// saved logins, typing in the account box, choosing from its list, clicking the
// check boxes and deleting a saved login do to the account and password boxes,
// the two check boxes and the sign-in button. The window calls these from its
// controls' notifications and shows the state.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "monitor/SavedLogins.h"

struct LoginFormState {
    std::u16string account;   // account box
    std::u16string password;  // password box, plain
    bool remember = false;    // "记住密码"
    bool autoLogin = false;   // "自动登录"
    int selected = -1;        // list entry shown in the account box, -1 for none
    // Selection in the account box's edit field (equal ends: the caret).
    size_t selStart = 0;
    size_t selEnd = 0;
    bool completionArmed = false;
    bool autoPending = false;    // the monitor signs in as soon as it shows the window
    bool loginPossible = false;  // the sign-in button and the Enter key
    bool focusAccount = false;   // the account box should take the focus
};

class CLoginForm {
public:
    // Loads the saved logins and fills the boxes from the most recent one.
    void Load();
    // As Load, from a list already read.
    void Fill(const CSavedLogins& logins);

    const LoginFormState& State() const { return m_state; }
    const CSavedLogins& Logins() const { return m_logins; }

    // The account box's text after an edit, with the caret where the edit left
    // it; `deletion` for Backspace and Delete, which never complete.
    void AccountEdited(std::u16string_view text, size_t caret, bool deletion);
    void PasswordEdited(std::u16string_view text);
    // An entry picked from the list; an index that is none clears the boxes.
    void EntryChosen(int index);
    void RememberClicked(bool checked);
    void AutoLoginClicked(bool checked);
    // The list's delete mark on an entry.
    CSavedLogins::DeleteResult DeleteEntry(int index);

private:
    void ShowPassword(const SavedLogin& login);
    void UpdateLoginPossible();

    CSavedLogins m_logins;
    LoginFormState m_state;
};
