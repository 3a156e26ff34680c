// What the store tests share: template copies, whole-column reads and a count of
// log entries.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "monitor/Common/Sqlite.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "support/TestFolder.h"

namespace storetest {

inline std::u16string TemplatePath(std::u16string_view name) {
    return plat::JoinPath(plat::Utf8ToUtf16(QN_PROGRAM_DIR), name);
}

// A fresh copy of a shipped template in the test's folder.
inline std::u16string CopyTemplate(const qntest::TestFolder& folder, std::u16string_view name) {
    std::u16string to = folder.Join(name);
    EXPECT_TRUE(plat::CopyFile(TemplatePath(name), to, false)) << "template missing";
    return to;
}

// One text column of every row a query returns; empty when it fails.
inline std::vector<std::u16string> Column(CSqlite& db, const char16_t* query,
                                          const char16_t* column) {
    std::vector<std::u16string> values;
    if (db.Query(query) != 0) return values;
    while (db.Step() == 0) values.emplace_back(db.GetText(column));
    db.Finalize();
    return values;
}

inline int ScalarInt(CSqlite& db, const char16_t* query, const char16_t* column) {
    int value = -1;
    if (db.Query(query) == 0 && db.Step() == 0) value = db.GetInt(column);
    db.Finalize();
    return value;
}

// Entries begin with "error " and the time stamp.
inline size_t LogEntries(const std::string& log) {
    static const std::regex prefix("error \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d ");
    return size_t(std::distance(std::sregex_iterator(log.begin(), log.end(), prefix),
                                std::sregex_iterator()));
}

}  // namespace storetest
