// Folder uploads (breadth first, a disk folder per local folder) and folder downloads back.
#include <algorithm>
#include <filesystem>

#include "transfer/transfer_page_text.h"
#include "transfer_fixture.h"

namespace nubexa::test {
namespace {

class FolderTransfer : public TransferTest {
protected:
    // Disk folder ids by name under `parentId` (GetFolders).
    std::map<std::string, std::string> remoteFolders(std::int32_t parentId) {
        const AccountInfo account = m_client->account();
        // A fresh client per call: the tree is kept for the rest of a sign-in.
        ServiceClient client(m_client->config(), programFolder());
        EXPECT_EQ(client.signIn("demo", "demo123").value, 1);
        const ServiceResult<FolderTree> read =
            client.GetFolders(client.account().uid, client.account().token, "0");
        EXPECT_TRUE(read.ok());
        const FolderTree& tree = read.value;
        std::map<std::string, std::string> folders;
        for (std::size_t i = 0; i < tree.names.size(); ++i) {
            if (tree.parentids[i] == parentId)
                folders[tree.names[i]] = std::to_string(tree.ids[i]);
        }
        return folders;
    }

    bool allComplete(const std::vector<std::int64_t>& ids) {
        return std::all_of(ids.begin(), ids.end(), [&](std::int64_t id) { return complete(id); });
    }
};

TEST_F(FolderTransfer, ATreeGoesUpBreadthFirstUnderItsOwnFoldersAndComesBackByteExact) {
    const RemoteFolder photos = makeRemoteFolder("photos");
    std::map<std::string, std::string> content;
    const auto add = [&](const std::string& relative, std::size_t size) {
        makeFile("trip/" + relative, size, static_cast<unsigned>(content.size() + 7));
        content[relative] = readFile(localDir() + "/trip/" + relative);
    };
    add("b.bin", 200000);
    add("a.txt", 10);
    add("day1/c.txt", 1);
    add("day1/deep/f.bin", 70000);
    add("day1/d.bin", 150000);
    add("day2/e.txt", 0);  // an empty file goes up and comes back too

    const auto result = queue().QueueFolderUpload(localDir() + "/trip", photos);
    ASSERT_EQ(result.code, 0);
    ASSERT_FALSE(result.remoteFolderId.empty());
    ASSERT_EQ(result.taskIds.size(), content.size());
    EXPECT_EQ(m_view.calls().back(), "refresh page");

    // The files of a folder before those of its sub-folders, level by level.
    std::vector<std::string> order;
    std::vector<std::string> paths;
    for (const auto id : result.taskIds) {
        const auto stored = row(id);
        order.push_back(stored->localFileName);
        paths.push_back(stored->ftpPath);
    }
    EXPECT_EQ(order,
              (std::vector<std::string>{"a.txt", "b.bin", "c.txt", "d.bin", "e.txt", "f.bin"}));
    EXPECT_EQ(paths,
              (std::vector<std::string>{"\\photos\\trip\\", "\\photos\\trip\\",
                                        "\\photos\\trip\\day1\\", "\\photos\\trip\\day1\\",
                                        "\\photos\\trip\\day2\\", "\\photos\\trip\\day1\\deep\\"}));
    ASSERT_TRUE(tickUntil([&] { return allComplete(result.taskIds); }));

    // Every row's parent is the disk folder made for its own local folder.
    const auto trip = remoteFolders(std::stoi(photos.id)).at("trip");
    EXPECT_EQ(trip, result.remoteFolderId);
    const auto level1 = remoteFolders(std::stoi(trip));
    const auto deep = remoteFolders(std::stoi(level1.at("day1"))).at("deep");
    const std::vector<std::string> parents{
        trip, trip, level1.at("day1"), level1.at("day1"), level1.at("day2"), deep};
    for (std::size_t i = 0; i < result.taskIds.size(); ++i)
        EXPECT_EQ(row(result.taskIds[i])->parentId, parents[i]) << order[i];
    EXPECT_EQ(remoteFiles(trip).size(), 2u);
    EXPECT_EQ(remoteFiles(deep).count("f.bin"), 1u);

    // Back into another folder.
    const std::string back = localDir() + "/back";
    std::filesystem::create_directories(back);
    const DiskItem folder{trip, "trip", "", "0", true};
    ASSERT_EQ(queue().QueueFolderDownload(folder, back), 1);
    std::vector<std::int64_t> downloads;
    for (const auto& shown :
         loadTransferPage(*m_gate, m_client->account().uid, Direction::kDownload)) {
        EXPECT_EQ(shown.state, "暂停") << "waiting for the monitor";
        downloads.push_back(std::stoll(shown.id));
    }
    ASSERT_EQ(downloads.size(), content.size());
    ASSERT_TRUE(tickUntil([&] { return allComplete(downloads); }));
    for (const auto& [relative, bytes] : content)
        EXPECT_EQ(readFile(back + "/trip/" + relative), bytes) << relative;

    // The folder is there now: a second download queues nothing and says why.
    ASSERT_EQ(queue().QueueFolderDownload(folder, back), 0);
    EXPECT_EQ(m_notifier.texts().back(), "要下载的文件夹已经存在，请改名后再下载！");
    EXPECT_EQ(loadTransferPage(*m_gate, m_client->account().uid, Direction::kDownload).size(), 0u);
}

TEST_F(FolderTransfer, AnEmptyFolderMakesOneDiskFolderAndATakenNameNone) {
    std::filesystem::create_directories(localDir() + "/empty");
    const auto result = queue().QueueFolderUpload(localDir() + "/empty", {});
    EXPECT_FALSE(result.remoteFolderId.empty());
    EXPECT_TRUE(result.taskIds.empty());
    EXPECT_EQ(remoteFolders(0).count("empty"), 1u);

    makeFile("empty/late.txt", 5);
    const auto again = queue().QueueFolderUpload(localDir() + "/empty", {});
    EXPECT_TRUE(again.remoteFolderId.empty());
    EXPECT_TRUE(again.taskIds.empty());
    ASSERT_EQ(m_notifier.messages().size(), 1u);
    EXPECT_EQ(m_notifier.messages()[0].caption, "提示");
    EXPECT_EQ(m_notifier.messages()[0].text, "选择的文件夹已经存在，请修改后再上传");
}

TEST_F(FolderTransfer, WithoutAnAnswerFromTheServiceTheUserHearsOfTheNetwork) {
    makeFile("offline/a.txt", 3);
    stopService();
    const auto result = queue().QueueFolderUpload(localDir() + "/offline", {});
    EXPECT_TRUE(result.remoteFolderId.empty());
    EXPECT_TRUE(result.taskIds.empty());
    EXPECT_EQ(m_notifier.texts(), (std::vector<std::string>{"网络异常，上传失败"}));
}

// The real "bad：name" keeps its name; the folder whose name maps onto it is numbered (it used
// to take the name first, and the real folder was refused as taken).
TEST_F(FolderTransfer, ASubFolderWhoseMappedNameIsTakenIsNumberedAndItsFilesGoUp) {
    m_settings.startAtOnce = false;
    makeFile("set/x.txt", 3);
    makeFile("set/bad:name/y.txt", 3);
    makeFile("set/bad：name/inner/w.txt", 3);
    makeFile("set/good/z.txt", 3);
    const auto result = queue().QueueFolderUpload(localDir() + "/set", {});
    EXPECT_TRUE(result.skippedFolders.empty());
    ASSERT_EQ(result.numbered.size(), 1u);
    EXPECT_EQ(result.numbered[0].localPath, localDir() + "/set/bad:name");
    EXPECT_EQ(result.numbered[0].text, "bad：name (2)");
    EXPECT_EQ(m_notifier.texts(),
              (std::vector<std::string>{"1 个名称与同一文件夹中的项目重名，已加上编号"}));
    ASSERT_EQ(result.taskIds.size(), 4u);
    const auto set = remoteFolders(0).at("set");
    EXPECT_EQ(remoteFolders(std::stoi(set)).size(), 3u);
}

}  // namespace
}  // namespace nubexa::test
