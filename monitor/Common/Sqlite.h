// The store every access to the monitor's two databases goes through. Each use
// makes its own short-lived object: construct, Open, one or a few statements,
// Close. All text crosses as UTF-16. No operation throws; results are 0 for
// success, -1 for bad arguments or a closed store, else SQLite's result code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class CSqlite {
public:
    CSqlite();
    ~CSqlite();
    CSqlite(const CSqlite&) = delete;
    CSqlite& operator=(const CSqlite&) = delete;

    // Opens (creating when missing) with the fixed speed settings.
    int Open(const char16_t* path);
    // Runs a statement that returns no rows; never leaves a statement pending.
    int Exec(const char16_t* statement);
    // Compiles a query whose rows are then read with Step.
    int Query(const char16_t* statement);
    // The same for statements that carry a password, plain or masked: a failure
    // is logged without the statement and with SQLite's generic text for the
    // code, since SQLite's own message may quote pieces of the statement.
    int ExecUnlogged(const char16_t* statement);
    int QueryUnlogged(const char16_t* statement);
    // 0 while a row is available, 101 at the end, -1 with nothing pending.
    int Step();
    // Columns of the current row by exact, case-sensitive name; the first match
    // counts. A missing name, NULL value or no row gives 0 / an empty text. The
    // text stays valid until the next Step, Finalize or Close.
    int GetInt(const char16_t* column);
    const char16_t* GetText(const char16_t* column);
    // The same by position: a reader of many rows looks each name up once,
    // as soon as the statement compiled. -1 when no column has the name.
    int ColumnIndexOf(const char16_t* column) const;
    int GetIntAt(int index);
    const char16_t* GetTextAt(int index);
    int Finalize();
    void Close();
    // Null when closed; a fixed text for a full disk or exhausted memory.
    const char16_t* ErrorText();

    int Open(const std::u16string& path) { return Open(path.c_str()); }
    int Exec(const std::u16string& statement) { return Exec(statement.c_str()); }
    int Query(const std::u16string& statement) { return Query(statement.c_str()); }
    int ExecUnlogged(const std::u16string& s) { return ExecUnlogged(s.c_str()); }
    int QueryUnlogged(const std::u16string& s) { return QueryUnlogged(s.c_str()); }

    bool IsOpen() const { return m_db != nullptr; }
    // True between BEGIN and its end. SQLite ends a transaction by itself on
    // some failures (a full disk, for one): a writer that replaces a table in
    // one transaction must stop then instead of going on outside it.
    bool InTransaction() const;
    // Set when the last open failed for lack of disk space or a failed
    // statement reported a full disk or exhausted memory.
    bool IsDiskFull() const { return m_diskFull; }
    // Off: a full disk still sets the flag but composes no notice.
    void SetReportDiskFull(bool report) { m_reportDiskFull = report; }

private:
    enum class Kind { kExec, kQuery };
    int Run(const char16_t* statement, Kind kind, bool logText, bool mayRepair);
    void LogFailure(const char16_t* statement, bool logText);
    bool ApplyColumnRule(const std::u16string& statement, Kind kind, bool logText, bool mayRepair,
                         int firstResult, int& result);
    void ApplyFullDiskRule();
    int ColumnIndex(const char16_t* column) const;

    bool m_reportDiskFull = true;
    bool m_diskFull = false;
    std::u16string m_path;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_hasRow = false;
};

extern const char16_t kSqliteFullText[];        // "错误：数据库或磁盘空间已满！"
extern const char16_t kSqliteOpenFullNotice[];  // "磁盘空间不足，数据库打开失败！"
extern const char16_t kSqliteExecFullNotice[];  // "磁盘空间不足，数据库执行失败！"

// The last disk-full notice composed by any store of this process, kept so a
// window can show it. Notices are composed at most once a second.
struct SqliteDiskFullNotice {
    std::u16string text;  // empty until the first notice
    int64_t time = 0;     // seconds since 1970 when it was composed
    uint32_t count = 0;   // notices composed so far
};
SqliteDiskFullNotice LastSqliteDiskFullNotice();
// Start-up sets the last-notice time to the program's start time.
void SetSqliteNoticeTime(int64_t seconds);

// Seams for tests: the clock of the notices and the free-space check of a
// failed open. Null restores the system's.
using SqliteClock = int64_t (*)();
void SetSqliteClock(SqliteClock clock);
using SqliteSpaceCheck = bool (*)(std::u16string_view path);
void SetSqliteSpaceCheck(SqliteSpaceCheck check);
