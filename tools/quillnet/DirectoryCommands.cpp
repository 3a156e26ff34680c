// The address book's group trees and contact lists from the command line, read
// by the same directory the address book window uses: the trees as it shows
// them, a group's list in its row order with the four columns, the letter
// filter and the search with its result count.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "monitor/ContactDirectory.h"
#include "platform/File.h"
#include "platform/Format.h"
#include "platform/Text.h"
#include "tools/quillnet/Command.h"

namespace {

const char kGroupsUsage[] = "groups ACCOUNT";
const char kListUsage[] = "list ACCOUNT GROUP-ID [--shared]";
const char kLetterUsage[] = "letter ACCOUNT GROUP-ID LETTER|other|all [--shared]";
const char kSearchUsage[] = "search ACCOUNT TEXT [--mode 0|1|2] [--group GROUP-ID [--shared]]";

int UsageError(const char* usage) {
    std::fprintf(stderr, "usage: quillnet %s\n", usage);
    return 2;
}

// Columns a character takes on a terminal: two for the wide East Asian ones.
int CharWidth(char16_t c) {
    if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
        (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
        (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
        (c >= 0xFFE0 && c <= 0xFFE6))
        return 2;
    return 1;
}

int TextWidth(std::u16string_view text) {
    int width = 0;
    for (char16_t c : text) width += CharWidth(c);
    return width;
}

// Cut to `width` columns, with "…" when something was left out.
std::u16string Fit(const std::u16string& text, int width) {
    if (TextWidth(text) <= width) return text;
    std::u16string out;
    int used = 0;
    for (char16_t c : text) {
        if (used + CharWidth(c) > width - 1) break;
        out += c;
        used += CharWidth(c);
    }
    return out + u"…";
}

std::u16string Pad(const std::u16string& text, int width) {
    return text + std::u16string(size_t(std::max(0, width - TextWidth(text))), u' ');
}

// The contact list as the window's four columns, widths fitted to the rows.
void PrintRows(const std::vector<ContactRow>& rows) {
    const std::u16string headers[4] = {u"姓名", u"电子邮件地址", u"部门", u"公司"};
    const int limits[4] = {20, 40, 24, 30};
    int widths[4];
    for (int k = 0; k < 4; ++k) widths[k] = TextWidth(headers[k]);
    auto cells = [](const ContactRow& r) {
        return std::vector<const std::u16string*>{&r.record->name, &r.record->email, r.department,
                                                  r.company};
    };
    for (const ContactRow& r : rows) {
        auto c = cells(r);
        for (int k = 0; k < 4; ++k)
            widths[k] = std::max(widths[k], std::min(limits[k], TextWidth(*c[size_t(k)])));
    }
    auto line = [&](const std::u16string* const* texts) {
        std::u16string out;
        for (int k = 0; k < 4; ++k) {
            std::u16string cell = Fit(*texts[k], widths[k]);
            out += k == 3 ? cell : Pad(cell, widths[k] + 2);
        }
        quillnet::PrintLine(out);
    };
    const std::u16string* head[4] = {&headers[0], &headers[1], &headers[2], &headers[3]};
    line(head);
    for (const ContactRow& r : rows) line(cells(r).data());
}

struct Options {
    std::vector<std::string> positional;
    bool shared = false;
    int mode = kSearchAll;
    bool hasGroup = false;
    int group = 0;
    bool ok = true;
};

Options ParseOptions(const quillnet::Args& args, bool search) {
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--shared") {
            o.shared = true;
        } else if (search && a == "--mode" && i + 1 < args.size()) {
            o.mode = std::atoi(args[++i].c_str());
            if (o.mode < kSearchAll || o.mode > kSearchAddress) o.ok = false;
        } else if (search && a == "--group" && i + 1 < args.size()) {
            o.hasGroup = true;
            o.group = std::atoi(args[++i].c_str());
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            o.ok = false;
        } else {
            o.positional.push_back(a);
        }
    }
    return o;
}

// The directory of an account that has signed in here; null, with a message,
// for one that has no address book.
bool OpenDirectory(const std::string& account, std::unique_ptr<CContactDirectory>& dir) {
    std::u16string path = AddressDbPathOf(quillnet::Wide(account));
    if (!plat::FileExists(path)) {
        std::fprintf(stderr, "quillnet: %s has no address book here (sign in first)\n",
                     account.c_str());
        return false;
    }
    dir = std::make_unique<CContactDirectory>(path);
    dir->LoadGroupTrees();
    return true;
}

int SelectGroup(CContactDirectory& dir, int id, bool shared) {
    int node = dir.FindNode(id, shared);
    if (node < 0) {
        std::fprintf(stderr, "quillnet: no %s group %d in the tree\n",
                     shared ? "shared" : "private", id);
        return 1;
    }
    dir.SelectNode(node);
    return 0;
}

void PrintTree(const GroupTrees& trees, int node, int level, int selected) {
    const GroupNode& n = trees.nodes[size_t(node)];
    const char16_t* mark = n.children.empty() ? u"  " : n.expanded ? u"- " : u"+ ";
    std::u16string line = std::u16string(size_t(level) * 2, u' ') + mark + n.record.name +
                          plat::Format(u"  [%d]", n.record.id);
    if (n.company) line += u"  (company)";
    if (node == selected) line += u"  *";
    quillnet::PrintLine(line);
    for (int child : n.children) PrintTree(trees, child, level + 1, selected);
}

int Groups(const quillnet::Args& args) {
    if (args.size() != 1) return UsageError(kGroupsUsage);
    std::unique_ptr<CContactDirectory> dir;
    if (!OpenDirectory(args[0], dir)) return 1;
    const GroupTrees& trees = dir->Trees();
    for (int top : trees.topLevel) PrintTree(trees, top, 0, dir->SelectedNode());
    size_t shared = 0;
    for (const GroupNode& n : trees.nodes) shared += n.record.shared ? 1 : 0;
    quillnet::PrintLine(
        plat::Format(u"%u private and %u shared groups; [id] for list and search, "
                     u"* the group the address book opens on",
                     trees.nodes.size() - shared, shared));
    return 0;
}

// A group's list, narrowed by a letter when one is given.
int ShowGroup(const Options& o, const std::u16string* letter) {
    std::unique_ptr<CContactDirectory> dir;
    if (!OpenDirectory(o.positional[0], dir)) return 1;
    if (SelectGroup(*dir, std::atoi(o.positional[1].c_str()), o.shared) != 0) return 1;
    if (letter) dir->FilterByLetter(*letter);
    PrintRows(dir->Rows());
    quillnet::PrintLine(plat::Format(u"%u contacts", dir->Rows().size()));
    return 0;
}

int List(const quillnet::Args& args) {
    Options o = ParseOptions(args, false);
    if (!o.ok || o.positional.size() != 2) return UsageError(kListUsage);
    return ShowGroup(o, nullptr);
}

int Letter(const quillnet::Args& args) {
    Options o = ParseOptions(args, false);
    if (!o.ok || o.positional.size() != 3) return UsageError(kLetterUsage);
    std::u16string letter = plat::ToUpper(quillnet::Wide(o.positional[2]));
    if (letter == u"ALL") letter.clear();
    if (letter == u"OTHER") letter = kLetterOther;
    if (!(letter.empty() || letter == kLetterOther ||
          (letter.size() == 1 && letter[0] >= u'A' && letter[0] <= u'Z')))
        return UsageError(kLetterUsage);
    return ShowGroup(o, &letter);
}

int Search(const quillnet::Args& args) {
    Options o = ParseOptions(args, true);
    if (!o.ok || o.positional.size() != 2) return UsageError(kSearchUsage);
    std::unique_ptr<CContactDirectory> dir;
    if (!OpenDirectory(o.positional[0], dir)) return 1;
    if (o.hasGroup && SelectGroup(*dir, o.group, o.shared) != 0) return 1;
    if (dir->SelectedNode() < 0)
        quillnet::PrintLine(u"no group is selected: the search has nowhere to look");
    int found = dir->OnEnChangeEditSearch(quillnet::Wide(o.positional[1]), true, o.mode);
    if (found < 0) found = 0;
    PrintRows(dir->Rows());
    quillnet::PrintLine(plat::Format(u"搜索到联系人 %d 个！", found));
    return 0;
}

}  // namespace

QN_COMMAND("groups", kGroupsUsage, Groups);
QN_COMMAND("list", kListUsage, List);
QN_COMMAND("letter", kLetterUsage, Letter);
QN_COMMAND("search", kSearchUsage, Search);
