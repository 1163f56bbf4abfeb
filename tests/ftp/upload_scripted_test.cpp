#include <filesystem>

#include "ftp/upload_registrar.h"
#include "ftp_test_harness.h"
#include "platform/md5_digest.h"
#include "scripted_ftp_server.h"

namespace nubexa::test {
namespace {

using namespace std::chrono_literals;

std::string md5Of(const std::string& bytes) {
    Md5Digest digest;
    digest.update(bytes.data(), bytes.size());
    return digest.hexUpper();
}

class RecordingRegistrar : public UploadRegistrar {
public:
    struct Call {
        std::string name, ext;
        std::int64_t size;
        std::string dirid, hash;
    };
    explicit RecordingRegistrar(std::string id) : m_id(std::move(id)) {}
    std::string registerUpload(const std::string& name, const std::string& ext, std::int64_t size,
                               const std::string& dirid, const std::string& hash) override {
        calls.push_back({name, ext, size, dirid, hash});
        return m_id;
    }
    std::vector<Call> calls;
    std::string m_id;
};

// One STOR as a script serves it; what arrived on the data connection goes into `received`.
struct StorScript {
    std::optional<std::int64_t> staged;  // SIZE answer for the stored name
    bool sizeKnown = true;               // false: SIZE is an unknown command
    std::string restReply = "350 Restarting\r\n";
    std::string storReply = "150 Ok to send data\r\n";
    std::size_t readAtMost = SIZE_MAX;  // then the server stops reading and closes
    std::string completion = "226 Transfer complete\r\n";
    std::string rnfrReply = "350 Ready for RNTO\r\n";
    std::string rntoReply = "250 Renamed\r\n";
    std::string finalSize;  // SIZE answer for the final name
};

void serveStor(ScriptedSession& s, const StorScript& r, std::string& received) {
    s.login();
    for (;;) {
        const std::string command = s.readCommand();
        if (command.empty())
            return;
        if (command == "QUIT") {
            s.send("221 bye\r\n");
            return;
        }
        if (command == "TYPE I") {
            s.send("200 binary\r\n");
        } else if (command.rfind("SIZE ", 0) == 0) {
            const bool staged = received.empty() && r.staged;
            if (!r.sizeKnown) {
                s.send("500 Unknown command\r\n");
            } else if (staged) {
                s.send("213 " + std::to_string(*r.staged) + "\r\n");
            } else if (!r.finalSize.empty()) {
                s.send(r.finalSize);
            } else {
                s.send("550 No such file\r\n");
            }
        } else if (command == "PASV") {
            s.send(s.openPassive());
            s.acceptData();
        } else if (command.rfind("REST ", 0) == 0) {
            s.send(r.restReply);
        } else if (command.rfind("STOR ", 0) == 0) {
            s.send(r.storReply);
            if (r.storReply[0] != '1')
                continue;
            received = s.receiveData();
            if (received.size() > r.readAtMost)
                received.resize(r.readAtMost);
            s.closeData();
            s.send(r.completion);
        } else if (command.rfind("RNFR ", 0) == 0) {
            s.send(r.rnfrReply);
        } else if (command.rfind("RNTO ", 0) == 0) {
            s.send(r.rntoReply);
        } else {
            s.send("502 not here\r\n");
        }
    }
}

class ScriptedUpload : public FtpTest {
protected:
    int upload(ScriptedFtpServer& server, TransferTask& task, UploadRegistrar* registrar,
               FtpOptions options = fastOptions()) {
        auto client = makeClient(server.port(), options);
        if (!client->FtpLogin())
            return -1;
        const int result = client->Upload(task, registrar);
        m_runEnd = client->lastRunEnd();
        m_refusal = client->lastRefusal();
        client.reset();
        EXPECT_TRUE(server.waitDone());
        EXPECT_TRUE(server.failures().empty());
        return result;
    }

    TransferTask addLocal(const std::string& name, const std::string& bytes) {
        writeFile(localFile(name), bytes);
        return addUpload(name, static_cast<std::int64_t>(bytes.size()));
    }

    RunEnd m_runEnd = RunEnd::kFailed;  // of the last upload()
    std::string m_refusal;
};

TEST_F(ScriptedUpload, CompleteUploadIsRegisteredRenamedAndFinished) {
    const std::string bytes = patternBytes(2500);
    std::string received;
    ScriptedFtpServer server([&](ScriptedSession& s) { serveStor(s, StorScript{}, received); });
    auto task = addLocal("photo.jpg", bytes);
    RecordingRegistrar registrar("815");
    EXPECT_EQ(upload(server, task, &registrar), 1);
    EXPECT_EQ(received, bytes);
    ASSERT_EQ(registrar.calls.size(), 1u);
    const auto& call = registrar.calls[0];
    EXPECT_EQ(call.name, "photo");
    EXPECT_EQ(call.ext, ".jpg");
    EXPECT_EQ(call.size, 2500);
    EXPECT_EQ(call.dirid, "12");
    EXPECT_EQ(call.hash, md5Of(bytes));
    const std::vector<std::string> expected = {
        "USER u",         "PASS p",         "TYPE I",       "PASV",
        "STOR photo.jpg", "RNFR photo.jpg", "RNTO 815.jpg", "QUIT"};
    EXPECT_EQ(server.commands(), expected);
    const auto stored = row(task.id);
    EXPECT_EQ(stored.status, task_status::kComplete);
    EXPECT_EQ(stored.transferSchedule, 100);
    EXPECT_EQ(stored.transferSize, 2500);
}

TEST_F(ScriptedUpload, NamesWithoutOrWithSeveralDotsRenameToIdAndLastExtension) {
    for (const auto& [file, target] : {std::pair<std::string, std::string>{"README", "RNTO 42"},
                                       {"archive.tar.gz", "RNTO 42.gz"}}) {
        std::string received;
        ScriptedFtpServer server([&](ScriptedSession& s) { serveStor(s, StorScript{}, received); });
        auto task = addLocal(file, "x");
        RecordingRegistrar registrar("42");
        EXPECT_EQ(upload(server, task, &registrar), 1);
        EXPECT_TRUE(server.sawCommand(target)) << file;
    }
}

TEST_F(ScriptedUpload, FailedRegistrationIsRetriedSafelyWithoutSendingTheBytesAgain) {
    const std::string bytes = patternBytes(300000, 2);
    auto task = addLocal("big.bin", bytes);
    {
        std::string received;
        ScriptedFtpServer server([&](ScriptedSession& s) { serveStor(s, StorScript{}, received); });
        RecordingRegistrar refusing("");
        EXPECT_EQ(upload(server, task, &refusing), 0);
        EXPECT_EQ(received, bytes);
        EXPECT_FALSE(server.sawCommand("RNFR"));
        const auto stored = row(task.id);
        EXPECT_EQ(stored.status, task_status::kRunning);  // given back by the worker
        EXPECT_EQ(stored.transferSize, 300000);
        EXPECT_LT(stored.transferSchedule, 100);  // still listed and started again
    }
    // The retry: the server holds every byte, so only registration and rename happen.
    task = reload(task.id);
    StorScript script;
    script.staged = 300000;
    std::string received;
    ScriptedFtpServer server([&](ScriptedSession& s) { serveStor(s, script, received); });
    RecordingRegistrar registrar("77");
    EXPECT_EQ(upload(server, task, &registrar), 1);
    EXPECT_TRUE(received.empty());
    EXPECT_FALSE(server.sawCommand("STOR"));  // nothing left to send: no data connection
    ASSERT_EQ(registrar.calls.size(), 1u);
    EXPECT_EQ(registrar.calls[0].hash, md5Of(bytes));  // skipped bytes are in the digest
    EXPECT_EQ(row(task.id).status, task_status::kComplete);
}

TEST_F(ScriptedUpload, RenameRefusedIsCompleteOnlyWhenTheFinalFileHasTheSize) {
    const std::string bytes = patternBytes(5000, 4);
    for (const bool finalised : {true, false}) {
        StorScript script;
        script.rnfrReply = "550 No such file\r\n";
        if (finalised)
            script.finalSize = "213 5000\r\n";
        std::string received;
        ScriptedFtpServer server([&](ScriptedSession& s) { serveStor(s, script, received); });
        auto task = addLocal(finalised ? "done.bin" : "bad.bin", bytes);
        RecordingRegistrar registrar("900");
        EXPECT_EQ(upload(server, task, &registrar), finalised ? 1 : 0);
        EXPECT_TRUE(server.sawCommand("SIZE 900.bin"));
        const auto stored = row(task.id);
        if (finalised) {
            EXPECT_EQ(stored.status, task_status::kComplete);
        } else {
            // Bytes that do not match the registration are sent again from the start.
            EXPECT_EQ(stored.status, task_status::kRunning);
            EXPECT_EQ(stored.transferSize, 0);
        }
    }
}

TEST_F(ScriptedUpload, RefusedOrFailedStoresNeverCountAsComplete) {
    const std::string bytes = patternBytes(1 << 20, 6);
    StorScript refused;
    refused.storReply = "553 Could not create file\r\n";
    StorScript fullAfterData;
    fullAfterData.completion = "552 Disk full\r\n";
    StorScript fullDuringData;
    fullDuringData.readAtMost = 100000;
    fullDuringData.completion = "552 Disk full\r\n";
    for (const auto* script : {&refused, &fullAfterData, &fullDuringData}) {
        std::string received;
        ScriptedFtpServer server([&](ScriptedSession& s) { serveStor(s, *script, received); });
        auto task = addLocal("f.bin", bytes);
        EXPECT_EQ(upload(server, task, nullptr), 0) << script->storReply << script->completion;
        // Only the refused name cannot pass on a retry; a full disk may be cleared.
        EXPECT_EQ(m_runEnd, script == &refused ? RunEnd::kRefused : RunEnd::kFailed);
        EXPECT_EQ(m_refusal, script == &refused ? "网盘拒绝了文件名：f.bin" : "");
        EXPECT_TRUE(server.sawCommand("QUIT"));
        const auto stored = row(task.id);
        EXPECT_EQ(stored.status, task_status::kRunning);
        EXPECT_LT(stored.transferSchedule, 100);
    }
}

TEST_F(ScriptedUpload, ResumeContinuesWhereTheServerCopyReallyEnds) {
    const std::string bytes = patternBytes(300000, 8);
    struct Case {
        std::optional<std::int64_t> staged;
        bool sizeKnown;
        std::string restReply;
        std::int64_t expectedStart;
    };
    const std::string restarting = "350 Restarting\r\n";
    for (const Case& c : {Case{204800, true, restarting, 204800},
                          Case{100000, true, restarting, 100000},         // the server holds less
                          Case{std::nullopt, true, restarting, 0},        // 550: it holds nothing
                          Case{std::nullopt, false, restarting, 204800},  // no SIZE at all
                          Case{204800, true, "502 REST not implemented\r\n", 0}}) {
        StorScript script;
        script.staged = c.staged;
        script.sizeKnown = c.sizeKnown;
        script.restReply = c.restReply;
        std::string received;
        ScriptedFtpServer server([&](ScriptedSession& s) { serveStor(s, script, received); });
        auto task = addLocal("r.bin", bytes);
        recordDone(task.id, 204800, 300000);
        task = reload(task.id);
        EXPECT_EQ(upload(server, task, nullptr), 1);
        EXPECT_EQ(received, bytes.substr(static_cast<std::size_t>(c.expectedStart)))
            << c.restReply << c.expectedStart;
        if (c.expectedStart > 0) {
            EXPECT_TRUE(server.sawCommand("REST " + std::to_string(c.expectedStart)));
        }
        EXPECT_EQ(row(task.id).status, task_status::kComplete);
    }
}

TEST_F(ScriptedUpload, OffsetsBeyondFourGigabytesAreKeptWhole) {
    constexpr std::int64_t kSize = (5LL << 30) + 3000;
    writeFile(localFile("huge.iso"), "");
    std::filesystem::resize_file(localFile("huge.iso"), static_cast<std::uintmax_t>(kSize));
    StorScript script;
    script.staged = kSize - 3000;
    std::string received;
    ScriptedFtpServer server([&](ScriptedSession& s) { serveStor(s, script, received); });
    auto task = addUpload("huge.iso", kSize);
    recordDone(task.id, kSize - 3000, kSize);
    task = reload(task.id);
    EXPECT_EQ(upload(server, task, nullptr), 1);
    EXPECT_TRUE(server.sawCommand("REST 5368709120"));
    EXPECT_EQ(received, std::string(3000, '\0'));
    const auto stored = row(task.id);
    EXPECT_EQ(stored.fileSize, kSize);
    EXPECT_EQ(stored.transferSize, kSize);
    EXPECT_EQ(stored.status, task_status::kComplete);
}

TEST_F(ScriptedUpload, MissingLocalFileIsReportedAndNothingIsSent) {
    ScriptedFtpServer server([](ScriptedSession& s) {
        s.login();
        s.serveUntilQuit();
    });
    auto task = addUpload("gone.jpg", 10);
    EXPECT_EQ(upload(server, task, nullptr), 0);
    const std::vector<std::string> expected = {"USER u", "PASS p", "QUIT"};
    EXPECT_EQ(server.commands(), expected);
    ASSERT_EQ(m_notifier.texts().size(), 1u);
    EXPECT_EQ(m_notifier.texts()[0],
              "本地文件未找到或位置发现变化，上传失败。失败文件名为:gone.jpg");
}

TEST_F(ScriptedUpload, LatePassiveReplyBehindTypesReplyIsFound) {
    const std::string bytes = patternBytes(3000, 10);
    std::string received;
    ScriptedFtpServer server([&](ScriptedSession& s) {
        s.login();
        s.expect("TYPE");
        s.pause(1700ms);  // past the client's reply limit
        s.send("200 TYPE is now binary\r\n");
        s.expect("PASV");
        s.send(s.openPassive());
        s.acceptData();
        s.expect("STOR");
        s.send("150 go\r\n");
        received = s.receiveData();
        s.closeData();
        s.send("226 ok\r\n");
        s.serveUntilQuit();
    });
    auto task = addLocal("late.bin", bytes);
    EXPECT_EQ(upload(server, task, nullptr), 1);
    EXPECT_EQ(received, bytes);
}

}  // namespace
}  // namespace nubexa::test
