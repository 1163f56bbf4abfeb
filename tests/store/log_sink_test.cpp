#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <fstream>
#include <string>

#include "platform/log_sink.h"
#include "store/local_store.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

class RecordingSink : public LogSink {
public:
    void write(std::string_view text) override { m_text.append(text); }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

// A front end that logs to a file receives the database's errors there, and standard output
// has them again once the sink is taken away.
TEST(LogSink, DatabaseErrorsGoWhereTheFrontEndSendsThem) {
    TempDir dir;
    LocalStore store;
    ASSERT_TRUE(store.open(dir.file("bin.db")));
    const auto sink = std::make_shared<RecordingSink>();
    setLogSink(sink);
    testing::internal::CaptureStdout();
    store.prepareQuery("SELECT id FROM no_such_table").finalize();
    setLogSink(nullptr);
    store.prepareQuery("SELECT id FROM no_such_table").finalize();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(sink->text(), "no such table: no_such_table\n");
    EXPECT_EQ(printed, "no such table: no_such_table\n");
}

// A server's reply or name may carry terminal escapes: the log keeps its lines but shows the
// control bytes as text, and the file is its owner's alone.
TEST(LogSink, ControlBytesAreShownAsTextInAPrivateFile) {
    TempDir dir;
    const auto sink = std::make_shared<FileLogSink>(dir.file("nubexa.log"));
    ASSERT_TRUE(sink->isOpen());
    setLogSink(sink);
    writeLog(
        "550 \x1b]0;owned\x07name\x1b[2J\xc2\x9b"
        "31m\r\n\tnext line\n");
    setLogSink(nullptr);
    EXPECT_EQ(readFile(dir.file("nubexa.log")),
              "550 \\x1b]0;owned\\x07name\\x1b[2J\\xc2\\x9b31m\r\n\tnext line\n");
    struct stat status {};
    ASSERT_EQ(::stat(dir.file("nubexa.log").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 077, 0u);
}

// The log is kept bounded: past the limit the file becomes "<name>.1", replacing the older
// copy, and a new file starts; a line longer than the limit still gets written.
TEST(LogSink, TheFileRotatesKeepingOneOlderCopy) {
    TempDir dir;
    const std::string path = dir.file("nubexa-client.log");
    const std::string first(60, 'a'), second(60, 'b'), third(60, 'c'), huge(250, 'd');
    FileLogSink sink(path, 100);
    sink.write(first);
    sink.write(second);
    EXPECT_EQ(readFile(path + ".1"), first);
    EXPECT_EQ(readFile(path), second);
    sink.write(third);
    EXPECT_EQ(readFile(path + ".1"), second);
    EXPECT_EQ(readFile(path), third);
    sink.write(huge);
    EXPECT_EQ(readFile(path), huge);
    EXPECT_FALSE(std::ifstream(path + ".2").good());
    struct stat status {};
    ASSERT_EQ(::stat((path + ".1").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 077, 0u);
}

// A program that holds standard error in its log finds there what libraries print, before and
// after a rotation, and counts it towards the limit. Run in a child: it takes its stderr.
TEST(LogSink, StandardErrorFollowsTheLogAcrossRotations) {
    TempDir dir;
    const std::string path = dir.file("nubexa-client.log");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileLogSink sink(path, 100);
        const bool held = sink.holdStandardError();
        std::fputs("printed before\n", stderr);
        sink.write(std::string(90, 'x'));  // passes the limit with the line above
        std::fputs("printed after\n", stderr);
        ::_exit(held ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(path + ".1"), "printed before\n");
    EXPECT_EQ(readFile(path), std::string(90, 'x') + "printed after\n");
}

}  // namespace
}  // namespace nubexa::test
