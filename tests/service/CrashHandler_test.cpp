// The crash handler: a dump named by the pattern and the current seconds, and
// one start of the reporter with the dump's name.
#include "platform/CrashHandler.h"

#include <gtest/gtest.h>

#include <csignal>

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/ProcessStart.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace {

TEST(CrashHandler, DumpNameCarriesTheLow32BitsOfTheSeconds) {
    EXPECT_EQ(plat::FormatDumpName(u"PluginService_%u.dmp", 1700000000),
              u"PluginService_1700000000.dmp");
    EXPECT_EQ(plat::FormatDumpName(u"ABMonitor_%u.dmp", 0x100000005LL), u"ABMonitor_5.dmp");
    EXPECT_EQ(plat::FormatDumpName(u"fixed.dmp", 42), u"fixed.dmp");
}

TEST(CrashHandlerDeathTest, WritesTheDumpAndStartsTheReporter) {
    std::u16string folder = plat::MakeTempFolder(u"qncrash-");
    std::u16string reporter = plat::JoinPath(folder, u"ErrorReport.exe");
    ASSERT_TRUE(plat::CopyFile(plat::Utf8ToUtf16(QN_STANDIN), reporter, false));
    ASSERT_TRUE(plat::MakeExecutable(reporter));
    ASSERT_TRUE(plat::SetChildSubreaper(true));  // the orphaned reporter comes to us

    int64_t before = plat::TimeNow();
    EXPECT_EXIT(
        {
            plat::InstallCrashHandler({folder, u"PluginService_%u.dmp", reporter});
            std::raise(SIGSEGV);
        },
        ::testing::KilledBySignal(SIGSEGV), "");
    int64_t after = plat::TimeNow();

    std::u16string dump;
    for (const auto& name : plat::ListDirectory(folder))
        if (name.rfind(u"PluginService_", 0) == 0) dump = name;
    ASSERT_FALSE(dump.empty());
    bool named = false;
    for (int64_t s = before; s <= after; ++s)
        named = named || dump == plat::FormatDumpName(u"PluginService_%u.dmp", s);
    EXPECT_TRUE(named) << plat::Utf16ToUtf8(dump);

    std::string text;
    ASSERT_TRUE(plat::ReadFile(plat::JoinPath(folder, dump), text));
    EXPECT_EQ(text.rfind("Quillnet crash dump\nsignal: 11 (SIGSEGV)\n", 0), 0u) << text;
    EXPECT_NE(text.find("\naddress: 0x"), std::string::npos);
    EXPECT_NE(text.find("\nbacktrace:\n"), std::string::npos);
    EXPECT_GT(text.size(), text.find("\nbacktrace:\n") + 12);  // at least one frame

    // The reporter notes its argument and ends.
    EXPECT_TRUE(plat::WaitForChildren(10000));
    std::string reported;
    EXPECT_TRUE(plat::ReadFile(plat::JoinPath(folder, u"reported.txt"), reported));
    EXPECT_EQ(reported, plat::Utf16ToUtf8(dump) + "\n");
    plat::SetChildSubreaper(false);
    plat::DeleteTree(folder);
}

TEST(CrashHandlerDeathTest, NoReporterWhenTheDumpCannotBeCreated) {
    std::u16string folder = plat::MakeTempFolder(u"qncrash-");
    std::u16string reporter = plat::JoinPath(folder, u"ErrorReport.exe");
    ASSERT_TRUE(plat::CopyFile(plat::Utf8ToUtf16(QN_STANDIN), reporter, false));
    ASSERT_TRUE(plat::MakeExecutable(reporter));
    ASSERT_TRUE(plat::SetChildSubreaper(true));
    std::u16string missing = plat::JoinPath(folder, u"no-such-folder");
    EXPECT_EXIT(
        {
            plat::InstallCrashHandler({missing, u"PluginService_%u.dmp", reporter});
            std::abort();
        },
        ::testing::KilledBySignal(SIGABRT), "");
    EXPECT_TRUE(plat::WaitForChildren(10000));
    EXPECT_FALSE(plat::FileExists(plat::JoinPath(folder, u"reported.txt")));
    plat::SetChildSubreaper(false);
    plat::DeleteTree(folder);
}

}  // namespace
