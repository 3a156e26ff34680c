#include "monitor/SavedLogins.h"

#include "monitor/AccountFolder.h"
#include "monitor/Common/Log.h"
#include "monitor/Common/SqlText.h"
#include "monitor/Common/Sqlite.h"
#include "monitor/PasswordMask.h"
#include "platform/Format.h"
#include "platform/Path.h"

std::u16string LoginDbPath() { return plat::JoinPath(plat::ProgramFolder(), u"login.db"); }

int SaveLogin(std::u16string_view account, std::u16string_view password, bool remember,
              bool autoLogin, int32_t now) {
    const std::u16string masked = MaskPassword(account, password);
    const std::u16string quotedAccount = SqlQuote(account);
    CSqlite db;
    int rc = db.Open(LoginDbPath());
    if (rc != 0) {
        WRITE_LOGF(u"sqlite.Open fail ret:%d\r\n", rc);
        return rc;
    }
    bool exists = false;
    if (db.Query(plat::Format(u"SELECT * FROM loginuser WHERE account='%s'", quotedAccount)) == 0)
        exists = db.Step() == 0;
    db.Finalize();
    // The masked password is as good as the password: these statements stay
    // out of the log.
    if (exists)
        rc = db.ExecUnlogged(plat::Format(
            u"UPDATE loginuser SET password='%s',rememberpwd=%d,autologin=%d,lastlogintime=%d "
            u"where account='%s';",
            SqlQuote(masked), remember ? 1 : 0, autoLogin ? 1 : 0, now, quotedAccount));
    else
        rc = db.ExecUnlogged(plat::Format(
            u"INSERT INTO loginuser (id,account,password,rememberpwd,autologin,lastlogintime) "
            u"VALUES(NULL,'%s','%s',%d,%d,%d)",
            quotedAccount, SqlQuote(masked), remember ? 1 : 0, autoLogin ? 1 : 0, now));
    db.Close();
    return rc;
}

bool CSavedLogins::Load() {
    m_items.clear();
    CSqlite db;
    if (db.Open(LoginDbPath()) != 0) return false;
    if (db.Query(u"SELECT * FROM loginuser order by lastlogintime desc") != 0) return false;
    while (db.Step() == 0) {
        SavedLogin login;
        login.password = db.GetText(u"password");
        login.account = db.GetText(u"account");
        login.id = db.GetInt(u"id");
        login.rememberPwd = db.GetInt(u"rememberpwd");
        login.autoLogin = db.GetInt(u"autologin");
        m_items.push_back(std::move(login));
    }
    db.Finalize();
    return true;
}

const SavedLogin* CSavedLogins::At(int index) const {
    if (index < 0 || size_t(index) >= m_items.size()) return nullptr;
    return &m_items[size_t(index)];
}

int CSavedLogins::Find(std::u16string_view account) const {
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].account == account) return int(i);
    return -1;
}

int CSavedLogins::FindPrefix(std::u16string_view prefix) const {
    for (size_t i = 0; i < m_items.size(); ++i)
        if (std::u16string_view(m_items[i].account).substr(0, prefix.size()) == prefix)
            return int(i);
    return -1;
}

CSavedLogins::DeleteResult CSavedLogins::Delete(int index) {
    const SavedLogin* login = At(index);
    if (!login) return kDeleteBadIndex;
    const std::u16string account = login->account;
    bool rowDeleted = false;
    {
        CSqlite db;
        if (db.Open(LoginDbPath()) == 0)
            rowDeleted = db.Exec(plat::Format(u"DELETE FROM loginuser WHERE account='%s'",
                                              SqlQuote(account))) == 0;
    }
    if (rowDeleted) m_items.erase(m_items.begin() + index);
    DeleteAccountFolder(account);
    return rowDeleted ? kDeleteDone : kDeleteRowKept;
}
