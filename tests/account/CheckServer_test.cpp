// quillnet check-server against mailsim: the steps, their results and the log
// lines they wrote, read from the program folder given with --folder.
#include <gtest/gtest.h>

#include "account/AccountSupport.h"
#include "platform/ProcessPipe.h"

namespace {

using accounttest::Sim;

class CheckServerTest : public accounttest::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        UseSimServers();
    }
    // Its standard output and error; the exit code in `code`.
    std::string Run(const std::vector<std::u16string>& args, int& code) {
        std::vector<std::u16string> argv = {
            plat::JoinPath(plat::Utf8ToUtf16(QN_PROGRAM_DIR), u"quillnet"), u"--folder",
            m_folder.Folder().Path(), u"check-server"};
        argv.insert(argv.end(), args.begin(), args.end());
        plat::ProcessPipe program;
        code = -100;
        if (!program.Start(argv)) return "quillnet not started: build the quillnet target";
        std::string out;
        char buf[4096];
        for (int64_t n; (n = program.Read(buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
        code = program.Wait();
        return out;
    }
};

TEST_F(CheckServerTest, ReportsDiscoveryAndTheLoginWithTheirLogLines) {
    int code;
    std::string out = Run({accounttest::kAccount, accounttest::kPassword}, code);
    EXPECT_EQ(code, 0) << out;
    for (const char* line :
         {"address: wang@quillnet.test: ok", "discovery: 127.0.0.1 port ", "  log: error ",
          "smtp return:220 smtp.quillnet.test ESMTP quillnet corvane-mail",
          "  result: 0, the service's server, server type 1", " (TLS)",
          "pop host:localhost,port:", "  result: logged in and out", "check-server: ok"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    EXPECT_EQ(out.find(plat::Utf16ToUtf8(accounttest::kPassword)), std::string::npos);
    // Nothing of a sign-in is kept.
    EXPECT_EQ(m_folder.Get(u"LASTLOGIN", u"USERNAME"), u"");
    EXPECT_FALSE(plat::DirectoryExists(
        plat::JoinPath({m_folder.Folder().Path(), u"account", accounttest::kAccount})));
    accounttest::ExpectNoPasswordInLog(m_folder.Folder(), accounttest::kAccount,
                                       accounttest::kPassword);
}

TEST_F(CheckServerTest, FailsForAWrongPasswordAnotherServerOrABadAddress) {
    int code;
    std::string out = Run({accounttest::kAccount, u"wrong-one"}, code);
    EXPECT_EQ(code, 1) << out;
    EXPECT_NE(out.find("(**SSL_conncect 7**)"), std::string::npos) << out;
    EXPECT_NE(out.find("  result: refused: 登录失败，请检查用户名或密码设置是否正确！"),
              std::string::npos);
    EXPECT_NE(out.find("check-server: failed"), std::string::npos);

    ASSERT_TRUE(accounttest::ResetSim("\"greeting\": \"220 mx ESMTP Postfix\\r\\n\""));
    out = Run({accounttest::kAccount}, code);
    EXPECT_EQ(code, 1) << out;
    EXPECT_NE(out.find("  result: 2, another server"), std::string::npos) << out;
    EXPECT_NE(out.find("  partner domain: no"), std::string::npos);
    EXPECT_EQ(out.find("pop3:"), std::string::npos);  // no password, no login

    out = Run({u"wang@quillnet.test/../x"}, code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("not a mailbox address"), std::string::npos) << out;
    out = Run({}, code);
    EXPECT_EQ(code, 2);
}

}  // namespace
