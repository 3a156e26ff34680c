#include "monitor/LoginForm.h"

#include "monitor/PasswordMask.h"
#include "platform/Text.h"

void CLoginForm::Load() {
    CSavedLogins logins;
    logins.Load();
    Fill(logins);
}

void CLoginForm::Fill(const CSavedLogins& logins) {
    m_logins = logins;
    m_state = LoginFormState();
    if (const SavedLogin* first = m_logins.At(0)) {
        m_state.selected = 0;
        m_state.account = first->account;
        m_state.selStart = m_state.selEnd = m_state.account.size();
        if (first->rememberPwd == 1) {
            m_state.password = UnmaskPassword(first->account, first->password);
            m_state.remember = true;
        }
        if (first->autoLogin == 1) m_state.autoLogin = true;
    }
    UpdateLoginPossible();
    // Signing in by itself with no password to send would only fail.
    m_state.autoPending = m_state.autoLogin && m_state.loginPossible;
    m_state.focusAccount = true;
}

void CLoginForm::UpdateLoginPossible() {
    m_state.loginPossible = !m_state.password.empty() && !plat::Trim(m_state.account).empty();
}

void CLoginForm::ShowPassword(const SavedLogin& login) {
    m_state.remember = true;
    m_state.password = UnmaskPassword(login.account, login.password);
}

void CLoginForm::AccountEdited(std::u16string_view edited, size_t caret, bool deletion) {
    const std::u16string text(edited);  // the caller may pass our own state
    m_state.account = text;
    m_state.selStart = m_state.selEnd = caret;
    m_state.focusAccount = false;
    if (!m_state.completionArmed) {
        m_state.completionArmed = true;
        m_state.remember = false;
        m_state.autoLogin = false;
        if (!m_logins.Empty()) m_state.password.clear();
    }
    const std::u16string_view typed = plat::Trim(text);
    int shown = -1;
    // Nothing typed but blanks completes nothing.
    if (!deletion && !typed.empty()) {
        shown = m_logins.FindPrefix(typed);
        if (shown >= 0) {
            const size_t typedLength = typed.size();
            m_state.account = m_logins.At(shown)->account;
            if (caret >= text.size()) {
                // Typing on replaces the completed part.
                m_state.selStart = typedLength;
                m_state.selEnd = m_state.account.size();
            } else if (caret > m_state.account.size()) {
                m_state.selStart = m_state.selEnd = m_state.account.size();
            }
        }
    }
    int exact = m_logins.Find(m_state.account);
    if (exact >= 0) {
        shown = exact;
        m_state.completionArmed = false;
        const SavedLogin& login = *m_logins.At(exact);
        if (login.rememberPwd == 1) {
            ShowPassword(login);
        } else {
            m_state.remember = false;
            m_state.password.clear();
        }
    }
    m_state.selected = shown;
    UpdateLoginPossible();
}

void CLoginForm::PasswordEdited(std::u16string_view text) {
    m_state.password = text;
    UpdateLoginPossible();
}

void CLoginForm::EntryChosen(int index) {
    m_state.completionArmed = false;
    const SavedLogin* login = m_logins.At(index);
    if (!login) {
        m_state.selected = -1;
        m_state.remember = false;
        m_state.autoLogin = false;
        m_state.password.clear();
        m_state.loginPossible = false;
        return;
    }
    m_state.selected = index;
    m_state.account = login->account;
    m_state.selStart = m_state.selEnd = m_state.account.size();
    if (login->autoLogin == 1) {
        ShowPassword(*login);
        m_state.autoLogin = true;
    } else {
        m_state.autoLogin = false;
        if (login->rememberPwd == 1) {
            ShowPassword(*login);
        } else {
            m_state.remember = false;
            m_state.password.clear();
        }
    }
    UpdateLoginPossible();
}

void CLoginForm::RememberClicked(bool checked) {
    m_state.remember = checked;
    if (!checked) m_state.autoLogin = false;
}

void CLoginForm::AutoLoginClicked(bool checked) {
    m_state.autoLogin = checked;
    if (checked) m_state.remember = true;
}

CSavedLogins::DeleteResult CLoginForm::DeleteEntry(int index) {
    const SavedLogin* login = m_logins.At(index);
    const std::u16string account = login ? login->account : std::u16string();
    CSavedLogins::DeleteResult result = m_logins.Delete(index);
    if (result != CSavedLogins::kDeleteDone) return result;
    if (m_state.account == account) {
        m_state.account.clear();
        m_state.password.clear();
        m_state.remember = false;
        m_state.autoLogin = false;
        m_state.selStart = m_state.selEnd = 0;
        m_state.selected = -1;
    } else if (m_state.selected == index) {
        m_state.selected = -1;
    } else if (m_state.selected > index) {
        --m_state.selected;
    }
    m_state.focusAccount = m_logins.Empty();
    UpdateLoginPossible();
    return result;
}
