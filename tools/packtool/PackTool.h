// Builds a skin pack from a folder: every file of the folder, sorted by name, goes
// into the data file one after another, and the index ini gets one section per
// file with its "start" and "offset" (byte count).
//
// The data file begins with one padding byte, so the first member starts at byte
// 1: a section without "start" is read from byte 1, and with the padding that
// rule and the written figures never disagree.
//
// Kept in a header so the tests pack with the very code the tool runs.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/File.h"
#include "platform/Format.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace packtool {

struct PackResult {
    bool ok = false;
    std::u16string error;  // what went wrong, for the user
    size_t members = 0;
};

// Names an ini section cannot hold without being misread.
inline bool UsableSectionName(std::u16string_view name) {
    if (name.empty() || plat::Trim(name).size() != name.size()) return false;
    return name.find_first_of(u"[]\r\n") == std::u16string_view::npos;
}

inline PackResult PackFolder(std::u16string_view folder, std::u16string_view dataPath,
                             std::u16string_view indexPath) {
    PackResult r;
    if (!plat::DirectoryExists(folder)) {
        r.error = plat::Format(u"not a folder: %s", folder);
        return r;
    }
    std::vector<std::u16string> names;
    for (auto& name : plat::ListDirectory(folder))
        if (plat::FileExists(plat::JoinPath(folder, name))) names.push_back(name);
    std::sort(names.begin(), names.end());

    std::string data(1, '\0');  // the padding byte
    std::string index;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::u16string& name = names[i];
        if (!UsableSectionName(name)) {
            r.error = plat::Format(u"name cannot be an index section: %s", name);
            return r;
        }
        // The index compares names without regard to case: two such files would
        // read as one.
        if (i > 0 && std::any_of(names.begin(), names.begin() + long(i),
                                 [&](const auto& n) { return plat::EqualsNoCase(n, name); })) {
            r.error = plat::Format(u"names differ only in case: %s", name);
            return r;
        }
        std::string bytes;
        if (!plat::ReadFile(plat::JoinPath(folder, name), bytes)) {
            r.error = plat::Format(u"cannot read: %s", name);
            return r;
        }
        // A length of 0 means "not in the pack" to the reader.
        if (bytes.empty()) {
            r.error = plat::Format(u"empty file cannot be a member: %s", name);
            return r;
        }
        // The reader takes both figures as int.
        if (data.size() + bytes.size() > 0x7FFFFFFFu) {
            r.error = u"pack would exceed 2 GiB";
            return r;
        }
        index += plat::Utf16ToUtf8(plat::Format(u"[%s]\r\nstart=%lu\r\noffset=%lu\r\n\r\n", name,
                                                data.size(), bytes.size()));
        data += bytes;
    }
    if (!plat::WriteFile(dataPath, data)) {
        r.error = plat::Format(u"cannot write: %s", dataPath);
        return r;
    }
    if (!plat::WriteFile(indexPath, index)) {
        r.error = plat::Format(u"cannot write: %s", indexPath);
        return r;
    }
    r.ok = true;
    r.members = names.size();
    return r;
}

// The command line: qn-pack FOLDER DATAFILE INDEXFILE. 0 on success, 1 when the
// pack cannot be built, 2 for wrong usage.
inline int PackToolMain(int argc, const char* const* argv) {
    if (argc != 4) {
        std::fputs("usage: qn-pack FOLDER DATAFILE INDEXFILE\n", stderr);
        return 2;
    }
    PackResult r = PackFolder(plat::Utf8ToUtf16(argv[1]), plat::Utf8ToUtf16(argv[2]),
                              plat::Utf8ToUtf16(argv[3]));
    if (!r.ok) {
        std::fprintf(stderr, "qn-pack: %s\n", plat::Utf16ToUtf8(r.error).c_str());
        return 1;
    }
    std::printf("packed %zu files\n", r.members);
    return 0;
}

}  // namespace packtool
