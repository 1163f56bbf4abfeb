#include <gtest/gtest.h>
#include <sys/stat.h>

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

}  // namespace
}  // namespace nubexa::test
