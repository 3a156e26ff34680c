// The digests of the web requests from the command line: the MD5 of a text as
// the sync signs it (its UTF-8 bytes) and the pcode of a sign-in.
#include <cstdio>

#include "monitor/Common/Md5.h"
#include "tools/quillnet/Command.h"

namespace {

const char kMd5Usage[] = "md5 TEXT";
const char kPcodeUsage[] = "pcode ACCOUNT PASSWORD";

int UsageError(const char* usage) {
    std::fprintf(stderr, "usage: quillnet %s\n", usage);
    return 2;
}

int Md5(const quillnet::Args& args) {
    if (args.size() != 1) return UsageError(kMd5Usage);
    quillnet::PrintLine(Md5Hex(quillnet::Wide(args[0])));
    return 0;
}

int Pcode(const quillnet::Args& args) {
    if (args.size() != 2) return UsageError(kPcodeUsage);
    quillnet::PrintLine(MakePcode(quillnet::Wide(args[0]), quillnet::Wide(args[1])));
    return 0;
}

}  // namespace

QN_COMMAND("md5", kMd5Usage, Md5);
QN_COMMAND("pcode", kPcodeUsage, Pcode);
