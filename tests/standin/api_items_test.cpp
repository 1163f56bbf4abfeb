#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "standin/store/sql_database.h"
#include "standin_fixture.h"

namespace nubexa::test {
namespace {

class ItemsApiTest : public StandinTest {
protected:
    Answer op(const std::string& operation, const std::vector<Param>& params) {
        return signedCall("/fileservice.asmx/" + operation, m_demo, params);
    }

    std::string usedSizeNow() {
        return call("/OAuthService.asmx/Login?uid=demo&pwd=demo123").attr("client", "UsedSize");
    }

    Answer fileAdd(const Credentials& who, const std::string& name, const std::string& ext,
                   std::int64_t size, const std::string& dir, const std::string& hash) {
        return signedCall("/fileservice.asmx/FileAdd", who,
                          {{"name", name, true},
                           {"ext", ext},
                           {"size", std::to_string(size)},
                           {"dirid", dir},
                           {"hash", hash}},
                          true);
    }

    std::string idOf(const Answer& listing, const char* list, const std::string& name) {
        for (const auto* item : listing.items(list)) {
            if (attrOf(item, "name") + attrOf(item, "ext") == name)
                return attrOf(item, "id");
        }
        return {};
    }

    std::vector<std::string> binNames() {
        const Answer bin = signedCall("/UserService.asmx/GetRecycleFiles", m_demo,
                                      {{"order", "name"}, {"desc", "0"}});
        auto names = fileNames(bin);
        for (const auto& folder : folderNames(bin))
            names.push_back(folder + "/");
        return names;
    }
};

TEST_F(ItemsApiTest, NewFolderAndRenameRefuseNamesTakenInTheFolder) {
    const std::string id = addFolder(m_demo, "0", "a+b %");
    EXPECT_FALSE(id.empty());

    const Answer again = op("FolderAdd", {{"pid", "0"}, {"name", "a+b %", true}});
    EXPECT_EQ(again.result(), "0");
    EXPECT_EQ(again.attr("folder", "id"), "0");
    EXPECT_FALSE(again.text("msg").empty());
    // A file name counts as taken too.
    EXPECT_EQ(op("FolderAdd", {{"pid", "0"}, {"name", "欢迎使用Nubexa.txt", true}}).result(), "0");

    const std::string other = addFolder(m_demo, "0", "other");
    EXPECT_EQ(op("FolderRename", {{"dirid", other}, {"newname", "a+b %", true}}).result(), "0");
    EXPECT_EQ(op("FolderRename", {{"dirid", other}, {"newname", "other", true}}).result(), "1");
    EXPECT_EQ(op("FolderRename", {{"dirid", other}, {"newname", "新名字", true}}).result(), "1");
    EXPECT_EQ(folderNames(listFolder(m_demo, "0")).back(), "私密资料");
    const auto names = folderNames(listFolder(m_demo, "0"));
    EXPECT_NE(std::find(names.begin(), names.end(), "新名字"), names.end());

    // A file keeps its extension when renamed.
    const std::string welcome = idOf(listFolder(m_demo, "0"), "files", "欢迎使用Nubexa.txt");
    EXPECT_EQ(op("FileRename", {{"fid", welcome}, {"newname", "readme first", true}}).result(),
              "1");
    EXPECT_EQ(idOf(listFolder(m_demo, "0"), "files", "readme first.txt"), welcome);
}

TEST_F(ItemsApiTest, MovesRefuseTheFolderItselfItsSubfoldersAndTakenNames) {
    const Answer root = listFolder(m_demo, "0");
    const std::string photos = idOf(root, "folders", "照片");
    const std::string documents = idOf(root, "folders", "文档");
    const std::string trip = idOf(listFolder(m_demo, photos), "folders", "旅行");

    EXPECT_EQ(op("FolderMove", {{"dirids", photos}, {"target_dirid", photos}}).result(), "0");
    EXPECT_EQ(op("FolderMove", {{"dirids", photos}, {"target_dirid", trip}}).result(), "0");
    EXPECT_EQ(op("FolderMove", {{"dirids", photos}, {"target_dirid", "424242"}}).result(), "0");

    const std::string clash = addFolder(m_demo, documents, "旅行");
    EXPECT_EQ(op("FolderMove", {{"dirids", trip}, {"target_dirid", documents}}).result(), "0");
    EXPECT_EQ(op("FolderDelete", {{"dirids", clash}, {"is_real", "1"}}).result(), "1");
    EXPECT_EQ(op("FolderMove", {{"dirids", trip}, {"target_dirid", documents}}).result(), "1");
    EXPECT_EQ(folderNames(listFolder(m_demo, documents)), std::vector<std::string>{"旅行"});
    EXPECT_TRUE(folderNames(listFolder(m_demo, photos)).empty());

    // Several files at once, all or nothing.
    const std::string seaside = idOf(listFolder(m_demo, photos), "files", "海边.png");
    const std::string welcome = idOf(root, "files", "欢迎使用Nubexa.txt");
    EXPECT_EQ(op("FileMove", {{"fids", seaside + ",999999"}, {"target_dirid", documents}}).result(),
              "0");
    EXPECT_EQ(fileNames(listFolder(m_demo, photos)), std::vector<std::string>{"海边.png"});
    EXPECT_EQ(
        op("FileMove", {{"fids", seaside + "," + welcome}, {"target_dirid", documents}}).result(),
        "1");
    EXPECT_EQ(fileNames(listFolder(m_demo, documents)).size(), 5u);
}

TEST_F(ItemsApiTest, DeleteTakesEverythingBelowIntoTheBinAndRestoreBringsItBack) {
    const std::string photos = idOf(listFolder(m_demo, "0"), "folders", "照片");
    const std::string trip = idOf(listFolder(m_demo, photos), "folders", "旅行");
    EXPECT_EQ(op("FolderDelete", {{"dirids", photos}, {"is_real", "0"}}).result(), "1");
    EXPECT_TRUE(idOf(listFolder(m_demo, "0"), "folders", "照片").empty());
    EXPECT_EQ(listFolder(m_demo, trip).result(), "0");
    EXPECT_EQ(binNames(), (std::vector<std::string>{"旧文件.txt", "照片/"}));
    // What went with the folder is not found by the search either.
    const Answer search = signedCall("/UserService.asmx/FileSearch", m_demo,
                                     {{"order", "name"}, {"desc", "0"}, {"keyword", "日出", true}});
    EXPECT_TRUE(search.items("files").empty());

    EXPECT_EQ(op("FolderAndFileRestore", {{"dirids", photos}, {"fids", ""}}).result(), "1");
    EXPECT_EQ(fileNames(listFolder(m_demo, trip)).size(), 0u);
    EXPECT_EQ(folderNames(listFolder(m_demo, trip)), std::vector<std::string>{"第一天"});
    EXPECT_EQ(binNames(), std::vector<std::string>{"旧文件.txt"});
    // Only what the bin shows can be restored.
    EXPECT_EQ(op("FolderAndFileRestore", {{"dirids", trip}, {"fids", ""}}).result(), "0");
    EXPECT_EQ(op("FolderAndFileRestore", {{"dirids", ""}, {"fids", ""}}).result(), "0");
}

TEST_F(ItemsApiTest, RestoreGoesToTheRootWhenTheOldFolderIsGoneAndNumbersATakenName) {
    const std::string documents = idOf(listFolder(m_demo, "0"), "folders", "文档");
    const std::string minutes = idOf(listFolder(m_demo, documents), "files", "会议纪要.txt");
    ASSERT_EQ(op("FileDelete", {{"fids", minutes}, {"is_real", "0"}}).result(), "1");
    ASSERT_EQ(op("FolderDelete", {{"dirids", documents}, {"is_real", "0"}}).result(), "1");
    EXPECT_EQ(op("FolderAndFileRestore", {{"dirids", ""}, {"fids", minutes}}).result(), "1");
    EXPECT_EQ(idOf(listFolder(m_demo, "0"), "files", "会议纪要.txt"), minutes);

    // The bin's old file comes back beside a new one of the same name.
    upload(m_demo, "\\", "0", "旧文件.txt", "a new file with the old name");
    const std::string old = idOf(
        signedCall("/UserService.asmx/GetRecycleFiles", m_demo, {{"order", "name"}, {"desc", "0"}}),
        "files", "旧文件.txt");
    EXPECT_EQ(op("FolderAndFileRestore", {{"dirids", ""}, {"fids", old}}).result(), "1");
    EXPECT_EQ(idOf(listFolder(m_demo, "0"), "files", "旧文件 (2).txt"), old);
}

TEST_F(ItemsApiTest, DeletingForGoodFreesTheBytesAndTheUsedSize) {
    const std::int64_t before = std::stoll(usedSizeNow());
    const std::string id = upload(m_demo, "\\", "0", "big.bin", std::string(200000, 'b'));
    EXPECT_EQ(std::stoll(usedSizeNow()), before + 200000);
    const std::string content = dataFolder() + "/data/content/" + m_demo.uid + "/" + id;
    EXPECT_TRUE(std::filesystem::exists(content));

    // The bin still holds the bytes.
    ASSERT_EQ(op("FileDelete", {{"fids", id}, {"is_real", "0"}}).result(), "1");
    EXPECT_EQ(std::stoll(usedSizeNow()), before + 200000);
    ASSERT_EQ(op("FileDelete", {{"fids", id}, {"is_real", "1"}}).result(), "1");
    EXPECT_EQ(std::stoll(usedSizeNow()), before);
    EXPECT_FALSE(std::filesystem::exists(content));
    EXPECT_EQ(op("FileDelete", {{"fids", id}, {"is_real", "1"}}).result(), "0");

    // A folder for good takes its files with it.
    const std::string projects = idOf(listFolder(m_demo, "0"), "folders", "projects");
    ASSERT_EQ(op("FolderDelete", {{"dirids", projects}, {"is_real", "1"}}).result(), "1");
    EXPECT_LT(std::stoll(usedSizeNow()), before - (1 << 20));
    EXPECT_EQ(op("FolderDelete", {{"dirids", projects}, {"is_real", "maybe"}}).result(), "0");

    // The running total survives a restart, and a data folder from before it is summed once.
    const std::string used = usedSizeNow();
    startService(false);
    EXPECT_EQ(usedSizeNow(), used);
    m_service->stop();
    {
        std::string error;
        auto database = standin::SqlDatabase::open(dataFolder() + "/data/nubexa.db", error);
        ASSERT_TRUE(database) << error;
        standin::SqlTx tx(*database);
        ASSERT_TRUE(tx.exec("DROP TABLE usage")) << tx.error();
        ASSERT_TRUE(tx.exec("DELETE FROM meta WHERE key = 'usage_summed'")) << tx.error();
        ASSERT_TRUE(tx.commit()) << tx.error();
    }
    startService(false);
    EXPECT_EQ(usedSizeNow(), used);
}

TEST_F(ItemsApiTest, ClearBinEmptiesTheBinForGood) {
    const std::string documents = idOf(listFolder(m_demo, "0"), "folders", "文档");
    ASSERT_EQ(op("FolderDelete", {{"dirids", documents}, {"is_real", "0"}}).result(), "1");
    const std::int64_t before = std::stoll(usedSizeNow());
    EXPECT_EQ(op("ClearBin", {}).result(), "1");
    EXPECT_TRUE(binNames().empty());
    EXPECT_LT(std::stoll(usedSizeNow()), before);
    // The shared report went with its folder: the share view no longer lists it.
    EXPECT_TRUE(fileNames(signedCall("/UserService.asmx/GetShareFiles", m_demo,
                                     {{"order", "name"}, {"desc", "0"}}))
                    .empty());
}

TEST_F(ItemsApiTest, EncryptSetsPasswordAndHintAndDecryptNeedsThePassword) {
    const std::string welcome = idOf(listFolder(m_demo, "0"), "files", "欢迎使用Nubexa.txt");
    EXPECT_EQ(
        op("FileEncrypt", {{"fid", welcome}, {"password", ""}, {"password_tip", "x"}}).result(),
        "0");
    ASSERT_EQ(
        op("FileEncrypt", {{"fid", welcome}, {"password", "密码42"}, {"password_tip", "提示"}})
            .result(),
        "1");
    const Answer protectedListing = listFolder(m_demo, "0");
    const auto* file = protectedListing.items("files").front();
    EXPECT_EQ(attrOf(file, "ispwd"), "1");
    EXPECT_EQ(attrOf(file, "pwd"), "密码42");
    EXPECT_EQ(attrOf(file, "pwdtip"), "提示");

    EXPECT_EQ(op("FileDecrypt", {{"fid", welcome}, {"password", "wrong"}}).result(), "0");
    EXPECT_EQ(op("FileDecrypt", {{"fid", welcome}, {"password", "密码42"}}).result(), "1");
    const Answer listing = listFolder(m_demo, "0");
    EXPECT_EQ(attrOf(listing.items("files").front(), "ispwd"), "0");
    EXPECT_EQ(op("FileDecrypt", {{"fid", welcome}, {"password", "密码42"}}).result(), "0");

    const std::string secret = idOf(listing, "folders", "私密资料");
    EXPECT_EQ(op("FolderDecrypt", {{"dirid", secret}, {"password", "1234"}}).result(), "1");
    EXPECT_EQ(op("FolderEncrypt", {{"dirid", secret}, {"password", "new"}, {"password_tip", ""}})
                  .result(),
              "1");
}

TEST_F(ItemsApiTest, FileAddEnforcesTheUploadLimitAndTheDiskSize) {
    const Credentials guest = login("guest", "guest123");
    const std::string hash = md5Upper("anything");
    const Answer tooBig = fileAdd(guest, "movie", ".mkv", (100LL << 20) + 1, "0", hash);
    EXPECT_EQ(tooBig.result(), "0");
    EXPECT_EQ(tooBig.text("msg"), "单文件大小超过你当前等级限制");
    EXPECT_EQ(fileAdd(guest, "movie", ".mkv", 100LL << 20, "0", hash).result(), "1");

    // Registrations waiting for their bytes hold their space.
    int accepted = 1;
    for (int i = 0; i < 12; ++i) {
        const Answer answer = fileAdd(guest, "part" + std::to_string(i), ".bin", 100LL << 20, "0",
                                      md5Upper(std::to_string(i)));
        if (answer.result() == "1")
            ++accepted;
        else
            EXPECT_EQ(answer.text("msg"), "网盘空间不足，请扩容后再上传");
    }
    EXPECT_EQ(accepted, 10);  // 1 GiB holds ten of them
}

TEST_F(ItemsApiTest, FileAddRepeatedGivesTheSameIdAndOtherContentGetsANumberedName) {
    const std::string hash = md5Upper("first");
    const Answer first = fileAdd(m_demo, "notes", ".txt", 5, "0", hash);
    const Answer repeat = fileAdd(m_demo, "notes", ".txt", 5, "0", hash);
    ASSERT_EQ(first.result(), "1");
    EXPECT_EQ(repeat.attr("file", "id"), first.attr("file", "id"));
    const Answer other = fileAdd(m_demo, "notes", ".txt", 6, "0", md5Upper("second"));
    ASSERT_EQ(other.result(), "1");
    EXPECT_NE(other.attr("file", "id"), first.attr("file", "id"));

    // Delivered, the second one shows under its numbered name.
    const std::string id = upload(m_demo, "\\", "0", "notes.txt", "second");
    EXPECT_EQ(id, other.attr("file", "id"));
    const auto names = fileNames(listFolder(m_demo, "0"));
    EXPECT_NE(std::find(names.begin(), names.end(), "notes (2).txt"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "notes.txt"), names.end());
}

TEST_F(ItemsApiTest, FileAddRefusesBadNamesDigestsAndFolders) {
    const std::string hash = md5Upper("x");
    EXPECT_EQ(fileAdd(m_demo, "../../etc/passwd", "", 1, "0", hash).result(), "0");
    EXPECT_EQ(fileAdd(m_demo, "a\\b", ".txt", 1, "0", hash).result(), "0");
    EXPECT_EQ(fileAdd(m_demo, "..", "", 1, "0", hash).result(), "0");
    EXPECT_EQ(fileAdd(m_demo, "ok", "txt", 1, "0", hash).result(), "0");
    EXPECT_EQ(fileAdd(m_demo, "ok", ".txt", 1, "0", "hash").result(), "0");
    EXPECT_EQ(fileAdd(m_demo, "ok", ".txt", 1, "31337", hash).result(), "0");
    EXPECT_EQ(fileAdd(login("guest", "guest123"), "ok", ".txt", 1,
                      idOf(listFolder(m_demo, "0"), "folders", "文档"), hash)
                  .result(),
              "0");
    EXPECT_EQ(fileAdd(m_demo, "ok", ".txt", 1, "0", hash).result(), "1");
}

TEST_F(ItemsApiTest, ConcurrentRequestsEachSeeAConsistentDisk) {
    // Sixteen clients at once: each makes its own folder and all register the same upload.
    std::mutex mutex;
    std::set<std::string> folderIds;
    std::set<std::string> fileIds;
    std::vector<std::thread> clients;
    for (int i = 0; i < 16; ++i) {
        clients.emplace_back([&, i] {
            const Answer folder =
                op("FolderAdd", {{"pid", "0"}, {"name", "c" + std::to_string(i), true}});
            const Answer file = fileAdd(m_demo, "shared", ".bin", 4, "0", md5Upper("same"));
            std::lock_guard lock(mutex);
            EXPECT_EQ(folder.result(), "1");
            EXPECT_EQ(file.result(), "1");
            folderIds.insert(folder.attr("folder", "id"));
            fileIds.insert(file.attr("file", "id"));
        });
    }
    for (auto& client : clients)
        client.join();
    EXPECT_EQ(folderIds.size(), 16u);
    EXPECT_EQ(fileIds.size(), 1u);
    EXPECT_EQ(folderNames(listFolder(m_demo, "0")).size(), 20u);
}

}  // namespace
}  // namespace nubexa::test
