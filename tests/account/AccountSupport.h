// What the account tests share: one mailsim per test program, a program folder
// that trusts mailsim's certificate authority and holds the template databases,
// recorders for the login window and the monitor window, and the check that the
// log never shows a password.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/Common/Base64Coder.h"
#include "monitor/Common/ServerLink.h"
#include "monitor/LoginSettings.h"
#include "monitor/PasswordMask.h"
#include "monitor/SignInCheck.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Format.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "support/Mailsim.h"
#include "support/TestFolder.h"

namespace accounttest {

constexpr char16_t kAccount[] = u"wang@quillnet.test";
constexpr char16_t kPassword[] = u"Secret-42";
// GBK on the wire, and characters whose Base64 would look like any other.
constexpr char16_t kChinesePassword[] = u"密码abc";

// Started on first use, stopped when the test program ends.
inline qntest::Mailsim& Sim() {
    static qntest::Mailsim sim(
        {"--account", "wang@quillnet.test=Secret-42", "--account", "li@quillnet.test=密码abc"});
    return sim;
}

// An account with text after the address, a quote among it.
constexpr char16_t kAccountWithRemark[] = u"wang@quillnet.test it's me";

// Back to the start-up configuration, with `extra` members (JSON) on top.
inline bool ResetSim(const std::string& extra = "") {
    std::string members =
        "\"cmd\": \"set\", \"greeting\": null, \"greeting_chunk\": 0, \"smtp_silent\": false, "
        "\"pop3_lower\": false, \"pop3_chunk\": 0, \"server_type\": 1, "
        "\"pop3_greeting\": \"+OK mailsim POP3 server ready\", "
        "\"accounts\": {\"wang@quillnet.test\": \"Secret-42\", \"li@quillnet.test\": \"密码abc\", "
        "\"@quillnet.test\": \"Secret-42\", \"wang@quillnet.test it's me\": \"Secret-42\"}";
    if (!extra.empty()) members += ", " + extra;
    return Sim().Command(members);
}

// Waits made short enough for tests that run into them; the product's
// pauses stay, for the desktop's hand-driven clock to skip.
inline ServerLink TestLink() {
    ServerLink link;
    link.waits.readLimitMs = 300;
    link.waits.connectLimitMs = 2000;
    return link;
}

// A port on the loopback interface where nothing listens.
inline int ClosedPort() {
    plat::Socket s;
    if (!s.ListenLoopback(0)) return 0;
    int port = s.LocalPort();
    s.Close();
    return port;
}

inline std::string Base64Of(const std::string& bytes) {
    CBase64Coder coder;
    coder.EncodeText(bytes.c_str());
    return coder.GetEncodedBuffer() ? coder.GetEncodedBuffer() : "";
}

// Every form in which a password could have reached the log.
inline void ExpectNoPasswordInLog(const qntest::TestFolder& folder, std::u16string_view account,
                                  std::u16string_view password) {
    const std::string log = folder.LogUtf8();
    std::string gbk;
    plat::WideToMultiByte(plat::CP_GBK, password, gbk);
    const std::string forms[] = {plat::Utf16ToUtf8(password), Base64Of(plat::Utf16ToUtf8(password)),
                                 Base64Of(gbk), plat::Utf16ToUtf8(MaskPassword(account, password))};
    for (const auto& form : forms) EXPECT_EQ(log.find(form), std::string::npos) << form;
}

// A program folder with the templates, the ini files and mailsim's authority.
class ProgramFolder {
public:
    ProgramFolder() {
        const std::u16string bin = plat::Utf8ToUtf16(QN_PROGRAM_DIR);
        for (const char16_t* name : {u"login.db", u"Address.db"})
            plat::CopyFile(plat::JoinPath(bin, name), m_folder.Join(name), false);
        plat::CreateDirectory(m_folder.Join(u"conf"));
        plat::CreateDirectory(m_folder.Join(u"account"));
    }
    const qntest::TestFolder& Folder() const { return m_folder; }
    std::u16string Join(std::u16string_view rel) const { return m_folder.Join(rel); }
    std::u16string ServerIni() const {
        return plat::JoinPath({m_folder.Path(), u"conf", u"server.ini"});
    }

    void TrustSim() {
        plat::WritePrivateProfileString(u"common", u"cafile", plat::Utf8ToUtf16(Sim().CaFile()),
                                        m_folder.Join(u"sysconfig.ini"));
    }
    void Set(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
        plat::WritePrivateProfileString(section, key, value, ServerIni());
    }
    void SetServer(std::u16string_view key, std::u16string_view value) {
        Set(u"SRVSET", key, value);
    }
    void SetServer(std::u16string_view key, int port) { SetServer(key, plat::Format(u"%d", port)); }
    std::u16string Get(std::u16string_view section, std::u16string_view key) const {
        return plat::GetPrivateProfileString(section, key, u"", ServerIni());
    }

private:
    qntest::TestFolder m_folder;
};

// A test with mailsim in its start-up configuration and a program folder that
// trusts it.
class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Sim().Ok());
        ASSERT_TRUE(ResetSim());
        ASSERT_TRUE(Sim().Command("\"cmd\": \"clear\""));
        m_folder.TrustSim();
    }
    // SRVSET naming mailsim: SMTP on its plain listener, POP3 over TLS.
    void UseSimServers() {
        m_folder.SetServer(u"SmtpHost", u"127.0.0.1");
        m_folder.SetServer(u"SmtpPort", Sim().Port("smtp"));
        m_folder.SetServer(u"PopHost", u"localhost");
        m_folder.SetServer(u"PopPort", Sim().Port("pop3s"));
    }
    std::string Log() const { return m_folder.Folder().LogUtf8(); }

    ProgramFolder m_folder;
};

struct ViewRecorder : CSignInView {
    int settingsClosed = 0;
    std::vector<bool> enabled;  // every EnableControls, in order
    std::u16string status1 = u"unset", status2 = u"unset";

    void CloseServerSettings() override { ++settingsClosed; }
    void EnableControls(bool enable) override { enabled.push_back(enable); }
    void ShowStatus(std::u16string_view first, std::u16string_view second) override {
        status1 = first;
        status2 = second;
    }
};

struct TargetRecorder : CSignInTarget {
    std::vector<SignInValues> values;
    int syncs = 0;
    void SetSignInValues(const SignInValues& v) override { values.push_back(v); }
    void SyncPersonal() override { ++syncs; }
};

}  // namespace accounttest
