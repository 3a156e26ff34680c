// A fresh folder below the temporary folder for one test, removed afterwards.
#pragma once

#include <string>

#include "platform/File.h"
#include "platform/Path.h"

namespace qntest {

class TempDir {
public:
    TempDir() : m_path(plat::MakeTempFolder(u"qnplat-")) {}
    ~TempDir() { plat::DeleteTree(m_path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::u16string& Path() const { return m_path; }
    std::u16string Join(std::u16string_view rel) const { return plat::JoinPath(m_path, rel); }

private:
    std::u16string m_path;
};

}  // namespace qntest
