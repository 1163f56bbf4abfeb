#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "endpoints.h"
#include "platform/notifier.h"
#include "service_fixture.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "transfer/folder_download.h"

namespace nubexa::test {
namespace {

namespace fs = std::filesystem;

class FolderDownload : public ServiceTest {
protected:
    FolderDownload() : m_gate(m_dir.file("bin.db")) {
        fs::create_directories(root());
        client().updateAccount([](AccountInfo& a) { a.current_dir_id = "3"; });
    }

    std::string root() const { return m_dir.file("target"); }

    int download(const std::string& folderName = "trip", const std::string& localRoot = {}) {
        client().updateAccount([](AccountInfo& a) {
            a.uid = "42";
            a.token = "T";
        });
        const auto plan = prepareFolderDownload(client(), m_notifier, "20",
                                                localRoot.empty() ? root() : localRoot, folderName,
                                                client().account().current_dir_id);
        if (plan.result == 1)
            queueFolderDownloadRows(m_gate, plan.rows);
        return plan.result;
    }

    std::vector<StoredTask> rows() {
        return m_gate.run([](LocalStore& store) {
            TaskTable tasks(store);
            std::vector<StoredTask> loaded;
            for (const auto& row : tasks.listDownloads("42"))
                loaded.push_back(*tasks.load(std::stoll(row.id)));
            return loaded;
        });
    }

    StoreGate m_gate;
    RecordingNotifier m_notifier;
};

TEST_F(FolderDownload, CreatesTheFoldersAndQueuesOneWaitingRowPerFile) {
    m_server.answer(
        kGetFilesWithPath,
        accepted("<parentid>3</parentid><files>"
                 "<file id=\"11\" name=\"a\" ext=\".txt\" size=\"5\" path=\"/trip/\"/>"
                 "<file id=\"12\" name=\"图\" ext=\"\" size=\"3000000000\" path=\"/trip/day1/\"/>"
                 "</files><folders>"
                 "<folder id=\"21\" name=\"day1\" path=\"/trip/\"/>"
                 "<folder id=\"22\" name=\"empty\" path=\"/trip/day1/\"/>"
                 "</folders>"));
    EXPECT_EQ(download(), 1);
    EXPECT_EQ(m_server.lastTarget(),
              kGetFilesWithPath + "?uid=42&token=T&dir=20&order=&desc=&sign=" + md5Hex("42T20"));
    EXPECT_TRUE(fs::is_directory(root() + "/trip/day1/empty"));
    EXPECT_TRUE(m_notifier.messages().empty());

    const auto queued = rows();
    ASSERT_EQ(queued.size(), 2u);
    EXPECT_EQ(queued[0].localPath, root() + "/trip/");
    EXPECT_EQ(queued[0].localFileName, "a.txt");
    EXPECT_EQ(queued[0].ftpFileName, "11.txt");
    EXPECT_EQ(queued[0].ftpPath, "\\");
    EXPECT_EQ(queued[0].fileSize, 5);
    EXPECT_EQ(queued[0].status, task_status::kWaiting);
    EXPECT_EQ(queued[0].ranType, "2");
    EXPECT_EQ(queued[0].parentId, "3");
    EXPECT_EQ(queued[1].localPath, root() + "/trip/day1/");
    EXPECT_EQ(queued[1].localFileName, "图");
    EXPECT_EQ(queued[1].ftpFileName, "12");
    EXPECT_EQ(queued[1].fileSize, 3000000000LL);
}

TEST_F(FolderDownload, AnExistingLocalFolderQueuesNothing) {
    // A folder with a file of the user's in it; one that holds only folders and partial files
    // of an earlier download of ours is taken again.
    fs::create_directories(root() + "/trip");
    std::ofstream(root() + "/trip/mine.txt") << "mine";
    m_server.answer(kGetFilesWithPath,
                    accepted("<files><file id=\"11\" name=\"a\" ext=\".txt\" size=\"5\""
                             " path=\"/trip/\"/></files><folders/>"));
    EXPECT_EQ(download(), 0);
    ASSERT_EQ(m_notifier.messages().size(), 1u);
    EXPECT_EQ(m_notifier.messages()[0].caption, "提示");
    EXPECT_EQ(m_notifier.messages()[0].text, "要下载的文件夹已经存在，请改名后再下载！");
    EXPECT_TRUE(rows().empty());
}

TEST_F(FolderDownload, EntriesThatWouldLeaveTheTargetAreSkipped) {
    m_server.answer(
        kGetFilesWithPath,
        accepted(
            "<files>"
            "<file id=\"1\" name=\"ok\" ext=\".txt\" size=\"1\" path=\"/trip/sub/\"/>"
            "<file id=\"2\" name=\"x\" ext=\".txt\" size=\"1\" path=\"/trip/../../\"/>"
            "<file id=\"3\" name=\"x\" ext=\".txt\" size=\"1\" path=\"/other/\"/>"
            "<file id=\"4\" name=\"x\" ext=\".txt\" size=\"1\" path=\"trip/\"/>"
            "<file id=\"5\" name=\"x\" ext=\".txt\" size=\"1\" path=\"/trip\\..\\..\\\"/>"
            "<file id=\"6\" name=\"../../x\" ext=\".txt\" size=\"1\" path=\"/trip/\"/>"
            "<file id=\"7\" name=\"..\" ext=\"\" size=\"1\" path=\"/trip/\"/>"
            "<file id=\"8&#13;&#10;DELE 1\" name=\"x\" ext=\".txt\" size=\"1\" path=\"/trip/\"/>"
            "<file id=\"\" name=\"x\" ext=\".txt\" size=\"1\" path=\"/trip/\"/>"
            "<file id=\"9\" name=\"x\" ext=\".txt\" size=\"1\" path=\"\"/>"
            "</files><folders>"
            "<folder id=\"1\" name=\"..\" path=\"/trip/\"/>"
            "<folder id=\"2\" name=\"evil\" path=\"/trip/../../\"/>"
            "<folder id=\"3\" name=\"/tmp\" path=\"/trip/\"/>"
            "</folders>"));
    EXPECT_EQ(download(), 1);
    const auto queued = rows();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].localPath, root() + "/trip/sub/");
    // Nothing was made beside the target or above it.
    EXPECT_EQ(std::distance(fs::directory_iterator(root()), fs::directory_iterator{}), 1);
    EXPECT_FALSE(fs::exists(m_dir.file("evil")));
    EXPECT_FALSE(fs::exists(m_dir.path() + "/../evil"));
    EXPECT_FALSE(fs::exists(root() + "/other"));
}

TEST_F(FolderDownload, AFolderNameThatIsNotOneNameIsRefused) {
    m_server.answer(kGetFilesWithPath, accepted("<files/><folders/>"));
    EXPECT_EQ(download("../up"), 0);
    EXPECT_EQ(download(""), 0);
    EXPECT_FALSE(fs::exists(m_dir.file("up")));
}

TEST_F(FolderDownload, AFolderThatCannotBeCreatedIsReportedOnceAndRowsStillQueue) {
    writeFile(m_dir.file("plain"), "not a folder");
    m_server.answer(
        kGetFilesWithPath,
        accepted("<files><file id=\"1\" name=\"a\" ext=\".t\" size=\"1\" path=\"/trip/\"/>"
                 "<file id=\"2\" name=\"b\" ext=\".t\" size=\"1\" path=\"/trip/s/\"/></files>"
                 "<folders><folder id=\"3\" name=\"s\" path=\"/trip/\"/></folders>"));
    EXPECT_EQ(download("trip", m_dir.file("plain")), 1);
    EXPECT_EQ(m_notifier.texts(), std::vector<std::string>{"文件夹创建失败"});
    EXPECT_EQ(rows().size(), 2u);
}

TEST_F(FolderDownload, NamesAreKeptApartLocallyInTheirComposedFormAndCutToWhatTheDiskHolds) {
    const std::string longName(300, 'x');
    const std::string decomposed = "e\xCC\x81";  // "é" as macOS writes it
    m_server.answer(
        kGetFilesWithPath,
        accepted("<files>"
                 "<file id=\"1\" name=\"" +
                 decomposed +
                 "\" ext=\".txt\" size=\"1\" path=\"/trip/\"/>"
                 "<file id=\"2\" name=\"\xC3\xA9\" ext=\".txt\" size=\"1\" path=\"/trip/\"/>"
                 "<file id=\"3\" name=\"" +
                 longName +
                 "\" ext=\".txt\" size=\"1\" path=\"/trip/\"/>"
                 "<file id=\"4\" name=\"d\" ext=\"\" size=\"1\" path=\"/trip/" +
                 decomposed +
                 "/\"/>"
                 "<file id=\"5\" name=\"same\" ext=\"\" size=\"1\" path=\"/trip/\"/>"
                 "</files><folders>"
                 "<folder id=\"6\" name=\"" +
                 decomposed +
                 "\" path=\"/trip/\"/>"
                 "<folder id=\"7\" name=\"same\" path=\"/trip/\"/>"
                 "</folders>"));
    EXPECT_EQ(download(), 1);
    std::vector<std::string> names;
    for (const auto& row : rows())
        names.push_back(row.localPath.substr(root().size()) + row.localFileName);
    EXPECT_EQ(names, (std::vector<std::string>{
                         "/trip/\xC3\xA9.txt", "/trip/\xC3\xA9 (2).txt",
                         "/trip/" + std::string(251, 'x') + ".txt", "/trip/\xC3\xA9/d",
                         "/trip/same (2)",  // a folder of that name is there
                     }));
    EXPECT_TRUE(fs::is_directory(root() + "/trip/\xC3\xA9"));
    EXPECT_TRUE(fs::is_directory(root() + "/trip/same"));
    EXPECT_EQ(m_notifier.texts(),
              std::vector<std::string>{"3 个文件名无法在本地使用，已改为安全的名称"});
}

// A listing that never came or that the service refused fails the download with a message:
// nothing created, nothing queued, and never taken for an empty folder.
TEST_F(FolderDownload, NoAnswerOrNoResultCreatesNothingAndSaysWhy) {
    EXPECT_EQ(download(), 0);
    EXPECT_EQ(sent(kGetFilesWithPath).size(), 3u);
    m_server.answer(kGetFilesWithPath, "<root><files/></root>");
    EXPECT_EQ(download(), 0);
    EXPECT_FALSE(fs::exists(root() + "/trip"));
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(m_notifier.texts(), (std::vector<std::string>{"网络异常，下载失败", "操作失败"}));
}

}  // namespace
}  // namespace nubexa::test
