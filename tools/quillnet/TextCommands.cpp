// The text helpers from the command line: pinyin initials, the letter key of the
// address book's letter filter, and the address check of the login window.
#include <cstdio>

#include "monitor/Common/MailAddress.h"
#include "monitor/Common/Pinyin.h"
#include "tools/quillnet/Command.h"

namespace {

int UsageError(const char* usage) {
    std::fprintf(stderr, "usage: quillnet %s\n", usage);
    return 2;
}

const char kInitialsUsage[] = "initials TEXT...";
const char kFirstLetterUsage[] = "first-letter TEXT";
const char kIsAddressUsage[] = "is-address TEXT";

int Initials(const quillnet::Args& args) {
    if (args.empty()) return UsageError(kInitialsUsage);
    for (const auto& text : args) quillnet::PrintLine(PinyinInitials(quillnet::Wide(text)));
    return 0;
}

int FirstLetter(const quillnet::Args& args) {
    if (args.size() != 1) return UsageError(kFirstLetterUsage);
    quillnet::PrintLine(FirstLetterKey(quillnet::Wide(args[0])));
    return 0;
}

// Exit status 0 for an address, 1 otherwise; "yes" or "no" for a reader.
int IsAddress(const quillnet::Args& args) {
    if (args.size() != 1) return UsageError(kIsAddressUsage);
    const bool address = IsMailAddress(quillnet::Wide(args[0]));
    std::puts(address ? "yes" : "no");
    return address ? 0 : 1;
}

}  // namespace

QN_COMMAND("initials", kInitialsUsage, Initials);
QN_COMMAND("first-letter", kFirstLetterUsage, FirstLetter);
QN_COMMAND("is-address", kIsAddressUsage, IsAddress);
