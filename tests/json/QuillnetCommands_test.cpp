// The headless front end's md5, pcode and json commands, run as a user runs
// them: the installed quillnet program with its output captured.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/ProcessPipe.h"
#include "platform/Text.h"
#include "support/TestFolder.h"

namespace {

struct CommandRun {
    int exitCode;
    std::string output;  // standard output and standard error
};

CommandRun Quillnet(const std::vector<std::string>& args) {
    std::vector<std::u16string> argv{
        plat::JoinPath(plat::Utf8ToUtf16(QN_PROGRAM_DIR), u"quillnet")};
    for (const auto& a : args) argv.push_back(plat::Utf8ToUtf16(a));
    plat::ProcessPipe pipe;
    EXPECT_TRUE(pipe.Start(argv)) << "quillnet not built in " << QN_PROGRAM_DIR;
    std::string output;
    char buffer[4096];
    for (int64_t n; (n = pipe.Read(buffer, sizeof buffer)) > 0;) output.append(buffer, size_t(n));
    return {pipe.Wait(), output};
}

// Reference digests computed independently of our MD5.
TEST(QuillnetCommands, Md5AndPcode) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string output;
    } cases[] = {
        {{"md5", "abc"}, 0, "900150983cd24fb0d6963f7d28e17f72\n"},
        {{"md5", ""}, 0, "d41d8cd98f00b204e9800998ecf8427e\n"},
        {{"md5", "中"}, 0, "aed1dfbc31703955e64806b799b67645\n"},
        {{"pcode", "a@b.c", "pw"}, 0, "8a67a841032c80d213759a8efb8dc8f0\n"},
        {{"md5"}, 2, "usage: quillnet md5 TEXT\n"},
        {{"pcode", "a@b.c"}, 2, "usage: quillnet pcode ACCOUNT PASSWORD\n"},
    };
    for (const auto& c : cases) {
        CommandRun run = Quillnet(c.args);
        EXPECT_EQ(c.exitCode, run.exitCode) << c.args[0];
        EXPECT_EQ(c.output, run.output) << c.args[0];
    }
}

TEST(QuillnetCommands, JsonPrintsEveryNodeAsTheReaderSeesIt) {
    qntest::TestFolder folder(false);
    std::u16string reply = folder.Join(u"reply.json");
    ASSERT_TRUE(
        plat::WriteFile(reply,
                        "{\"ret\":0,\"msg\":\"成\\\"功\",\"data\":{\"groups\":[{\"group_id\":5,"
                        "\"name\":\"A\\nB\"}],\"addresses\":[],\"x\":[1,2,\"a\":3],"
                        "\"\":tru,\"s\":\"\\ud83d!\"}}"));
    CommandRun run = Quillnet({"json", plat::Utf16ToUtf8(reply)});
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(
        "object\n"
        "  number \"ret\": 0\n"
        "  string \"msg\": \"成\\\"功\"\n"
        "  object \"data\"\n"
        "    array \"groups\"\n"
        "      object\n"
        "        number \"group_id\": 5\n"
        "        string \"name\": \"A\\nB\"\n"
        "    array \"addresses\"\n"
        "    null \"x\": null\n"
        "      number: 1\n"
        "      number: 2\n"
        "    null \"\": null\n"
        "    string \"s\": \"\\ud83d!\"\n",
        run.output);
}

TEST(QuillnetCommands, JsonFailures) {
    qntest::TestFolder folder(false);
    std::u16string bom = folder.Join(u"bom.json");
    ASSERT_TRUE(plat::WriteFile(bom, "\xEF\xBB\xBF{\"ret\":0}"));
    std::string bomPath = plat::Utf16ToUtf8(bom);

    CommandRun refused = Quillnet({"json", bomPath});
    EXPECT_EQ(1, refused.exitCode);
    EXPECT_EQ("quillnet json: " + bomPath + " is refused: not one JSON object or array\n",
              refused.output);

    std::string missing = plat::Utf16ToUtf8(folder.Join(u"missing.json"));
    CommandRun unreadable = Quillnet({"json", missing});
    EXPECT_EQ(1, unreadable.exitCode);
    EXPECT_EQ("quillnet json: cannot read " + missing + "\n", unreadable.output);

    EXPECT_EQ(2, Quillnet({"json"}).exitCode);
}

}  // namespace
