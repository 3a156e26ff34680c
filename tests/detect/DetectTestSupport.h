// The detection tests' fixture: a program folder with the monitor log, the
// mail programs' desktop on a hand-driven clock, and fresh detection state.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "fixtures/MailPrograms.h"
#include "monitor/ComposeDetect.h"
#include "monitor/ProcessInfo.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "support/TestFolder.h"

namespace qntest {

// Keeps what the scan hands to the address buttons.
struct AttachRecorder : IButtonAttacher {
    std::vector<ScanResult> calls;
    void AttachButton(int kind, plat::HWND anchor, plat::HWND parent, int x, int y) override {
        calls.push_back({kind, anchor, parent, x, y});
    }
};

class DetectTest : public ::testing::Test {
protected:
    DetectTest() {
        ResetComposeDetection();
        ResetProcessNameCache();
        SetButtonAttacher(&attacher);
    }
    ~DetectTest() override {
        SetButtonAttacher(nullptr);
        ResetComposeDetection();
        ResetProcessNameCache();
    }
    void SysConfig(const char16_t* section, const char16_t* key, const char16_t* value) {
        plat::WritePrivateProfileString(section, key, value, folder.Join(u"sysconfig.ini"));
    }
    bool LogHas(const std::string& text) const {
        return folder.LogUtf8().find(text) != std::string::npos;
    }
    size_t LogCount(const std::string& text) const {
        std::string log = folder.LogUtf8();
        size_t n = 0;
        for (size_t p = log.find(text); p != std::string::npos; p = log.find(text, p + 1)) ++n;
        return n;
    }

    TestFolder folder;
    qnfix::MailDesktop desk;
    AttachRecorder attacher;
};

}  // namespace qntest
