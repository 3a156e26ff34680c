// What the sync and directory tests share: an account's database made from the
// shipped template, rows read back with SQLite itself (not through the store
// under test), and JSON texts as the reader gives them.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "monitor/Common/JsonValue.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "support/TestFolder.h"

namespace synctest {

inline std::u16string U(const std::string& s) { return plat::Utf8ToUtf16(s); }
inline std::string N(const std::u16string& s) { return plat::Utf16ToUtf8(s); }

inline std::u16string TemplatePath(std::u16string_view name) {
    return plat::JoinPath(plat::Utf8ToUtf16(QN_PROGRAM_DIR), name);
}

// account\ACCOUNT\Address.db below the test's program folder, from the template.
inline std::u16string MakeAccountDb(const qntest::TestFolder& folder, std::u16string_view account) {
    std::u16string dir = folder.Join(plat::JoinPath(u"account", account));
    plat::CreateDirectories(dir);
    std::u16string db = plat::JoinPath(dir, u"Address.db");
    EXPECT_TRUE(plat::CopyFile(TemplatePath(u"Address.db"), db, false)) << "template missing";
    return db;
}

// Every row of a query, its columns joined by "|"; NULL reads "NULL".
inline std::vector<std::string> Rows(const std::u16string& dbPath, const std::string& sql) {
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open(plat::NativePath(dbPath).c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        ADD_FAILURE() << "cannot open " << N(dbPath);
        return rows;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
    } else {
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                if (i) row += "|";
                const unsigned char* t = sqlite3_column_text(st, i);
                row += t ? reinterpret_cast<const char*>(t) : "NULL";
            }
            rows.push_back(row);
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

inline void ExecSql(const std::u16string& dbPath, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(plat::NativePath(dbPath).c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "") << "\n" << sql;
    sqlite3_free(error);
    sqlite3_close(db);
}

// The JSON text of a reply's payload as the callbacks hand it on.
inline CJsonValue Json(const std::string& utf8) { return CJsonValue::Parse(U(utf8)); }

}  // namespace synctest
