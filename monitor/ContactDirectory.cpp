#include "monitor/ContactDirectory.h"

#include <algorithm>
#include <atomic>

#include "monitor/Common/AddressDbLock.h"
#include "monitor/Common/Log.h"
#include "monitor/Common/Pinyin.h"
#include "monitor/Common/Sqlite.h"
#include "platform/Format.h"
#include "platform/Path.h"

const char16_t kLetterOther[] = u"other";

namespace {

const char16_t kPrivateRootName[] = u"私有通讯录";
const char16_t kSharedRootName[] = u"公司共享通讯录";
const char16_t kOrderByName[] = u"name asc";

const char16_t kSharedGroupContacts[] =
    u"select id,name,email,mobile,sortid from contact_share where cg_id=%d order by %s";
const char16_t kPrivateGroupContacts[] =
    u"select id,name,email,mobile from contact_self where cg_id=%d order by %s";

struct SearchStatements {
    const char16_t* privateBook;
    const char16_t* sharedBook;
};
const SearchStatements kSearchStatements[] = {
    {u"select cg_id,id,name,email,mobile from contact_self where (email like '%%%s%%' ESCAPE "
     u"'/' or name like '%%%s%%' ESCAPE '/') order by %s",
     u"select cg_id,id,name,email,mobile,sortid from contact_share where (email like '%%%s%%' "
     u"ESCAPE '/' or name like '%%%s%%' ESCAPE '/') order by %s"},
    {u"select cg_id,id,name,email,mobile from contact_self where name like '%%%s%%' ESCAPE '/' "
     u"order by %s",
     u"select cg_id,id,name,email,mobile,sortid from contact_share where name like '%%%s%%' "
     u"ESCAPE '/' order by %s"},
    {u"select cg_id,id,name,email,mobile from contact_self where email like '%%%s%%' ESCAPE '/' "
     u"order by %s",
     u"select cg_id,id,name,email,mobile,sortid from contact_share where email like '%%%s%%' "
     u"ESCAPE '/' order by %s"},
};

// After Open or Query failed; a store that closed itself has no text left.
void LogStoreError(CSqlite& db) {
    if (const char16_t* text = db.ErrorText()) WRITE_LOGF(u"%s\r\n", text);
}

void ReadGroups(CSqlite& db, const char16_t* query, bool shared, const std::u16string& dbPath,
                const char16_t* rootName, std::vector<GroupRecord>& groups,
                std::unordered_map<int, std::u16string>& names) {
    if (db.Query(query) != 0) {
        LogStoreError(db);
        return;
    }
    while (db.Step() == 0) {
        GroupRecord g;
        g.parentId = db.GetInt(u"parent_id");
        g.id = db.GetInt(u"id");
        g.depth = db.GetInt(u"depth");
        g.shared = shared;
        g.dbPath = dbPath;
        g.name = db.GetText(u"name");
        names[g.id] = g.name == rootName ? std::u16string() : g.name;
        groups.push_back(std::move(g));
    }
    db.Finalize();
}

// The columns of a list statement, looked up once per statement.
struct ContactColumns {
    explicit ContactColumns(const CSqlite& db)
        : id(db.ColumnIndexOf(u"id")),
          group(db.ColumnIndexOf(u"cg_id")),
          name(db.ColumnIndexOf(u"name")),
          email(db.ColumnIndexOf(u"email")),
          mobile(db.ColumnIndexOf(u"mobile")),
          sortid(db.ColumnIndexOf(u"sortid")) {}
    int id, group, name, email, mobile, sortid;
};

// One contact row of any of the list statements; the group is the column's
// when the statement has one, else the caller's.
ContactRecord ReadContact(CSqlite& db, const ContactColumns& k, bool shared, int group,
                          const SharedPath& dbPath) {
    ContactRecord c;
    c.id = db.GetIntAt(k.id);
    c.groupId = k.group >= 0 ? db.GetIntAt(k.group) : group;
    c.shared = shared;
    if (shared) c.sortId = db.GetIntAt(k.sortid);
    c.email = db.GetTextAt(k.email);
    c.name = db.GetTextAt(k.name);
    c.mobile = db.GetTextAt(k.mobile);
    c.dbPath = dbPath;
    return c;
}

}  // namespace

const std::u16string& SharedPath::Text() const {
    static const std::u16string none;
    return m_path ? *m_path : none;
}

std::u16string EscapeSearchText(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
            case u'\'':
                out += u"''";
                break;
            case u'/':
            case u'%':
            case u'_':
                out += u'/';
                out += c;
                break;
            default:
                out += c;
        }
    }
    return out;
}

namespace {

size_t FirstAddressLength(std::u16string_view email) {
    size_t semicolon = email.find(u';');
    return semicolon == std::u16string_view::npos || semicolon == 0 ? email.size() : semicolon;
}

}  // namespace

std::u16string FirstAddress(const std::u16string& email) {
    return email.substr(0, FirstAddressLength(email));
}

namespace {

// Per UTF-16 unit: 0 not yet known, kDropped for no initial, else the initial
// plus one. Every character stands alone in the pinyin walk (the code page has
// no shift states, each character's bytes are taken or dropped together), so
// a name's initials are those of its characters in turn.
constexpr uint16_t kDropped = 0x100;
std::atomic<uint16_t> g_initials[0x10000];

// False when a character gives more than one unit of initials: the caller
// then takes the slow way for the whole text.
bool AppendInitial(char16_t c, std::u16string& out) {
    uint16_t known = g_initials[c].load(std::memory_order_relaxed);
    if (known == 0) {
        std::u16string initial = PinyinInitials(std::u16string_view(&c, 1));
        if (initial.size() > 1 || (initial.size() == 1 && initial[0] >= 0xFF)) return false;
        known = initial.empty() ? kDropped : uint16_t(initial[0] + 1);
        g_initials[c].store(known, std::memory_order_relaxed);
    }
    if (known != kDropped) out += char16_t(known - 1);
    return true;
}

std::u16string Initials(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text)
        if (!AppendInitial(c, out)) return PinyinInitials(text);
    return out;
}

}  // namespace

std::u16string SortKeyOf(std::u16string_view name) {
    std::u16string key = Initials(name);
    return key.empty() ? std::u16string(name) : key;
}

std::u16string FirstLetterOf(std::u16string_view name) {
    if (name.empty()) return {};
    const char16_t c = name.front();
    if (c >= u'a' && c <= u'z') return std::u16string(1, char16_t(c - u'a' + u'A'));
    if (c >= u'A' && c <= u'Z') return std::u16string(1, c);
    return Initials(name.substr(0, 1));
}

std::u16string AddressDbPathOf(std::u16string_view account) {
    return plat::JoinPath({plat::ProgramFolder(), u"account", account, u"Address.db"});
}

int CContactDirectory::FindNode(int groupId, bool shared) const {
    for (size_t i = 0; i < m_trees.nodes.size(); ++i) {
        const GroupRecord& r = m_trees.nodes[i].record;
        if (r.id == groupId && r.shared == shared) return int(i);
    }
    return -1;
}

namespace {

// Inserts one book's groups, shallowest first (id order within a depth), each
// as the last child of its parent's node. A group whose parent has no node is
// left out, and with it everything below it. Returns the book's top node: the
// last top-level group.
int InsertGroups(GroupTrees& trees, std::vector<GroupRecord>& groups, bool shared) {
    std::vector<GroupRecord*> order;
    order.reserve(groups.size());
    // Depths are counted from 0; a negative one is never reached.
    for (GroupRecord& g : groups)
        if (g.depth >= 0) order.push_back(&g);
    std::stable_sort(order.begin(), order.end(), [](const GroupRecord* a, const GroupRecord* b) {
        return a->depth < b->depth;
    });

    // The first group of the sequence with an id, and its node once it has one.
    std::unordered_map<int, size_t> firstById;
    firstById.reserve(order.size());
    for (size_t i = 0; i < order.size(); ++i) firstById.emplace(order[i]->id, i);
    std::vector<int> nodeOf(order.size(), -1);
    // Per node of this book: the nearest named company node at or above it, so
    // that the walk up from a parent is one look-up.
    const int base = int(trees.nodes.size());
    std::vector<int> companyOf;

    int top = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        GroupRecord& g = *order[i];
        int parentNode = -1;
        if (g.parentId != 0) {
            auto found = firstById.find(g.parentId);
            if (found == firstById.end() || nodeOf[found->second] < 0) continue;
            parentNode = nodeOf[found->second];
        }
        const int node = int(trees.nodes.size());
        g.node = node;
        nodeOf[i] = node;
        GroupNode n;
        n.record = g;
        n.parent = parentNode;
        if (parentNode < 0) {
            n.image = 2;
            top = node;
            trees.topLevel.push_back(node);
        } else {
            n.image = 3;
            trees.nodes[size_t(parentNode)].children.push_back(node);
            n.company = shared && parentNode == top;
        }
        if (shared) {
            const int above = parentNode < 0 ? -1 : companyOf[size_t(parentNode - base)];
            if (above >= 0) trees.companies[g.id] = trees.nodes[size_t(above)].record.name;
            companyOf.push_back(n.company && !g.name.empty() ? node : above);
        }
        trees.nodes.push_back(std::move(n));
    }
    return top;
}

void ExpandTopLevel(GroupTrees& trees, int firstNode) {
    for (int node : trees.topLevel)
        if (node >= firstNode) trees.nodes[size_t(node)].expanded = true;
}

}  // namespace

void CContactDirectory::LoadGroupTrees() {
    ClearList();  // rows point into the maps
    m_trees = GroupTrees();
    m_selected = -1;
    std::vector<GroupRecord> privateGroups, sharedGroups;
    {
        AddressDbLock lock;
        CSqlite db;
        if (db.Open(m_dbPath) != 0) {
            LogStoreError(db);
        } else {
            ReadGroups(db, u"select * from contact_group_self order by id asc;", false, m_dbPath,
                       kPrivateRootName, privateGroups, m_trees.privateNames);
            ReadGroups(db, u"select * from contact_group_share order by id asc;", true, m_dbPath,
                       kSharedRootName, sharedGroups, m_trees.sharedNames);
        }
        db.Close();
    }
    m_trees.privateTop = InsertGroups(m_trees, privateGroups, false);
    ExpandTopLevel(m_trees, 0);
    m_selected = m_trees.privateTop;
    const int firstShared = int(m_trees.nodes.size());
    m_trees.sharedTop = InsertGroups(m_trees, sharedGroups, true);
    ExpandTopLevel(m_trees, firstShared);
}

void CContactDirectory::SelectNode(int node) {
    m_selected = node >= 0 && size_t(node) < m_trees.nodes.size() ? node : -1;
    AddCardtoList();
}

void CContactDirectory::ClearList() {
    m_rows.clear();
    m_contacts.clear();
    m_sorted.clear();
}

void CContactDirectory::ReadGroupContacts(const GroupRecord& group,
                                          std::vector<ContactRecord>& out) const {
    std::u16string query = plat::Format(group.shared ? kSharedGroupContacts : kPrivateGroupContacts,
                                        group.id, kOrderByName);
    AddressDbLock lock;
    CSqlite db;
    if (db.Open(group.dbPath) != 0) {
        LogStoreError(db);
        return;
    }
    if (db.Query(query) != 0) {
        LogStoreError(db);
    } else {
        const ContactColumns columns(db);
        const SharedPath path(group.dbPath);
        while (db.Step() == 0)
            out.push_back(ReadContact(db, columns, group.shared, group.id, path));
        db.Finalize();
    }
    db.Close();
}

void CContactDirectory::AddCardtoList() {
    ClearList();
    if (m_selected < 0) return;
    ReadGroupContacts(m_trees.nodes[size_t(m_selected)].record, m_contacts);
    Present();
    if (!m_letter.empty() && !m_searchUserText) FilterByLetter(m_letter);
}

// The list reads from top to bottom in ascending sort id and, within one,
// ascending key: the reverse of the sorted sequence, which is descending. The
// rows are made in their final order at once rather than each put on top.
// Contacts alike in both keep their statement order (by name) in the list.
void CContactDirectory::Present() {
    m_sorted.reserve(m_contacts.size());
    for (size_t i = m_contacts.size(); i-- > 0;)
        m_sorted.push_back({i, SortKeyOf(m_contacts[i].name)});
    std::stable_sort(m_sorted.begin(), m_sorted.end(),
                     [this](const SortedEntry& a, const SortedEntry& b) {
                         int sa = m_contacts[a.contact].sortId, sb = m_contacts[b.contact].sortId;
                         if (sa != sb) return sa > sb;
                         return a.key > b.key;
                     });
    m_rows.reserve(m_sorted.size());
    for (auto e = m_sorted.rbegin(); e != m_sorted.rend(); ++e) m_rows.push_back(MakeRow(*e));
}

namespace {

const std::u16string kNoText;

}  // namespace

// The department comes from the contact's own book: group ids of the two books
// overlap, so a private contact must not be shown in a shared department.
ContactRow CContactDirectory::MakeRow(const SortedEntry& entry) {
    ContactRecord& c = m_contacts[entry.contact];
    c.email.resize(FirstAddressLength(c.email));
    ContactRow row{&c, &kNoText, &kNoText};
    const auto& names = c.shared ? m_trees.sharedNames : m_trees.privateNames;
    if (auto n = names.find(c.groupId); n != names.end()) row.department = &n->second;
    if (c.shared) {
        if (auto k = m_trees.companies.find(c.groupId); k != m_trees.companies.end())
            row.company = &k->second;
    }
    return row;
}

void CContactDirectory::FilterByLetter(std::u16string_view letter) {
    m_letter = letter;
    std::vector<size_t> matches, others;
    if (!letter.empty()) {
        for (size_t i = m_sorted.size(); i-- > 0;) {
            std::u16string key = FirstLetterOf(m_contacts[m_sorted[i].contact].name);
            if (key == letter)
                matches.push_back(i);
            else if (key < u"A" || key > u"Z")
                others.push_back(i);
        }
    }
    m_rows.clear();
    // Each collected entry went on top of the list, so the list shows the
    // collection backwards.
    auto fill = [this](const std::vector<size_t>& picked) {
        m_rows.reserve(picked.size());
        for (auto i = picked.rbegin(); i != picked.rend(); ++i)
            m_rows.push_back(MakeRow(m_sorted[*i]));
    };
    if (letter.empty()) {
        m_rows.reserve(m_sorted.size());
        for (auto e = m_sorted.rbegin(); e != m_sorted.rend(); ++e) m_rows.push_back(MakeRow(*e));
    } else if (letter == kLetterOther) {
        fill(others);
    } else {
        fill(matches);
    }
}

int CContactDirectory::OnEnChangeEditSearch(std::u16string_view text, bool userText, int mode) {
    m_searchUserText = userText;
    if (text.empty() || !userText) {
        m_found = 0;
        if (m_showsSearch) {
            WRITE_LOG(u"OnEnChangeEditSearch AddCardtoList \r\n");
            AddCardtoList();
            m_showsSearch = false;
        }
        return -1;
    }
    const std::u16string escaped = EscapeSearchText(text);
    ClearList();
    m_found = 0;
    if (m_selected < 0) return 0;
    if (mode < kSearchAll || mode > kSearchAddress) mode = kSearchAll;
    const SearchStatements& s = kSearchStatements[mode];
    // Mode 0 names the text twice, the others once; a surplus argument is unused.
    std::u16string privateQuery = mode == kSearchAll
                                      ? plat::Format(s.privateBook, escaped, escaped, kOrderByName)
                                      : plat::Format(s.privateBook, escaped, kOrderByName);
    std::u16string sharedQuery = mode == kSearchAll
                                     ? plat::Format(s.sharedBook, escaped, escaped, kOrderByName)
                                     : plat::Format(s.sharedBook, escaped, kOrderByName);
    const std::u16string& dbPath = m_trees.nodes[size_t(m_selected)].record.dbPath;
    const SharedPath path(dbPath);
    {
        AddressDbLock lock;
        CSqlite db;
        if (db.Open(dbPath) != 0) {
            LogStoreError(db);
        } else {
            for (bool shared : {false, true}) {
                if (db.Query(shared ? sharedQuery : privateQuery) != 0) {
                    LogStoreError(db);
                    continue;
                }
                const ContactColumns columns(db);
                while (db.Step() == 0)
                    m_contacts.push_back(ReadContact(db, columns, shared, 0, path));
                db.Finalize();
            }
        }
        db.Close();
    }
    Present();
    m_found = int(m_contacts.size());
    m_showsSearch = true;
    return m_found;
}

void CContactDirectory::OnBnClickedBtnClearSearchKey(bool hasFocus) {
    // Without the focus the box shows its placeholder again.
    m_searchUserText = hasFocus;
    m_found = 0;
    WRITE_LOG(u"OnBnClickedBtnClearSearchKey AddCardtoList \r\n");
    AddCardtoList();
    m_showsSearch = false;
}

void CContactDirectory::LoadGroupMembers(int node, std::vector<ContactRecord>& sequence) const {
    // Depth first in tree order without recursion: a deep tree must not
    // exhaust the stack.
    std::vector<int> pending{node};
    while (!pending.empty()) {
        int n = pending.back();
        pending.pop_back();
        if (n < 0 || size_t(n) >= m_trees.nodes.size()) continue;
        const GroupNode& g = m_trees.nodes[size_t(n)];
        ReadGroupContacts(g.record, sequence);
        pending.insert(pending.end(), g.children.rbegin(), g.children.rend());
    }
}
