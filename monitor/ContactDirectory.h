// What the address book window reads from an account's Address.db: the two group
// trees, the contacts of a group in their presentation order, the letter filter,
// the search over both books and the whole contents of a group. The window owns
// one directory and shows what it holds; every read takes the database lock for
// its open-query-close only and releases it before anything is presented.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One node of a group tree.
struct GroupRecord {
    int node = -1;  // the tree node that shows the group; -1 until inserted
    int parentId = 0;
    int id = 0;
    int depth = 0;  // orders the insertion only
    bool shared = false;
    std::u16string dbPath;
    std::u16string name;
};

// The database path that every contact read from one file carries: shared,
// since a search may hold a hundred thousand of them, and read as a text.
class SharedPath {
public:
    SharedPath() = default;
    explicit SharedPath(std::u16string path)
        : m_path(std::make_shared<const std::u16string>(std::move(path))) {}
    const std::u16string& Text() const;
    operator const std::u16string&() const { return Text(); }

private:
    std::shared_ptr<const std::u16string> m_path;
};

// One contact as the window holds it.
struct ContactRecord {
    int id = -1;
    int groupId = -1;
    bool shared = false;
    int sortId = 0;
    std::u16string email;  // in the list: its first address only
    std::u16string name;
    std::u16string mobile;
    SharedPath dbPath;
};

// A contact of the sequence with its sort key.
struct SortedEntry {
    size_t contact;  // index in the contact sequence
    std::u16string key;
};

// The tree nodes in insertion order; a node's index is its handle.
struct GroupNode {
    GroupRecord record;  // the node's copy, with `node` set
    int parent = -1;     // -1 for a top-level node
    std::vector<int> children;
    int image = 3;  // 2 for top-level nodes
    bool expanded = false;
    bool company = false;  // directly below the shared top node
};

struct GroupTrees {
    std::vector<GroupNode> nodes;
    std::vector<int> topLevel;  // the private book's, then the shared book's
    int privateTop = -1;
    int sharedTop = -1;
    std::unordered_map<int, std::u16string> privateNames;
    std::unordered_map<int, std::u16string> sharedNames;
    // Shared group id to the name of its company (the ancestor directly below
    // the shared top node); company nodes and above have no entry.
    std::unordered_map<int, std::u16string> companies;
};

// A row of the contact list, top to bottom: its contact (name and email are
// the first two columns, the email cut to its first address) and the other two
// columns. Valid until the list is filled again.
struct ContactRow {
    const ContactRecord* record;
    const std::u16string* department;  // never null
    const std::u16string* company;     // never null
};

enum SearchMode { kSearchAll = 0, kSearchName = 1, kSearchAddress = 2 };

// The letter filter's argument for names that begin with no letter.
extern const char16_t kLetterOther[];  // "other"

// The search text for the LIKE patterns: quotes doubled, and "/", "%" and "_"
// escaped with "/", the statements' escape character, so that each matches
// itself.
std::u16string EscapeSearchText(std::u16string_view text);

// The text shown for an email: the part before the first ";" when that comes
// after the first character, else the whole text.
std::u16string FirstAddress(const std::u16string& email);

// The sort key of a name: its pinyin initials, or the name itself when they
// are empty. The same as PinyinInitials, by a table of each character's
// initial filled as characters are met, since a keystroke sorts every result.
std::u16string SortKeyOf(std::u16string_view name);
// FirstLetterKey by the same table.
std::u16string FirstLetterOf(std::u16string_view name);

// Program folder + account\ACCOUNT\Address.db.
std::u16string AddressDbPathOf(std::u16string_view account);

class CContactDirectory {
public:
    explicit CContactDirectory(std::u16string dbPath) : m_dbPath(std::move(dbPath)) {}

    // Rebuilds both trees and the three maps, expands the top-level nodes and
    // selects the private top node (none when there is no private top-level
    // group). The window then lists the selection (SelectNode).
    void LoadGroupTrees();
    const GroupTrees& Trees() const { return m_trees; }
    int SelectedNode() const { return m_selected; }
    // The node of a group, or -1.
    int FindNode(int groupId, bool shared) const;

    // The selection changed: the list shows the node's contacts.
    void SelectNode(int node);

    // Fills the list with the selected group's own contacts; the letter filter
    // applies when one is set and the search box holds no user text.
    void AddCardtoList();
    // "" (all), "A" to "Z", or kLetterOther; refills the list from the sorted
    // sequence and becomes the current filter.
    void FilterByLetter(std::u16string_view letter);
    const std::u16string& LetterFilter() const { return m_letter; }

    // One change of the search box. `userText` is false while it shows its
    // placeholder. Returns the number of contacts found, or -1 when the search
    // ended (empty text or placeholder) and the list went back to the group.
    int OnEnChangeEditSearch(std::u16string_view text, bool userText, int mode);
    // The clear-search button: the list shows the selected group again. With
    // the focus the box is only emptied; without it, it shows its placeholder.
    void OnBnClickedBtnClearSearchKey(bool hasFocus);
    bool ShowsSearchResults() const { return m_showsSearch; }
    int SearchResultCount() const { return m_found; }

    // Appends the node's own contacts (emails whole) and then, depth first in
    // tree order, those of every group below it.
    void LoadGroupMembers(int node, std::vector<ContactRecord>& sequence) const;

    const std::vector<ContactRow>& Rows() const { return m_rows; }
    // The contact sequence in statement order, and the sorted sequence.
    const std::vector<ContactRecord>& Contacts() const { return m_contacts; }
    const std::vector<SortedEntry>& Sorted() const { return m_sorted; }

private:
    void ClearList();
    void Present();
    ContactRow MakeRow(const SortedEntry& entry);
    void ReadGroupContacts(const GroupRecord& group, std::vector<ContactRecord>& out) const;

    std::u16string m_dbPath;
    GroupTrees m_trees;
    int m_selected = -1;
    std::u16string m_letter;
    bool m_searchUserText = false;
    bool m_showsSearch = false;
    int m_found = 0;
    std::vector<ContactRecord> m_contacts;
    std::vector<SortedEntry> m_sorted;
    std::vector<ContactRow> m_rows;
};
