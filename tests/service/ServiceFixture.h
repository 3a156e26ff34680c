// A service in a temporary folder, with a simulated manager, user sessions,
// process table and event log in force, and its log read back as texts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/EventLog.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/ProcessTable.h"
#include "platform/ServiceControl.h"
#include "platform/Text.h"
#include "platform/UserSession.h"
#include "service/ABService.h"
#include "service/ServiceLog.h"

namespace qntest {

// The log's entries, each split into its prefix and its text.
struct LogEntry {
    std::string prefix;
    std::string text;
};

inline std::vector<LogEntry> ReadServiceLog(const std::u16string& path) {
    std::string bytes;
    plat::ReadFile(path, bytes);
    std::u16string log(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
    if (!log.empty() && log.front() == u'\uFEFF') log.erase(0, 1);
    std::vector<LogEntry> entries;
    // Every entry starts with "error "; texts end with "\r\n".
    size_t at = 0;
    while (at < log.size()) {
        size_t next = log.find(u"\r\nerror ", at);
        size_t end = next == std::u16string::npos ? log.size() : next + 2;
        std::string entry = plat::Utf16ToUtf8(log.substr(at, end - at));
        // The prefix ends at its fourth blank: "error", date, time, "file:line".
        size_t cut = 0;
        for (int blanks = 0; blanks < 4 && cut != std::string::npos; ++blanks)
            cut = entry.find(' ', cut + (blanks ? 1 : 0));
        cut = cut == std::string::npos ? entry.size() : cut + 1;
        entries.push_back({entry.substr(0, cut), entry.substr(cut)});
        at = end;
    }
    return entries;
}

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = plat::MakeTempFolder(u"qnsvc-");
        ASSERT_FALSE(m_folder.empty());
        OpenServiceLog(LogPath());
        plat::SetServiceControlManager(&scm);
        plat::SetUserSessions(&sessions);
        plat::SetProcessSource(&table);
        plat::SetEventLog(&events);
        service.SetFolder(m_folder);
        service.SetPause([](uint32_t) {});
    }
    void TearDown() override {
        plat::SetServiceControlManager(nullptr);
        plat::SetUserSessions(nullptr);
        plat::SetProcessSource(nullptr);
        plat::SetEventLog(nullptr);
        plat::DeleteTree(m_folder);
    }

    std::u16string LogPath() const { return plat::JoinPath(m_folder, u"ABService_log.txt"); }
    std::vector<std::string> LogTexts() const {
        std::vector<std::string> texts;
        for (const auto& e : ReadServiceLog(LogPath())) texts.push_back(e.text);
        return texts;
    }
    size_t LogCount(const std::string& text) const {
        auto texts = LogTexts();
        return size_t(std::count(texts.begin(), texts.end(), text));
    }
    std::u16string MonitorPath() const {
        return plat::JoinPath(m_folder,
                              u"QuillnetM-PluginMonitor" + std::u16string(plat::kExecutableSuffix));
    }

    std::u16string m_folder;
    plat::SimServiceManager scm;
    plat::SimUserSessions sessions;
    plat::SimProcessTable table;
    plat::SimEventLog events;
    CABService service;
};

}  // namespace qntest
