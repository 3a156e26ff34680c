#include "platform/Profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Text.h"

namespace {

const char kServerIni[] =
    "; last sign-in\r\n"
    "[Server]\r\n"
    "Host = mail.example.com \r\n"
    "Port=110\r\n"
    "Quoted=\"  spaced  \"\r\n"
    "Single='x'\r\n"
    "Empty=\r\n"
    "Equals=a=b\r\n"
    "\r\n"
    "[Numbers]\r\n"
    "trailing=42abc\r\n"
    "negative=-7\r\n"
    "plus=+8\r\n"
    "letters=abc\r\n"
    "blank=\r\n"
    "spaced= 12 \r\n"
    "; Port=999 is a comment, not a key\r\n"
    "\r\n"
    "[Other]\r\n"
    "Host=other\r\n";

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(plat::WriteFile(m_path, kServerIni)); }
    std::string Text() const {
        std::string bytes;
        EXPECT_TRUE(plat::ReadFile(m_path, bytes));
        return bytes;
    }
    std::u16string Get(std::u16string_view section, std::u16string_view key) const {
        return plat::GetPrivateProfileString(section, key, u"<default>", m_path);
    }

    qntest::TempDir m_dir;
    std::u16string m_path = m_dir.Join(u"server.ini");
};

TEST_F(ProfileTest, SectionsAndKeysIgnoreCase) {
    EXPECT_EQ(Get(u"Server", u"Host"), u"mail.example.com");
    EXPECT_EQ(Get(u"SERVER", u"host"), u"mail.example.com");
    EXPECT_EQ(Get(u"other", u"HOST"), u"other");  // the key of its own section
}

TEST_F(ProfileTest, ValuesAndDefaults) {
    struct Case {
        const char16_t* section;
        const char16_t* key;
        const char16_t* expected;
    } cases[] = {
        {u"Server", u"Quoted", u"  spaced  "},  // quotes keep the blanks inside
        {u"Server", u"Single", u"x"},
        {u"Server", u"Empty", u""},  // present and empty is not missing
        {u"Server", u"Equals", u"a=b"},
        {u"Server", u"Missing", u"<default>"},
        {u"Nowhere", u"Host", u"<default>"},
        {u"Numbers", u"Port", u"<default>"},  // commented out
        {u"Server", u"; last sign-in", u"<default>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Get(c.section, c.key), c.expected) << plat::Utf16ToUtf8(c.key);
    EXPECT_EQ(plat::GetPrivateProfileString(u"Server", u"Host", u"dflt", m_dir.Join(u"none.ini")),
              u"dflt");
}

TEST_F(ProfileTest, IntegersTakeTheLeadingDecimalNumber) {
    struct Case {
        const char16_t* key;
        int expected;
    } cases[] = {
        {u"trailing", 42}, {u"negative", -7}, {u"plus", 8},     {u"letters", 0},
        {u"blank", 0},     {u"spaced", 12},   {u"missing", 99},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plat::GetPrivateProfileInt(u"numbers", c.key, 99, m_path), c.expected)
            << plat::Utf16ToUtf8(c.key);
    EXPECT_EQ(plat::GetPrivateProfileInt(u"Server", u"Port", 0, m_dir.Join(u"none.ini")), 0);
    EXPECT_EQ(plat::GetPrivateProfileInt(u"Server", u"Port", -1, m_dir.Join(u"none.ini")), -1);
}

TEST_F(ProfileTest, WritingAKeyChangesOnlyItsLine) {
    ASSERT_TRUE(plat::WritePrivateProfileString(u"server", u"Port", u"995", m_path));
    std::string expected = kServerIni;
    expected.replace(expected.find("Port=110"), 8, "Port=995");
    EXPECT_EQ(Text(), expected);
    // The same key in another case replaces, it does not add.
    ASSERT_TRUE(plat::WritePrivateProfileString(u"Server", u"PORT", u"25", m_path));
    EXPECT_EQ(Get(u"Server", u"port"), u"25");
    EXPECT_EQ(plat::GetPrivateProfileKeys(u"Server", m_path).size(), 6u);
}

TEST_F(ProfileTest, NewKeyGoesToTheEndOfItsSection) {
    ASSERT_TRUE(plat::WritePrivateProfileString(u"Server", u"Ssl", u"1", m_path));
    std::string expected = kServerIni;
    expected.insert(expected.find("\r\n[Numbers]"), "Ssl=1\r\n");
    EXPECT_EQ(Text(), expected);
}

TEST_F(ProfileTest, NewSectionIsAppended) {
    ASSERT_TRUE(plat::WritePrivateProfileString(u"Login", u"Account", u"a@example.com", m_path));
    EXPECT_EQ(Text(), std::string(kServerIni) + "\r\n[Login]\r\nAccount=a@example.com\r\n");
    EXPECT_EQ(plat::GetPrivateProfileSectionNames(m_path),
              (std::vector<std::u16string>{u"Server", u"Numbers", u"Other", u"Login"}));
}

TEST_F(ProfileTest, WritingCreatesAMissingFile) {
    std::u16string path = m_dir.Join(u"sysconfig.ini");
    ASSERT_TRUE(plat::WritePrivateProfileString(u"HotKey", u"Key", u"K", path));
    ASSERT_TRUE(plat::WritePrivateProfileString(u"HotKey", u"Mod", u"3", path));
    std::string bytes;
    ASSERT_TRUE(plat::ReadFile(path, bytes));
    EXPECT_EQ(bytes, "[HotKey]\r\nKey=K\r\nMod=3\r\n");
    // A folder that is not there cannot take it.
    EXPECT_FALSE(plat::WritePrivateProfileString(u"a", u"b", u"c", m_dir.Join(u"no/x.ini")));
}

TEST_F(ProfileTest, DeletingKeysAndSections) {
    ASSERT_TRUE(plat::DeletePrivateProfileKey(u"SERVER", u"port", m_path));
    EXPECT_EQ(Get(u"Server", u"Port"), u"<default>");
    EXPECT_EQ(Get(u"Server", u"Host"), u"mail.example.com");
    ASSERT_TRUE(plat::DeletePrivateProfileSection(u"numbers", m_path));
    EXPECT_EQ(plat::GetPrivateProfileSectionNames(m_path),
              (std::vector<std::u16string>{u"Server", u"Other"}));
    EXPECT_EQ(Get(u"Other", u"Host"), u"other");
}

TEST_F(ProfileTest, FilesKeepTheirEncoding) {
    // UTF-16 with its mark.
    std::u16string wide = u"\uFEFF[帐户]\r\n名字=张三\r\n";
    ASSERT_TRUE(plat::WriteFile(
        m_path, std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * 2)));
    EXPECT_EQ(Get(u"帐户", u"名字"), u"张三");
    ASSERT_TRUE(plat::WritePrivateProfileString(u"帐户", u"城市", u"北京", m_path));
    std::string bytes = Text();
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(Get(u"帐户", u"城市"), u"北京");

    // The ANSI code page, for a file that is not UTF-8.
    std::string gbk;
    ASSERT_TRUE(plat::WideToMultiByte(plat::CP_ACP, u"[帐户]\r\n名字=张三\r\n", gbk));
    ASSERT_TRUE(plat::WriteFile(m_path, gbk));
    EXPECT_EQ(Get(u"帐户", u"名字"), u"张三");
    ASSERT_TRUE(plat::WritePrivateProfileString(u"帐户", u"城市", u"北京", m_path));
    std::string expected;
    ASSERT_TRUE(
        plat::WideToMultiByte(plat::CP_ACP, u"[帐户]\r\n名字=张三\r\n城市=北京\r\n", expected));
    EXPECT_EQ(Text(), expected);
}

// Runs `fn` as a user without rights to read what root could; the result is
// what `fn` returned.
bool AsUnprivilegedUser(bool (*fn)(const std::u16string&), const std::u16string& path) {
    if (::geteuid() != 0) return fn(path);
    pid_t pid = ::fork();
    if (pid == 0) {
        bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && fn(path);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(ProfileTest, AFileThatCannotBeReadIsNotOverwritten) {
    std::string path8 = plat::Utf16ToUtf8(m_path);
    ASSERT_EQ(::chmod(plat::Utf16ToUtf8(m_dir.Path()).c_str(), 0777), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path8.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chmod(path8.c_str(), 0200), 0);  // writable, not readable
    bool written = AsUnprivilegedUser(
        [](const std::u16string& p) {
            return plat::WritePrivateProfileString(u"Server", u"Port", u"995", p);
        },
        m_path);
    EXPECT_FALSE(written);
    ASSERT_EQ(::chmod(path8.c_str(), 0600), 0);
    EXPECT_EQ(Text(), kServerIni);
}

}  // namespace
