#include "monitor/Common/SkinPack.h"

#include <atomic>

#include "monitor/Common/FileCook.h"
#include "monitor/Common/Log.h"
#include "platform/File.h"
#include "platform/Format.h"
#include "platform/Path.h"
#include "platform/Profile.h"

namespace {

std::u16string InProgramFolder(std::u16string_view relative) {
    return plat::JoinPath(plat::ProgramFolder(), relative);
}

// Counts the temporary icon files of this run.
std::atomic<int> g_tempIconCounter{0};

}  // namespace

std::u16string ImagePackDataPath() { return InProgramFolder(u"skin\\plugindata"); }
std::u16string ImagePackIndexPath() { return InProgramFolder(u"skin\\pluginindex.ini"); }
std::u16string IconPackDataPath() { return InProgramFolder(u"skin\\pluginicodata"); }
std::u16string IconPackIndexPath() { return InProgramFolder(u"skin\\pluginicoindex.ini"); }

bool FindPackMember(std::u16string_view name, std::u16string_view indexPath, int& start,
                    int& length) {
    length = plat::GetPrivateProfileInt(name, u"offset", 0, indexPath);
    start = plat::GetPrivateProfileInt(name, u"start", 1, indexPath);
    // A negative figure is a damaged index: nothing to read there either.
    return length > 0 && start >= 0;
}

bool ReadPackMember(std::u16string_view name, std::u16string_view indexPath,
                    std::u16string_view dataPath, std::string& bytes) {
    bytes.clear();
    int start = 0, length = 0;
    if (!FindPackMember(name, indexPath, start, length)) return false;

    CFileCook file(kDiskFullNotice);
    if (!file.Open(dataPath, plat::File::kRead)) {
        WRITE_LOGF(u"file open: %s %s\r\n", dataPath, LastErrorText());
        return false;
    }
    // A length past the end of the file is a short read; say so before
    // allocating what a damaged index asks for.
    int64_t fileLength = file.GetLength();
    if (fileLength < 0 || int64_t(start) + length > fileLength) return false;
    if (file.Seek(start, plat::File::kBegin) != start) return false;

    bytes.resize(size_t(length));
    size_t got = 0;
    while (got < bytes.size()) {
        uint32_t n = file.Read(bytes.data() + got, uint32_t(bytes.size() - got));
        if (n == 0) break;
        got += n;
    }
    if (got != bytes.size()) {
        bytes.clear();
        return false;
    }
    return true;
}

std::u16string WriteTempIconFile(std::string_view bytes) {
    int number = g_tempIconCounter.fetch_add(1);
    std::u16string path =
        plat::JoinPath({plat::ProgramFolder(), u"temp", plat::Format(u"quilltmp_%d.ico", number)});
    CFileCook file(kDiskFullNotice);
    if (!file.Open(path, plat::File::kWrite | plat::File::kCreate | plat::File::kTruncate)) {
        WRITE_LOGF(u"file open: %s %s\r\n", path, LastErrorText());
        return {};
    }
    file.Write(bytes.data(), uint32_t(bytes.size()));
    bool whole = file.GetLength() == int64_t(bytes.size());
    file.Close();
    // A cut-off icon file would only give a broken icon; leave nothing behind.
    if (!whole) {
        plat::DeleteFile(path);
        return {};
    }
    return path;
}
