#include <thread>

#include "ftp_test_client.h"
#include "standin_fixture.h"

namespace nubexa::test {
namespace {

class FtpLoadTest : public StandinTest {};

// Twenty clients at once, each uploading a few megabytes, finalising them and reading them
// back: every byte must arrive where it belongs.
TEST_F(FtpLoadTest, TwentyConcurrentSessionsMoveTheirBytesExactly) {
    constexpr int kClients = 20;
    constexpr std::size_t kSize = 3 * 1024 * 1024 + 17;
    const std::string base = "ftp://" + m_demo.ftpUser + ":" + m_demo.ftpPassword +
                             "@127.0.0.1:" + std::to_string(ftpPort());
    std::vector<std::string> contents(kClients);
    std::vector<std::string> ids(kClients);
    for (int i = 0; i < kClients; ++i) {
        contents[i] = std::string(kSize, '\0');
        unsigned state = 7919u * static_cast<unsigned>(i + 1);
        for (char& c : contents[i]) {
            state = state * 1664525u + 1013904223u;
            c = static_cast<char>(state >> 24);
        }
        writeFile(m_data.file("load" + std::to_string(i) + ".bin"), contents[i]);
    }
    std::string projects;
    const Answer root = listFolder(m_demo, "0");
    for (const auto* folder : root.items("folders")) {
        if (attrOf(folder, "name") == "projects")
            projects = attrOf(folder, "id");
    }
    auto inParallel = [&](const std::function<void(int)>& work) {
        std::vector<std::thread> threads;
        for (int i = 0; i < kClients; ++i)
            threads.emplace_back(work, i);
        for (auto& thread : threads)
            thread.join();
    };
    auto curl = [](std::vector<std::string> args) {
        args.insert(args.begin(), {"curl", "-sS", "--connect-timeout", "10", "--max-time", "120"});
        return runProcess(args, 150000);
    };

    inParallel([&](int i) {
        const std::string name = "load" + std::to_string(i) + ".bin";
        const ProcessResult stored = curl({"-T", m_data.file(name), base + "/projects/" + name});
        EXPECT_EQ(stored.exitCode, 0) << stored.err;
    });
    inParallel([&](int i) {
        const Answer added = signedCall("/fileservice.asmx/FileAdd", m_demo,
                                        {{"name", "load" + std::to_string(i), true},
                                         {"ext", ".bin"},
                                         {"size", std::to_string(kSize)},
                                         {"dirid", projects},
                                         {"hash", md5Upper(contents[i])}},
                                        true);
        ids[i] = added.attr("file", "id");
        const ProcessResult renamed =
            curl({"-Q", "CWD \\projects", "-Q", "RNFR load" + std::to_string(i) + ".bin", "-Q",
                  "RNTO " + ids[i] + ".bin", "--list-only", base + "/"});
        EXPECT_EQ(renamed.exitCode, 0) << renamed.err;
    });
    inParallel([&](int i) {
        const ProcessResult fetched = curl({base + "/" + ids[i] + ".bin"});
        EXPECT_EQ(fetched.exitCode, 0) << fetched.err;
        EXPECT_TRUE(fetched.out == contents[i])
            << "client " << i << " got " << fetched.out.size() << " bytes";
    });
    EXPECT_EQ(fileNames(listFolder(m_demo, projects)).size(), 2u + kClients);
}

}  // namespace
}  // namespace nubexa::test
