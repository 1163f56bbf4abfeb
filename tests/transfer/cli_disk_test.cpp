// The disk's own operations through nubexa-cli as a user runs them: its own process and
// bin.db, the stand-in of the fixture, the results read back through the binary and over HTTP.
#include <httplib.h>

#include <filesystem>

#include "ftp/child_process.h"
#include "transfer_fixture.h"

namespace nubexa::test {
namespace {

using namespace std::chrono_literals;

class CliDiskTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        std::filesystem::create_directories(home());
        writeFile(home() + "/nubexa.ini",
                  "[service]\napi_host = 127.0.0.1:" + std::to_string(m_httpPort) + "\n");
    }

    std::string home() const { return m_dir.path() + "/home"; }

    // Runs nubexa-cli to its end with `input` as its standard input (never a terminal, so
    // nothing waits for a person); its exit code, what it wrote in m_output.
    int cli(const std::vector<std::string>& args, const std::string& input = {}) {
        const std::string inputFile = m_dir.path() + "/input";
        const std::string outputFile = m_dir.path() + "/cli.out";
        writeFile(inputFile, input);
        std::string line = "exec env LC_ALL=C NUBEXA_HOME='" + home() + "' '" NUBEXA_CLI_PATH "'";
        for (const auto& arg : args)
            line += " '" + arg + "'";
        std::filesystem::remove(outputFile);
        const int code = runProgram({"sh", "-c", line + " < '" + inputFile + "'"}, 60s, outputFile);
        m_output = readFile(outputFile);
        return code;
    }

    bool said(const std::string& text) const { return m_output.find(text) != std::string::npos; }

    // The first address of the stand-in in the output, without the host: "/s/KEY".
    std::string addressPath() const {
        const std::string host = "http://127.0.0.1:";
        std::size_t at = m_output.find(host);
        if (at == std::string::npos)
            return {};
        at = m_output.find_first_not_of("0123456789", at + host.size());
        const std::size_t end = m_output.find_first_not_of(
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/_.-", at);
        return at == std::string::npos ? std::string() : m_output.substr(at, end - at);
    }

    // The id that `ls` lists for the line that starts with `entry` ("name/\t-\t...\tid=7").
    std::string listedId(const std::string& entry) const {
        const std::size_t line = m_output.find(entry);
        if (line == std::string::npos)
            return {};
        const std::size_t id = m_output.find("\tid=", line);
        if (id == std::string::npos || m_output.find('\n', line) < id)
            return {};
        const std::size_t from = id + 4;
        return m_output.substr(from, m_output.find_first_not_of("0123456789", from) - from);
    }

    httplib::Result fetch(const std::string& path) {
        httplib::Client web("127.0.0.1", m_httpPort);
        web.set_connection_timeout(5s);
        web.set_read_timeout(10s);
        return web.Get(path);
    }

    std::string m_output;
};

TEST_F(CliDiskTest, AFolderTreeIsMadeMovedRenamedSharedDeletedRestoredAndTheBinEmptied) {
    ASSERT_EQ(cli({"login", "demo", "--password-stdin"}, "demo123\n"), 0) << m_output;

    ASSERT_EQ(cli({"mkdir", "-p", "/工作/草稿/一"}), 0) << m_output;
    EXPECT_EQ(m_output, "made folder /工作/草稿/一\n");
    EXPECT_EQ(cli({"mkdir", "-p", "/工作/草稿"}), 0) << "-p takes an existing folder";
    EXPECT_EQ(cli({"mkdir", "/工作/草稿"}), 1);
    EXPECT_EQ(cli({"mkdir", "/没有/这个"}), 1) << "a missing parent without -p";
    EXPECT_TRUE(said("no folder /没有 on the disk")) << m_output;

    ASSERT_EQ(cli({"mv", "/文档/预算.csv", "/欢迎使用Nubexa.txt", "/工作/草稿"}), 0) << m_output;
    EXPECT_EQ(m_output,
              "moved /文档/预算.csv to /工作/草稿\n"
              "moved /欢迎使用Nubexa.txt to /工作/草稿\n");
    // A file keeps its extension; the new name may repeat it.
    ASSERT_EQ(cli({"rename", "/工作/草稿/预算.csv", "预算2024.csv"}), 0) << m_output;
    EXPECT_EQ(m_output, "renamed /工作/草稿/预算.csv to 预算2024.csv\n");
    ASSERT_EQ(cli({"rename", "/工作/草稿", "定稿"}), 0) << m_output;
    ASSERT_EQ(cli({"ls", "/工作/定稿"}), 0) << m_output;
    EXPECT_TRUE(said("一/\t-\t")) << m_output;
    EXPECT_TRUE(said("预算2024.csv\t")) << m_output;
    EXPECT_TRUE(said("欢迎使用Nubexa.txt\t123 B")) << m_output;
    ASSERT_EQ(cli({"du", "--bytes", "/工作"}), 0) << m_output;
    EXPECT_TRUE(said("\t/工作\t2 file(s)\n")) << m_output;

    // Shared with a code: the page asks for it, opens with it, and is gone once unshared.
    ASSERT_EQ(cli({"share", "/工作/定稿/预算2024.csv", "--code", "abcd", "--points", "2"}), 0)
        << m_output;
    EXPECT_TRUE(said("shared /工作/定稿/预算2024.csv: http://127.0.0.1:")) << m_output;
    EXPECT_TRUE(said(" (code abcd)\n")) << m_output;
    const std::string sharePath = addressPath();
    ASSERT_EQ(sharePath.rfind("/s/", 0), 0u) << m_output;
    auto page = fetch(sharePath);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("预算2024.csv"), std::string::npos);
    EXPECT_NE(page->body.find("提取码"), std::string::npos) << "the code is asked for";
    ASSERT_EQ(cli({"shares", "--json"}), 0) << m_output;
    EXPECT_TRUE(said("\"address\": \"http://127.0.0.1:" + std::to_string(m_httpPort) + sharePath))
        << m_output;
    ASSERT_EQ(cli({"unshare", "/工作/定稿/预算2024.csv"}), 0) << m_output;
    page = fetch(sharePath);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 404);

    // A direct link serves the file's bytes until it is closed.
    ASSERT_EQ(cli({"link", "/工作/定稿/欢迎使用Nubexa.txt", "--name", "welcome-cli"}), 0)
        << m_output;
    EXPECT_TRUE(said("/d/welcome-cli\n")) << m_output;
    auto bytes = fetch("/d/welcome-cli");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->status, 200);
    EXPECT_EQ(bytes->body.size(), 123u);
    ASSERT_EQ(cli({"links"}), 0) << m_output;
    EXPECT_TRUE(said("欢迎使用Nubexa.txt\thttp://127.0.0.1:")) << m_output;
    ASSERT_EQ(cli({"unlink", "/工作/定稿/欢迎使用Nubexa.txt"}), 0) << m_output;
    bytes = fetch("/d/welcome-cli");
    ASSERT_TRUE(bytes);
    EXPECT_NE(bytes->status, 200);

    // Into the recycle bin and back, with what was inside.
    ASSERT_EQ(cli({"rm", "/工作/定稿"}), 0) << m_output;
    EXPECT_EQ(m_output, "moved /工作/定稿 to the recycle bin\n");
    ASSERT_EQ(cli({"trash"}), 0) << m_output;
    EXPECT_TRUE(said("定稿/\t-\t")) << m_output;
    EXPECT_TRUE(said("旧文件.txt\t")) << m_output;
    ASSERT_EQ(cli({"restore", "定稿"}), 0) << m_output;
    EXPECT_EQ(m_output, "restored 定稿\n");
    ASSERT_EQ(cli({"ls", "/工作/定稿"}), 0) << m_output;
    EXPECT_TRUE(said("预算2024.csv\t")) << m_output;

    // Past the bin, without a question when no terminal is there to answer it.
    ASSERT_EQ(cli({"rm", "--for-good", "/工作/定稿/欢迎使用Nubexa.txt"}), 0) << m_output;
    EXPECT_EQ(m_output, "deleted /工作/定稿/欢迎使用Nubexa.txt for good\n");
    ASSERT_EQ(cli({"rm", "/工作/定稿/预算2024.csv"}), 0) << m_output;
    ASSERT_EQ(cli({"trash", "--json"}), 0) << m_output;
    EXPECT_TRUE(said("\"name\": \"预算2024.csv\"")) << m_output;
    EXPECT_FALSE(said("欢迎使用Nubexa.txt")) << m_output;
    ASSERT_EQ(cli({"empty-trash"}), 0) << m_output;
    EXPECT_EQ(m_output, "emptied the recycle bin\n");
    ASSERT_EQ(cli({"trash", "--json"}), 0) << m_output;
    EXPECT_EQ(m_output, "[]\n");
    EXPECT_EQ(cli({"restore", "预算2024.csv"}), 1);
    EXPECT_TRUE(said("nothing named 预算2024.csv in the recycle bin")) << m_output;
}

TEST_F(CliDiskTest, RefusalsAreSaidInTheServicesWordsAndUsageErrorsExitTwo) {
    ASSERT_EQ(cli({"login", "demo", "--password-stdin"}, "demo123\n"), 0) << m_output;

    // What the service refuses, in its words, exit 1; nothing changed.
    EXPECT_EQ(cli({"rename", "/照片", "文档"}), 1);
    EXPECT_TRUE(said("cannot rename /照片: 该位置已存在同名文件夹或文件")) << m_output;
    EXPECT_EQ(cli({"mv", "/照片", "/照片/旅行"}), 1);
    EXPECT_TRUE(said("cannot move /照片: 不能将文件夹移动到它自己或它的子文件夹中")) << m_output;
    EXPECT_EQ(cli({"mkdir", "/文档/预算.csv"}), 1);
    EXPECT_TRUE(said("该位置已存在同名文件夹或文件")) << m_output;
    EXPECT_EQ(cli({"rm", "/没有这个文件"}), 1);
    EXPECT_EQ(cli({"rm", "/"}), 1) << "the top folder is not an item";
    ASSERT_EQ(cli({"ls", "/照片/旅行"}), 0) << m_output;
    EXPECT_TRUE(said("第一天/")) << m_output;

    // Ids as ls prints them stand for paths.
    ASSERT_EQ(cli({"ls"}), 0) << m_output;
    const std::string projects = listedId("projects/\t-\t");
    ASSERT_FALSE(projects.empty()) << m_output;
    ASSERT_EQ(cli({"du", "--id", "folder:" + projects}), 0) << m_output;
    EXPECT_TRUE(said("\t/projects\t2 file(s)\n")) << m_output;

    // A wrong password: the service's words. The right one lifts the protection.
    ASSERT_EQ(cli({"protect", "/projects", "--password-stdin", "--hint", "h"}, "s3cret\n"), 0)
        << m_output;
    EXPECT_EQ(m_output, "protected /projects\n");
    EXPECT_EQ(cli({"protect", "/projects", "--password-stdin"}, "other\n"), 1)
        << "a new password never replaces one not given";
    EXPECT_TRUE(said("/projects is protected already")) << m_output;
    EXPECT_EQ(cli({"ls", "/projects", "--folder-password-stdin"}, "nope\n"), 1);
    EXPECT_EQ(cli({"unprotect", "/projects", "--password-stdin"}, "nope\n"), 1);
    EXPECT_TRUE(said("cannot unprotect /projects: 密码错误")) << m_output;
    EXPECT_EQ(cli({"unprotect", "/projects", "--password-stdin"}, "s3cret\n"), 0) << m_output;
    EXPECT_EQ(cli({"ls", "/projects"}), 0) << m_output;

    // Usage errors: exit 2, nothing sent.
    EXPECT_EQ(cli({"mkdir"}), 2);
    EXPECT_EQ(cli({"mv", "/照片"}), 2);
    EXPECT_EQ(cli({"rename", "/照片", "a/b"}), 2);
    EXPECT_EQ(cli({"share", "/照片", "--points", "9"}), 2);
    EXPECT_EQ(cli({"protect", "/照片", "--password-stdin"}, "\n"), 2) << "an empty password";
    EXPECT_EQ(cli({"link", "/欢迎使用Nubexa.txt"}), 2) << "a new link needs its name";
    EXPECT_EQ(cli({"link", "/照片", "--name", "x"}), 1) << "folders have no direct link";

    ASSERT_EQ(cli({"info"}), 0) << m_output;
    EXPECT_TRUE(said("account: 演示用户 (uid ")) << m_output;
    EXPECT_TRUE(said("capacity: ")) << m_output;
    EXPECT_TRUE(said("level: VIP\n")) << m_output;

    // A service the account has not opened refuses before anything is sent.
    ASSERT_EQ(cli({"login", "guest", "--password-stdin"}, "guest123\n"), 0) << m_output;
    EXPECT_EQ(cli({"link", "/a.txt", "--name", "x"}), 1);
    EXPECT_TRUE(said("网盘直链服务未开通，请先开通服务")) << m_output;
}

}  // namespace
}  // namespace nubexa::test
