#include "monitor/Common/Sqlite.h"

#include <sqlite3.h>

#include <atomic>
#include <climits>
#include <mutex>

#include "monitor/Common/FileCook.h"
#include "monitor/Common/Log.h"
#include "platform/Text.h"
#include "platform/Time.h"

const char16_t kSqliteFullText[] = u"错误：数据库或磁盘空间已满！";
const char16_t kSqliteOpenFullNotice[] = u"磁盘空间不足，数据库打开失败！";
const char16_t kSqliteExecFullNotice[] = u"磁盘空间不足，数据库执行失败！";

namespace {

// Stands in for the statement text of a failure that must not reach the log.
const char16_t kWithheldStatement[] = u"(statement not logged)";

const char16_t kAddShareSortid[] =
    u"Alter table contact_share add column 'sortid' INTEGER default 0;";
const char16_t kAddSelfSortid[] =
    u"Alter table contact_self add column 'sortid' INTEGER default 0;";

std::atomic<SqliteClock> g_clock{nullptr};
std::atomic<SqliteSpaceCheck> g_spaceCheck{nullptr};

// Stores of the main thread and of the web-call workers share the notice.
std::mutex g_noticeLock;
int64_t g_lastNoticeTime = 0;
SqliteDiskFullNotice g_notice;

int64_t Now() {
    SqliteClock clock = g_clock.load();
    return clock ? clock() : plat::TimeNow();
}

bool HasSpace(std::u16string_view path) {
    SqliteSpaceCheck check = g_spaceCheck.load();
    return check ? check(path) : CFileCook::HasFreeSpace(path, 1);
}

void ComposeNotice(const char16_t* text) {
    int64_t now = Now();
    std::lock_guard<std::mutex> lock(g_noticeLock);
    if (now - g_lastNoticeTime < 1) return;
    g_lastNoticeTime = now;
    g_notice.text = text;
    g_notice.time = now;
    ++g_notice.count;
}

bool Contains(std::u16string_view text, std::u16string_view part) {
    return text.find(part) != std::u16string_view::npos;
}

bool IsFullCode(int code) {
    code &= 0xff;
    return code == SQLITE_FULL || code == SQLITE_NOMEM;
}

// Adds the sortid column the failed statement missed, on a store of its own.
// Only the known gap of old files is repaired; anything else fails.
bool RepairSchema(const std::u16string& path, std::u16string_view error,
                  std::u16string_view statement) {
    const char16_t* repair = nullptr;
    if (Contains(error, u"table contact_share has no column named sortid")) {
        repair = kAddShareSortid;
    } else if (Contains(statement, u" contact_share ") &&
               Contains(error, u"no such column: sortid")) {
        repair = kAddShareSortid;
    } else if (Contains(error, u"table contact_self has no column named sortid")) {
        repair = kAddSelfSortid;
    } else if (Contains(statement, u" contact_self ") &&
               Contains(error, u"no such column: sortid")) {
        repair = kAddSelfSortid;
    }
    if (!repair) return false;
    CSqlite repairStore;
    if (repairStore.Open(path) != 0) return false;
    bool repaired = repairStore.Exec(repair) == 0;
    repairStore.Close();
    return repaired;
}

}  // namespace

SqliteDiskFullNotice LastSqliteDiskFullNotice() {
    std::lock_guard<std::mutex> lock(g_noticeLock);
    return g_notice;
}

void SetSqliteNoticeTime(int64_t seconds) {
    std::lock_guard<std::mutex> lock(g_noticeLock);
    g_lastNoticeTime = seconds;
}

void SetSqliteClock(SqliteClock clock) { g_clock.store(clock); }
void SetSqliteSpaceCheck(SqliteSpaceCheck check) { g_spaceCheck.store(check); }

CSqlite::CSqlite() = default;

CSqlite::~CSqlite() { Close(); }

int CSqlite::Open(const char16_t* path) {
    m_diskFull = false;
    if (!path) return -1;
    std::u16string target(path);  // `path` may be our own m_path
    // A second Open on the same object must not leak the first connection.
    Close();
    m_path = std::move(target);
    sqlite3* db = nullptr;
    int rc = sqlite3_open16(m_path.c_str(), &db);
    if (rc == SQLITE_OK) {
        m_db = db;
        Exec(u"PRAGMA cache_size = 8000;");
        Exec(u"PRAGMA synchronous = OFF;");
        Exec(u"PRAGMA temp_store = MEMORY;");
        return 0;
    }
    // SQLite hands back a handle even when the open fails; it must be closed.
    if (db) sqlite3_close_v2(db);
    WRITE_LOGF(u"sqlite open: %s\r\n", m_path);
    if (!HasSpace(m_path)) {
        m_diskFull = true;
        if (m_reportDiskFull) ComposeNotice(kSqliteOpenFullNotice);
    }
    return rc;
}

int CSqlite::Exec(const char16_t* statement) { return Run(statement, Kind::kExec, true, true); }

int CSqlite::Query(const char16_t* statement) { return Run(statement, Kind::kQuery, true, true); }

int CSqlite::ExecUnlogged(const char16_t* statement) {
    return Run(statement, Kind::kExec, false, true);
}

int CSqlite::QueryUnlogged(const char16_t* statement) {
    return Run(statement, Kind::kQuery, false, true);
}

// The second-generation prepare: a failed step reports its precise code at
// once, and a statement whose schema changed under it (as the sortid repair
// does) is compiled again instead of failing.
int CSqlite::Run(const char16_t* statement, Kind kind, bool logText, bool mayRepair) {
    if (!m_db || !statement) return -1;
    Finalize();
    size_t chars = std::char_traits<char16_t>::length(statement);
    int bytes = chars <= size_t(INT_MAX / 2) ? int(chars * 2) : -1;
    int rc = sqlite3_prepare16_v2(m_db, statement, bytes, &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        m_stmt = nullptr;
        LogFailure(statement, logText);
        int result;
        if (ApplyColumnRule(statement, kind, logText, mayRepair, rc, result)) return result;
        if (kind == Kind::kExec) ApplyFullDiskRule();
        return rc;
    }
    if (kind == Kind::kQuery || !m_stmt) return 0;  // an empty text compiles to nothing
    rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) return Finalize();
    Finalize();
    LogFailure(statement, logText);
    int result;
    if (ApplyColumnRule(statement, kind, logText, mayRepair, rc, result)) return result;
    ApplyFullDiskRule();
    return rc;
}

void CSqlite::LogFailure(const char16_t* statement, bool logText) {
    if (logText) {
        WRITE_LOGF(u"%s\r\n%s\r\n", statement, ErrorText());
        return;
    }
    int code = sqlite3_errcode(m_db);
    std::u16string error = IsFullCode(code) ? std::u16string(kSqliteFullText)
                                            : plat::Utf8ToUtf16(sqlite3_errstr(code));
    WRITE_LOGF(u"%s\r\n%s (%d)\r\n", kWithheldStatement, error, code);
}

// A statement that failed for a missing column closes the store; only a
// successful sortid repair reopens it, and the statement is then run once more
// without a further repair, so nothing can loop.
bool CSqlite::ApplyColumnRule(const std::u16string& statement, Kind kind, bool logText,
                              bool mayRepair, int firstResult, int& result) {
    const char16_t* text = ErrorText();
    std::u16string error = text ? text : u"";
    if (!Contains(error, u" has no column named ") && !Contains(error, u"no such column: "))
        return false;
    Close();
    result = firstResult;
    if (!mayRepair || !RepairSchema(m_path, error, statement)) return true;
    int rc = Open(m_path.c_str());
    result = rc == 0 ? Run(statement.c_str(), kind, logText, false) : rc;
    return true;
}

void CSqlite::ApplyFullDiskRule() {
    if (!m_db || !IsFullCode(sqlite3_errcode(m_db))) return;
    m_diskFull = true;
    if (m_reportDiskFull) ComposeNotice(kSqliteExecFullNotice);
}

int CSqlite::Step() {
    if (!m_stmt) return -1;
    int rc = sqlite3_step(m_stmt);
    m_hasRow = rc == SQLITE_ROW;
    return m_hasRow ? 0 : rc;
}

int CSqlite::ColumnIndex(const char16_t* column) const {
    return m_hasRow ? ColumnIndexOf(column) : -1;
}

int CSqlite::ColumnIndexOf(const char16_t* column) const {
    if (!m_stmt || !column) return -1;
    std::u16string_view wanted(column);
    int count = sqlite3_column_count(m_stmt);
    for (int i = 0; i < count; ++i) {
        auto name = static_cast<const char16_t*>(sqlite3_column_name16(m_stmt, i));
        if (name && wanted == name) return i;
    }
    return -1;
}

int CSqlite::GetIntAt(int index) {
    if (!m_stmt || !m_hasRow || index < 0 || index >= sqlite3_column_count(m_stmt)) return 0;
    return sqlite3_column_int(m_stmt, index);
}

const char16_t* CSqlite::GetTextAt(int index) {
    if (!m_stmt || !m_hasRow || index < 0 || index >= sqlite3_column_count(m_stmt)) return u"";
    auto text = static_cast<const char16_t*>(sqlite3_column_text16(m_stmt, index));
    return text ? text : u"";
}

int CSqlite::GetInt(const char16_t* column) { return GetIntAt(ColumnIndex(column)); }

const char16_t* CSqlite::GetText(const char16_t* column) { return GetTextAt(ColumnIndex(column)); }

int CSqlite::Finalize() {
    m_hasRow = false;
    if (!m_stmt) return 0;
    int rc = sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    return rc;
}

void CSqlite::Close() {
    Finalize();
    if (m_db) sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool CSqlite::InTransaction() const { return m_db && sqlite3_get_autocommit(m_db) == 0; }

const char16_t* CSqlite::ErrorText() {
    if (!m_db) return nullptr;
    if (IsFullCode(sqlite3_errcode(m_db))) return kSqliteFullText;
    return static_cast<const char16_t*>(sqlite3_errmsg16(m_db));
}
