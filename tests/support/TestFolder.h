// A fresh program folder for one test: made below the temporary folder, named
// as the program folder, with the monitor's log open in it; removed afterwards.
#pragma once

#include <string>

#include "monitor/Common/Log.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace qntest {

class TestFolder {
public:
    explicit TestFolder(bool openLog = true) {
        m_path = plat::MakeTempFolder(u"qntest-");
        plat::SetProgramFolder(m_path);
        if (openLog) OpenLog();
    }
    ~TestFolder() {
        CloseLog();
        plat::DeleteTree(m_path);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::u16string& Path() const { return m_path; }
    std::u16string Join(std::u16string_view rel) const { return plat::JoinPath(m_path, rel); }

    // The log's entries so far, without the byte-order mark.
    std::u16string Log() const {
        std::string bytes;
        plat::ReadFile(Join(u"ABMonitor_log.txt"), bytes);
        std::u16string text(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
        if (!text.empty() && text.front() == u'\uFEFF') text.erase(0, 1);
        return text;
    }
    std::string LogUtf8() const { return plat::Utf16ToUtf8(Log()); }

private:
    std::u16string m_path;
};

}  // namespace qntest
