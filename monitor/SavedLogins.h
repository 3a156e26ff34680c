// The logins remembered in login.db (table loginuser): loaded most recent
// first for the account list, written on every successful sign-in, deleted
// together with the account's folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct SavedLogin {
    int id = -1;
    int rememberPwd = 0;  // 1: the password is put back into the password box
    int autoLogin = 0;    // 1: sign in without waiting for the user
    std::u16string account;
    std::u16string password;  // masked
};

std::u16string LoginDbPath();

// Records a successful sign-in: the masked password, the two check boxes and the
// time, as an update of the account's row or as a new row. 0, or the store's
// result; a failure is only logged.
int SaveLogin(std::u16string_view account, std::u16string_view password, bool remember,
              bool autoLogin, int32_t now);

class CSavedLogins {
public:
    enum DeleteResult { kDeleteBadIndex = -1, kDeleteDone = 0, kDeleteRowKept = 1 };

    // Replaces the list with login.db's rows, most recent first; false when the
    // store could not be read (the list is then empty).
    bool Load();
    const std::vector<SavedLogin>& Items() const { return m_items; }
    bool Empty() const { return m_items.empty(); }
    const SavedLogin* At(int index) const;
    // The entry with exactly this account, or -1.
    int Find(std::u16string_view account) const;
    // The first entry, in list order, whose account begins with `prefix`
    // (case-sensitive), or -1.
    int FindPrefix(std::u16string_view prefix) const;
    // Deletes the row; only when that succeeded does the entry leave the list.
    // The account's folder is deleted either way.
    DeleteResult Delete(int index);

private:
    std::vector<SavedLogin> m_items;
};
