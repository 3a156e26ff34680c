#include "monitor/AddressBookSync/StoreBook.h"

#include <atomic>
#include <charconv>
#include <climits>
#include <unordered_map>
#include <vector>

#include "monitor/Common/JsonValue.h"
#include "monitor/Common/Log.h"
#include "monitor/Common/SqlText.h"
#include "monitor/Common/Sqlite.h"
#include "platform/Format.h"

namespace {

std::atomic<StoreRowHook> g_rowHook{nullptr};

const char16_t kShareGroupTable[] = u"contact_group_share";
const char16_t kSelfGroupTable[] = u"contact_group_self";
const char16_t kShareContactTable[] = u"contact_share";
const char16_t kSelfContactTable[] = u"contact_self";

const char16_t kSharedRootName[] = u"公司共享通讯录";
const char16_t kPrivateRootName[] = u"私有通讯录";

const char16_t kShareGroupInsert[] =
    u"INSERT INTO contact_group_share(id,parent_id,name,type,depth) VALUES(%lu,%lu,'%s',%lu,%lu);";
const char16_t kSelfGroupInsert[] =
    u"INSERT INTO contact_group_self(id,parent_id,name,type,depth) VALUES(%lu,%lu,'%s',%lu,%lu);";
const char16_t kShareDepth[] = u"SELECT depth FROM contact_group_share WHERE id=%lu;";
const char16_t kSelfDepth[] = u"SELECT depth FROM contact_group_self WHERE id=%lu;";

const char16_t kShareContactInsert[] =
    u"INSERT INTO "
    u"contact_share(id,cg_id,call_number,call_time,name,alias,\t\t\t\t\t\t\t\t\t\tmobile,email,sex,"
    u"birthday,country,province,city,code,address,tel,fax,qq,msn,favorite,other,website,"
    u"\t\t\t\t\t\t\t\t\t\tcompany_name,company_department,company_post,company_country,company_"
    u"province,company_city,company_code,company_address,company_tel,company_fax,company_other,"
    u"company_website,\t\t\t\t\t\t\t\t\t\tfamily_country,family_province,family_city,family_code,"
    u"family_address,family_tel,family_fax,family_other,family_member,family_anniversary,remark,"
    u"sortid) \t\t\t\t\t\t\t\t\t\tVALUES(NULL,%lu,%lu,'%s','%s','%s',\t\t\t\t\t\t\t\t\t\t'%s','%"
    u"s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s',"
    u"\t\t\t\t\t\t\t\t\t\t'%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s',"
    u"\t\t\t\t\t\t\t\t\t\t'%s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s',%lu);";
const char16_t kSelfContactInsert[] =
    u"INSERT INTO "
    u"contact_self(id,cg_id,call_number,call_time,name,alias,\t\t\t\t\t\t\t\t\t\t\t\t  mobile,"
    u"email,sex,birthday,country,province,city,code,address,tel,fax,qq,msn,favorite,other,"
    u"website,\t\t\t\t\t\t\t\t\t\t\t\t  company_name,company_department,company_post,company_"
    u"country,company_province,company_city,company_code,company_address,company_tel,company_"
    u"fax,company_other,company_website,\t\t\t\t\t\t\t\t\t\t\t\t  family_country,family_"
    u"province,family_city,family_code,family_address,family_tel,family_fax,family_other,family_"
    u"member,family_anniversary,remark) \t\t\t\t\t\t\t\t\t\t\t\t  "
    u"VALUES(NULL,%lu,%lu,'%s','%s','%s',\t\t\t\t\t\t\t\t\t\t\t\t  '%s','%s','%s','%s','%s','%"
    u"s','%s','%s','%s','%s','%s','%s','%s','%s','%s','%s',\t\t\t\t\t\t\t\t\t\t\t\t  '%s','%s',"
    u"'%s','%s','%s','%s','%s','%s','%s','%s','%s','%s',\t\t\t\t\t\t\t\t\t\t\t\t  '%s','%s','%"
    u"s','%s','%s','%s','%s','%s','%s','%s','%s');";

// The contact members the tables keep.
enum Field {
    kName,
    kEmail,
    kMobile,
    kMsn,
    kQq,
    kHomepage,
    kCountry,
    kCity,
    kAddress,
    kTelephone,
    kPostcode,
    kCompany,
    kCompanyAddress,
    kJob,
    kCompanyTelephone,
    kCompanyFax,
    kCompanyCode,
    kRemark,
    kFieldCount
};

const std::unordered_map<std::u16string_view, Field>& FieldNames() {
    static const std::unordered_map<std::u16string_view, Field> names = {
        {u"name", kName},
        {u"email", kEmail},
        {u"mobile", kMobile},
        {u"msn", kMsn},
        {u"qq", kQq},
        {u"homepage", kHomepage},
        {u"country", kCountry},
        {u"city", kCity},
        {u"address", kAddress},
        {u"telephone", kTelephone},
        {u"postcode", kPostcode},
        {u"company", kCompany},
        {u"company_address", kCompanyAddress},
        {u"job", kJob},
        {u"company_telephone", kCompanyTelephone},
        {u"company_fax", kCompanyFax},
        {u"company_code", kCompanyCode},
        {u"remark", kRemark},
    };
    return names;
}

// The 42 text columns of both contact inserts, in statement order: the member
// that fills each, or kFieldCount for a column left empty.
constexpr Field kTextColumns[] = {
    kFieldCount,        // call_time
    kName,              // name
    kFieldCount,        // alias
    kMobile,            // mobile
    kEmail,             // email
    kFieldCount,        // sex
    kFieldCount,        // birthday
    kFieldCount,        // country
    kFieldCount,        // province
    kFieldCount,        // city
    kFieldCount,        // code
    kFieldCount,        // address
    kFieldCount,        // tel
    kFieldCount,        // fax
    kQq,                // qq
    kMsn,               // msn
    kFieldCount,        // favorite
    kFieldCount,        // other
    kHomepage,          // website
    kCompany,           // company_name
    kFieldCount,        // company_department
    kJob,               // company_post
    kFieldCount,        // company_country
    kFieldCount,        // company_province
    kFieldCount,        // company_city
    kCompanyCode,       // company_code
    kCompanyAddress,    // company_address
    kCompanyTelephone,  // company_tel
    kCompanyFax,        // company_fax
    kFieldCount,        // company_other
    kFieldCount,        // company_website
    kCountry,           // family_country
    kFieldCount,        // family_province
    kCity,              // family_city
    kPostcode,          // family_code
    kAddress,           // family_address
    kTelephone,         // family_tel
    kFieldCount,        // family_fax
    kFieldCount,        // family_other
    kFieldCount,        // family_member
    kFieldCount,        // family_anniversary
    kRemark,            // remark
};
constexpr size_t kTextColumnCount = sizeof kTextColumns / sizeof kTextColumns[0];

// A statement format cut at its "%s" and "%lu" placeholders, filled by plain
// concatenation: a book's inserts are the bulk of a sync, and the result is
// the same text the printf-style format gives.
class StatementText {
public:
    explicit StatementText(std::u16string_view format) {
        size_t start = 0;
        for (size_t i = 0; i < format.size(); ++i) {
            if (format[i] != u'%') continue;
            size_t length = format.compare(i, 3, u"%lu") == 0 ? 3 : 2;
            m_pieces.emplace_back(format.substr(start, i - start));
            m_fixed += i - start;
            start = i + length;
            i = start - 1;
        }
        m_pieces.emplace_back(format.substr(start));
        m_fixed += format.size() - start;
    }

    size_t Placeholders() const { return m_pieces.size() - 1; }

    void Fill(const std::u16string_view* values, std::u16string& out) const {
        size_t length = m_fixed;
        for (size_t k = 0; k < Placeholders(); ++k) length += values[k].size();
        out.clear();
        out.reserve(length);
        for (size_t k = 0; k < Placeholders(); ++k) {
            out += m_pieces[k];
            out += values[k];
        }
        out += m_pieces.back();
    }

private:
    std::vector<std::u16string_view> m_pieces;
    size_t m_fixed = 0;
};

// "%lu" of a 32-bit value.
struct NumberText {
    explicit NumberText(uint32_t value) {
        char digits[16];
        auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        length = size_t(end - digits);
        for (size_t i = 0; i < length; ++i) text[i] = char16_t(digits[i]);
    }
    std::u16string_view View() const { return {text, length}; }
    char16_t text[16];
    size_t length;
};

void CountRow(const char16_t* table, size_t& rows) {
    ++rows;
    if (StoreRowHook hook = g_rowHook.load()) hook(table, rows);
}

// Runs the book's statements inside one transaction and stops at the first
// failure that ended it.
class BookWriter {
public:
    explicit BookWriter(CSqlite& db) : m_db(db) {}

    bool Begin() { return m_db.Exec(u"BEGIN;") == 0; }

    // False once the transaction is gone: nothing more may be written, or it
    // would land outside it, on top of the previous book.
    bool Exec(const std::u16string& statement, int* result = nullptr) {
        int rc = m_db.Exec(statement);
        if (result) *result = rc;
        if (rc == 0 || m_db.InTransaction()) return true;
        m_broken = true;
        WRITE_LOG(u"address book not stored, the previous one is kept\r\n");
        return false;
    }

    bool Broken() const { return m_broken; }

    void End() {
        if (m_broken) return;
        if (m_db.Exec(u"COMMIT;") != 0 && m_db.InTransaction()) m_db.Exec(u"ROLLBACK;");
    }

    // The depth of the group row `id` plus 1; 0 when there is no such row.
    int DepthBelow(const char16_t* format, uint32_t id) {
        int depth = 0;
        if (m_db.Query(plat::Format(format, id)) == 0 && m_db.Step() == 0)
            depth = m_db.GetInt(u"depth") + 1;
        m_db.Finalize();
        return depth;
    }

private:
    CSqlite& m_db;
    bool m_broken = false;
};

struct ContactTexts {
    std::u16string fields[kFieldCount];

    // Takes the member when it is one of the kept texts.
    bool Take(const CJsonValue& member) {
        const auto& names = FieldNames();
        auto f = names.find(member.Name());
        if (f == names.end()) return false;
        fields[f->second] = SqlQuote(member.AsString());
        return true;
    }

    // The text columns in statement order.
    void Columns(std::u16string_view* out) const {
        for (size_t k = 0; k < kTextColumnCount; ++k)
            out[k] =
                kTextColumns[k] == kFieldCount ? std::u16string_view() : fields[kTextColumns[k]];
    }
};

bool IsArrayMember(const CJsonValue& member, std::u16string_view name) {
    return member.Name() == name && member.Type() == CJsonValue::kArray;
}

// One book's group table: its statements, its root row, the type of its rows.
struct GroupTable {
    const char16_t* name;
    const char16_t* remove;
    const char16_t* insert;
    const char16_t* depth;
    const char16_t* rootName;
    uint32_t rootType;
    uint32_t type;
};

const GroupTable kShareGroups = {kShareGroupTable,
                                 u"DELETE FROM contact_group_share;",
                                 kShareGroupInsert,
                                 kShareDepth,
                                 kSharedRootName,
                                 4,
                                 4};
const GroupTable kSelfGroups = {kSelfGroupTable,
                                u"DELETE FROM contact_group_self;",
                                kSelfGroupInsert,
                                kSelfDepth,
                                kPrivateRootName,
                                0,
                                1};

struct GroupRow {
    uint32_t id = 0;
    uint32_t parent = 0;  // the parent's row id
    std::u16string name;  // quoted
};

// Replaces a group table: the root row, then one row per group object that
// `read` turns into a row (it may skip one). Each row's depth is one more than
// its parent's row, 0 when that row does not exist (yet).
template <typename Read>
void ReplaceGroups(BookWriter& w, const CJsonValue& groups, const GroupTable& table, Read read) {
    int rc = 0;
    if (!w.Exec(table.remove, &rc)) return;
    size_t rows = 0;
    // The top-level groups hang below id 1: the root takes it explicitly, so
    // that it does not depend on how the table numbers its rows.
    if (rc == 0) {
        if (!w.Exec(plat::Format(table.insert, 1u, 0u, table.rootName, table.rootType, 0u))) return;
        CountRow(table.name, rows);
    }
    GroupRow row;
    for (const CJsonValue& shared : groups.Members()) {
        if (shared.Type() != CJsonValue::kObject) continue;
        // A copy of our own expands the element and frees it again at once.
        CJsonValue group = shared;
        row = GroupRow();
        if (!read(group, row)) continue;
        int depth = w.DepthBelow(table.depth, row.parent);
        if (!w.Exec(plat::Format(table.insert, row.id, row.parent, row.name, table.type,
                                 uint32_t(depth))))
            return;
        CountRow(table.name, rows);
    }
}

void StoreShareGroups(BookWriter& w, const CJsonValue& groups, int serverType) {
    ReplaceGroups(w, groups, kShareGroups, [serverType](const CJsonValue& group, GroupRow& row) {
        uint32_t id = 0, parent = 0;
        for (const CJsonValue& m : group.Members()) {
            std::u16string_view key = m.Name();
            if (key == u"group_id") {
                id = SharedGroupId(m, serverType);
            } else if (key == u"parent_group_id") {
                parent = SharedGroupId(m, serverType);
                if (serverType == 0 && parent == kSecondIdSpace && id == kSecondIdSpace) parent = 0;
            } else if (key == u"name") {
                row.name = SqlQuote(m.AsString());
            }
        }
        row.id = id + 1;
        row.parent = parent + 1;
        return true;
    });
}

void StoreShareContacts(BookWriter& w, const CJsonValue& addresses, int serverType) {
    if (!w.Exec(u"DELETE FROM contact_share;")) return;
    static const StatementText insert(kShareContactInsert);
    std::u16string statement;
    size_t rows = 0;
    for (const CJsonValue& shared : addresses.Members()) {
        if (shared.Type() != CJsonValue::kObject) continue;
        CJsonValue contact = shared;
        ContactTexts texts;
        uint32_t group = 0, sortid = 0;
        for (const CJsonValue& m : contact.Members()) {
            if (texts.Take(m)) continue;
            std::u16string_view key = m.Name();
            if (key == u"sortid") {
                sortid = uint32_t(m.AsInt());
            } else if (key == u"dep") {
                if (serverType == 1) {
                    group = SharedGroupId(m, 1);
                } else {
                    group = uint32_t(m.AsInt());
                    if (group == kSecondIdSpace) group = 0;
                }
            }
        }
        uint32_t cgId = serverType == 0 && group > kSecondIdSpace ? kSecondIdSpace : group + 1;
        NumberText cg(cgId), call(0), sort(sortid);
        std::u16string_view values[2 + kTextColumnCount + 1];
        values[0] = cg.View();
        values[1] = call.View();
        texts.Columns(values + 2);
        values[2 + kTextColumnCount] = sort.View();
        insert.Fill(values, statement);
        if (!w.Exec(statement)) return;
        CountRow(kShareContactTable, rows);
    }
}

void StorePrivateGroups(BookWriter& w, const CJsonValue& groups, int idForOne) {
    ReplaceGroups(w, groups, kSelfGroups, [idForOne](const CJsonValue& group, GroupRow& row) {
        int id = 0, parent = 0;
        for (const CJsonValue& m : group.Members()) {
            std::u16string_view key = m.Name();
            if (key == u"group_id") {
                id = m.AsInt();
            } else if (key == u"name") {
                row.name = SqlQuote(m.AsString());
            } else if (key == u"parent_group_id") {
                parent = m.AsInt();
                if (parent == int(kSecondIdSpace)) parent = 0;
            }
        }
        if (id == int(kSecondIdSpace)) return false;
        // Group 1 and its subgroups move together; the root's children stay.
        if (id == 1) id = idForOne;
        if (parent == 1) parent = idForOne;
        if (parent == 0) parent = 1;
        row.id = uint32_t(id);
        row.parent = uint32_t(parent);
        return true;
    });
}

}  // namespace

namespace {

void StorePrivateContacts(BookWriter& w, const CJsonValue& addresses, int serverType, int idForOne,
                          uint32_t& latestUpdate) {
    if (!w.Exec(u"DELETE FROM contact_self;")) return;
    static const StatementText insert(kSelfContactInsert);
    std::u16string statement;
    std::vector<int> groups;
    size_t rows = 0;
    for (const CJsonValue& shared : addresses.Members()) {
        if (shared.Type() != CJsonValue::kObject) continue;
        CJsonValue contact = shared;
        ContactTexts texts;
        groups.clear();
        for (const CJsonValue& m : contact.Members()) {
            if (texts.Take(m)) continue;
            std::u16string_view key = m.Name();
            if (key == u"groupIds") {
                for (const CJsonValue& g : m.Members()) groups.push_back(g.AsInt());
            } else if (key == u"dep") {
                if (serverType == 1) groups.push_back(m.AsInt());
            } else if (key == u"updatetime") {
                uint32_t t = uint32_t(m.AsInt());
                if (t > latestUpdate) latestUpdate = t;
            }
        }
        if (groups.empty()) groups.push_back(0);
        std::u16string_view values[2 + kTextColumnCount];
        NumberText call(0);
        values[1] = call.View();
        texts.Columns(values + 2);
        for (int g : groups) {
            if (g == 1) g = idForOne;
            if (g == 0) g = 1;
            NumberText cg{uint32_t(g)};
            values[0] = cg.View();
            insert.Fill(values, statement);
            if (!w.Exec(statement)) return;
            CountRow(kSelfContactTable, rows);
        }
    }
}

}  // namespace

void SetStoreRowHook(StoreRowHook hook) { g_rowHook.store(hook); }

int32_t LeadingNumber(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return int32_t(value);
}

uint32_t LeadingUnsigned(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    if (i < text.size() && text[i] == u'+') ++i;
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + uint64_t(text[i] - u'0');
        if (value > UINT32_MAX) return UINT32_MAX;
    }
    return uint32_t(value);
}

uint32_t SharedGroupId(const CJsonValue& value, int serverType) {
    if (serverType != 1) return uint32_t(value.AsInt());
    std::u16string text = value.AsString();
    if (!text.empty() && text.front() == u'l')
        return kSecondIdSpace + uint32_t(LeadingNumber(std::u16string_view(text).substr(1)));
    return uint32_t(LeadingNumber(text));
}

int PrivateGroupIdForOne(const CJsonValue& data) {
    bool hasOne = false;
    int64_t largest = 1;
    for (const CJsonValue& member : data.Members()) {
        if (!IsArrayMember(member, u"groups")) continue;
        CJsonValue groups = member;
        for (const CJsonValue& shared : groups.Members()) {
            if (shared.Type() != CJsonValue::kObject) continue;
            CJsonValue group = shared;
            for (const CJsonValue& m : group.Members()) {
                if (m.Name() != u"group_id") continue;
                int id = m.AsInt();
                if (id == 1) hasOne = true;
                if (id != int(kSecondIdSpace) && id > largest) largest = id;
            }
        }
    }
    if (!hasOne) return 1;
    int64_t free = largest + 1;
    if (free == kSecondIdSpace) ++free;
    // No id is left above the others: group 1 meets the root and is not stored.
    return free > INT32_MAX ? 1 : int(free);
}

void StoreShareBook(const CJsonValue& data, const std::u16string& path, int serverType) {
    if (data.Type() != CJsonValue::kObject) return;
    CSqlite db;
    if (db.Open(path) != 0) return;
    // An old file without sortid gets it now: the repair closes and reopens the
    // store, which inside the transaction would end it.
    if (db.Query(u"SELECT sortid FROM contact_share WHERE 0;") == 0) db.Finalize();
    BookWriter w(db);
    if (db.IsOpen() && w.Begin()) {
        for (const CJsonValue& member : data.Members()) {
            if (IsArrayMember(member, u"groups"))
                StoreShareGroups(w, member, serverType);
            else if (IsArrayMember(member, u"addresses"))
                StoreShareContacts(w, member, serverType);
            if (w.Broken()) break;
        }
        w.End();
    }
    db.Close();
}

void StorePersonalBook(const CJsonValue& data, const std::u16string& path, int serverType) {
    if (data.Type() != CJsonValue::kObject) return;
    CSqlite db;
    if (db.Open(path) != 0) return;
    const int idForOne = PrivateGroupIdForOne(data);
    uint32_t latestUpdate = 0;
    BookWriter w(db);
    if (w.Begin()) {
        for (const CJsonValue& member : data.Members()) {
            if (IsArrayMember(member, u"groups"))
                StorePrivateGroups(w, member, idForOne);
            else if (IsArrayMember(member, u"addresses"))
                StorePrivateContacts(w, member, serverType, idForOne, latestUpdate);
            if (w.Broken()) break;
        }
        if (!w.Broken() && latestUpdate != 0)
            w.Exec(plat::Format(u"UPDATE web_sync SET vl='%lu' WHERE nm='personaltime';",
                                latestUpdate));
        w.End();
    }
    db.Close();
}
