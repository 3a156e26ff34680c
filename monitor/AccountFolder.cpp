#include "monitor/AccountFolder.h"

#include "monitor/Common/Log.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Path.h"

namespace {

const char16_t kDatabaseName[] = u"Address.db";

}  // namespace

bool IsSafeAccountName(std::u16string_view account) {
    if (account.empty() || account.find(u"..") != std::u16string_view::npos) return false;
    for (char16_t c : account)
        if (c == u'\\' || c == u'/' || c < 0x20 || c == 0x7F) return false;
    return true;
}

std::u16string AccountFolderPath(std::u16string_view account) {
    if (!IsSafeAccountName(account)) return std::u16string();
    return plat::JoinPath({plat::ProgramFolder(), u"account", account});
}

bool PrepareAccountFolder(std::u16string_view account) {
    const std::u16string folder = AccountFolderPath(account);
    if (folder.empty()) return false;
    if (!plat::DirectoryExists(folder)) plat::CreateDirectory(folder);
    const std::u16string database = plat::JoinPath(folder, kDatabaseName);
    const std::u16string templ = plat::JoinPath(plat::ProgramFolder(), kDatabaseName);
    if (!plat::FileExists(database) && plat::FileExists(templ))
        plat::CopyFile(templ, database, false);
    return plat::DirectoryExists(folder);
}

bool DeleteAccountFolder(std::u16string_view account) {
    const std::u16string folder = AccountFolderPath(account);
    if (folder.empty()) {
        WRITE_LOGF(u"DelDirFile refused, no folder name: %s\r\n", account);
        return false;
    }
    plat::SetLastError(0);
    bool deleted = plat::DeleteTree(folder);
    WRITE_LOGF(u"strPath:%s,DelDirFile:%d\r\n", folder, plat::GetLastError());
    return deleted;
}
