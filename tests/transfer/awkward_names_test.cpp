// What a person's folders hold, through the stand-in service and back: names the service
// refuses, dot files, odd extensions, empty folders, links, special files and a file this
// process cannot read; and a refusal that no retry can change.
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "transfer/task_commands.h"
#include "transfer/transfer_page_text.h"
#include "transfer_fixture.h"

namespace nubexa::test {
namespace {

namespace fs = std::filesystem;

// Every regular file and folder below `root`, by path relative to it: the bytes of files, "/"
// for folders.
std::map<std::string, std::string> treeOf(const std::string& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = entry.path().lexically_relative(root).string();
        if (entry.is_symlink())
            continue;
        if (entry.is_directory())
            tree[relative] = "/";
        else if (entry.is_regular_file())
            tree[relative] = readFile(entry.path().string());
    }
    return tree;
}

// While alive, file access on this thread is checked as an unprivileged user's (tests run as
// root, who may read anything); root's groups still count. Only around the walk: other threads
// keep their rights.
class UnprivilegedFiles {
public:
    UnprivilegedFiles() : m_was(static_cast<uid_t>(::setfsuid(65534))) {}
    ~UnprivilegedFiles() { ::setfsuid(m_was); }

private:
    uid_t m_was;
};

class AwkwardNames : public TransferTest {
protected:
    // Every unfinished download ticked to its end; how many there were (0 when one did not end).
    std::size_t finishDownloads() {
        std::vector<std::int64_t> downloads;
        for (const auto& task :
             loadTransferPage(*m_gate, m_client->account().uid, Direction::kDownload))
            downloads.push_back(std::stoll(task.id));
        const bool ended = tickUntil([&] {
            return std::all_of(downloads.begin(), downloads.end(),
                               [&](std::int64_t id) { return complete(id); });
        });
        return ended ? downloads.size() : 0;
    }
};

TEST_F(AwkwardNames, AFolderOfEveryKindOfEntryGoesUpWholeSaysWhatItSkipsAndComesBackByteExact) {
    const std::string top = localDir() + "/awkward";
    // What arrives, by the name it has on the disk: refused characters mapped, nothing else.
    std::map<std::string, std::string> expected;
    unsigned seed = 11;
    const auto add = [&](const std::string& local, const std::string& remote, std::size_t size) {
        makeFile("awkward/" + local, size, ++seed);
        expected[remote] = readFile(top + "/" + local);
    };
    add("q?.txt", "q？.txt", 10);
    add("it's \"quoted\".txt", "it's ＂quoted＂.txt", 300);
    add("back\\slash.txt", "back＼slash.txt", 1);
    add("trail ", "trail\u3000", 2);
    add(" lead.txt", "\u3000lead.txt", 3);
    add("tab\there", "tab\u2409here", 4);
    add("a:b*c<d>e|f", "a：b＊c＜d＞e｜f", 5);
    add(".hidden", ".hidden", 6);
    add(".gitignore", ".gitignore", 7);
    add("archive.tar.gz", "archive.tar.gz", 70000);
    add("noext", "noext", 8);
    add("name.", "name.", 9);
    add("a..b", "a..b", 0);
    add(".config/settings.ini", ".config/settings.ini", 12);
    add("sub?/inner.txt", "sub？/inner.txt", 13);
    fs::create_directories(top + "/empty");
    expected["empty"] = "/";
    expected[".config"] = "/";
    expected["sub？"] = "/";
    // A link to a file goes up as the file, under the link's name.
    fs::create_symlink("noext", top + "/link-to-file");
    expected["link-to-file"] = expected["noext"];

    // Left out, each said.
    fs::create_directory_symlink("..", top + "/loop");
    fs::create_symlink("nowhere", top + "/dangling");
    fs::create_symlink("self", top + "/self");  // leads round, not to nothing
    ASSERT_EQ(::mkfifo((top + "/fifo").c_str(), 0644), 0);
    const int unixSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = top + "/sock";
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(unixSocket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    makeFile("awkward/secret.txt", 5);
    fs::permissions(top + "/secret.txt", fs::perms::none);
    // The unprivileged check must reach the tree.
    for (fs::path folder = top; folder != fs::path(m_dir.path()).parent_path();
         folder = folder.parent_path())
        fs::permissions(folder,
                        fs::perms::others_read | fs::perms::others_exec | fs::perms::group_read |
                            fs::perms::group_exec,
                        fs::perm_options::add);

    FolderUploadPlan plan;
    {
        UnprivilegedFiles unprivileged;
        plan = queue().prepareFolderUpload(top, {});
    }
    const FolderUploadResult result = queue().commitFolderUpload(std::move(plan));
    ::close(unixSocket);
    ASSERT_FALSE(result.remoteFolderId.empty()) << ::testing::PrintToString(m_notifier.texts());
    EXPECT_TRUE(result.skippedFolders.empty());

    std::vector<std::string> skipped;
    for (const auto& entry : result.skipped)
        skipped.push_back(fs::path(entry.localPath).lexically_relative(top).string() + ": " +
                          entry.text);
    std::sort(skipped.begin(), skipped.end());
    EXPECT_EQ(skipped, (std::vector<std::string>{
                           "dangling: 链接指向的项目不存在",
                           "fifo: 不是普通文件（管道、套接字或设备）",
                           "loop: 指向文件夹的链接，未跟随",
                           "secret.txt: 无法读取",
                           "self: 链接形成循环",
                           "sock: 不是普通文件（管道、套接字或设备）",
                       }));
    EXPECT_EQ(result.renamed.size(), 8u);  // seven files and one folder
    // Once each, for the whole tree.
    EXPECT_EQ(m_notifier.texts(),
              (std::vector<std::string>{"8 个文件名含有网盘不允许的字符，已替换为全角字符",
                                        "已跳过 6 个无法上传的项目"}));

    // The row reads the local file and the transfer page shows the name on the disk.
    const auto mapped =
        std::find_if(result.taskIds.begin(), result.taskIds.end(),
                     [&](std::int64_t id) { return row(id)->localFileName == "q?.txt"; });
    ASSERT_NE(mapped, result.taskIds.end());
    const auto stored = row(*mapped);
    EXPECT_EQ(stored->ftpFileName, "q？.txt");
    TaskListRow listed;
    listed.localPath = stored->localPath;
    listed.localFileName = stored->localFileName;
    listed.ftpPath = stored->ftpPath;
    listed.ftpFileName = stored->ftpFileName;
    const TransferPageRow shown = makePageRow(listed, Direction::kUpload);
    EXPECT_EQ(shown.localInfo, top + "/q?.txt");
    EXPECT_EQ(shown.remoteInfo, "\\awkward\\q？.txt");
    ASSERT_TRUE(tickUntil([&] {
        return std::all_of(result.taskIds.begin(), result.taskIds.end(),
                           [&](std::int64_t id) { return complete(id); });
    }));

    const std::string back = localDir() + "/back";
    fs::create_directories(back);
    const DiskItem folder{result.remoteFolderId, "awkward", "", "0", true};
    ASSERT_EQ(queue().QueueFolderDownload(folder, back), 1);
    ASSERT_GT(finishDownloads(), 0u);
    // Under the disk's names: a full-width "？" is ordinary text and is never mapped back.
    EXPECT_EQ(treeOf(back + "/awkward"), expected);
}

// Names that meet once mapped or composed: "a:b.txt" goes as "a：b.txt", which a real sibling
// has; "dé" decomposed is "dé" composed, which a folder beside it has, and a download writes
// both composed. The real names stay; the others are numbered at queue time, said, and every
// file comes back with its own bytes under a path of its own.
TEST_F(AwkwardNames, NamesThatMeetOnceMappedOrComposedAreNumberedAndNeverMerge) {
    const std::string top = localDir() + "/meet";
    const std::string composed = "d\u00e9";
    const std::string decomposed = "de\u0301";
    makeFile("meet/a:b.txt", 10, 1);
    makeFile("meet/a\uff1ab.txt", 20, 2);
    makeFile("meet/" + composed + "/x.txt", 30, 3);
    makeFile("meet/" + decomposed + "/x.txt", 40, 4);
    const auto result = queue().QueueFolderUpload(top, {});
    ASSERT_FALSE(result.remoteFolderId.empty());
    std::map<std::string, std::string> numbered;
    for (const auto& entry : result.numbered)
        numbered[fs::path(entry.localPath).filename().string()] = entry.text;
    EXPECT_EQ(numbered, (std::map<std::string, std::string>{{"a:b.txt", "a\uff1ab (2).txt"},
                                                            {decomposed, decomposed + " (2)"}}));
    EXPECT_TRUE(result.renamed.empty()) << "said once, as numbered";
    // Once each; the decomposed name is kept composed by the disk, which is said too.
    EXPECT_EQ(m_notifier.texts(),
              (std::vector<std::string>{"2 个名称与同一文件夹中的项目重名，已加上编号",
                                        "1 个名称以组合形式（NFC）保存"}));
    ASSERT_TRUE(tickUntil([&] {
        return std::all_of(result.taskIds.begin(), result.taskIds.end(),
                           [&](std::int64_t id) { return complete(id); });
    }));

    const std::string back = localDir() + "/back";
    fs::create_directories(back);
    ASSERT_EQ(
        queue().QueueFolderDownload(DiskItem{result.remoteFolderId, "meet", "", "0", true}, back),
        1);
    ASSERT_GT(finishDownloads(), 0u);
    EXPECT_EQ(treeOf(back + "/meet"), (std::map<std::string, std::string>{
                                          {"a\uff1ab.txt", patternBytes(20, 2)},
                                          {"a\uff1ab (2).txt", patternBytes(10, 1)},
                                          {composed, "/"},
                                          {composed + "/x.txt", patternBytes(30, 3)},
                                          {composed + " (2)", "/"},
                                          {composed + " (2)/x.txt", patternBytes(40, 4)},
                                      }));
}

// Two folders of the disk whose names differ only in their Unicode form (made elsewhere, as
// another client may): two local folders, never one holding both folders' files.
TEST_F(AwkwardNames, SiblingFoldersThatComposeAlikeDownloadIntoTwoFolders) {
    const RemoteFolder top = makeRemoteFolder("forms");
    const RemoteFolder first = makeRemoteFolder("d\u00e9", top);
    const RemoteFolder second = makeRemoteFolder("de\u0301", top);
    putRemoteFile(first, "x.txt", "composed");
    putRemoteFile(second, "x.txt", "decomposed");
    const std::string back = localDir() + "/back";
    fs::create_directories(back);
    const auto before = loadTransferPage(*m_gate, m_client->account().uid, Direction::kDownload);
    ASSERT_EQ(queue().QueueFolderDownload(DiskItem{top.id, "forms", "", "0", true}, back), 1);
    ASSERT_EQ(finishDownloads(), before.size() + 2);
    const auto tree = treeOf(back + "/forms");
    EXPECT_EQ(tree.size(), 4u) << ::testing::PrintToString(tree);
    std::set<std::string> contents;
    for (const auto& [path, bytes] : tree)
        contents.insert(bytes);
    EXPECT_EQ(contents, (std::set<std::string>{"/", "composed", "decomposed"}));
}

TEST_F(AwkwardNames, ARefusalNoRetryCanChangeFailsAtOnceWithTheServiceReasonUntilResumed) {
    // Gone before its file arrives: the bytes go up, the registration is refused.
    const RemoteFolder gone = makeRemoteFolder("gone");
    const AccountInfo account = m_client->account();
    ASSERT_EQ(m_client->FolderDelete(account.uid, account.token, gone.id, "0"), 1);
    const auto queued = queue().QueueFileUpload(makeFile("report.pdf", 5000), gone);
    ASSERT_TRUE(queued.queued);

    const auto failed = [&] { return stateOf(queued.id) == "失败"; };
    ASSERT_TRUE(tickUntil(failed)) << stateOf(queued.id) << " " << [&] {
        std::lock_guard lock(m_logMutex);
        std::string all;
        for (const auto& line : m_log)
            all += line + "\n";
        return all;
    }();
    EXPECT_EQ(countLogLines("msg=目标文件夹不存在"), 1);
    const auto shown = loadTransferPage(*m_gate, account.uid, Direction::kUpload);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].reason, "目标文件夹不存在");
    // Never picked again by itself.
    for (int tick = 0; tick < 5; ++tick)
        monitor().MonitorTick();
    manager().waitForWorkers();
    EXPECT_EQ(countLogLines("msg=目标文件夹不存在"), 1);
    EXPECT_TRUE(failed());

    // The user's resume tries once more, and it fails the same way with the same words.
    EXPECT_EQ(TaskCommands(manager()).resume(queued.id), TaskCommands::Result::kDone);
    ASSERT_TRUE(tickUntil([&] { return countLogLines("msg=目标文件夹不存在") == 2 && failed(); }));
    EXPECT_EQ(loadTransferPage(*m_gate, account.uid, Direction::kUpload)[0].reason,
              "目标文件夹不存在");
}

TEST_F(AwkwardNames, AFileRewrittenWhileItGoesUpIsSentAgainAndNeverRegisteredAsAMixture) {
    m_settings.ftp.maxBytesPerSecond = 256 << 10;  // four seconds for the file
    const std::size_t size = 1 << 20;
    const std::string path = makeFile("rewritten.bin", size, 1);
    const auto queued = queue().QueueFileUpload(path, {});
    ASSERT_TRUE(queued.queued);
    ASSERT_TRUE(tickUntil([&] {
        const auto stored = row(queued.id);
        return stored && stored->transferSize > 0;
    }));
    const std::string newer = patternBytes(size, 2);
    writeFile(path, newer);
    ASSERT_TRUE(tickUntil([&] { return complete(queued.id); }));

    const DiskItem item{remoteFiles("0").at("rewritten.bin"), "rewritten", ".bin",
                        std::to_string(size), false};
    const std::string back = localDir() + "/back";
    fs::create_directories(back);
    const auto download = queue().QueueFileDownload(item, back, {});
    ASSERT_TRUE(download.queued);
    ASSERT_TRUE(tickUntil([&] { return complete(download.id); }));
    EXPECT_TRUE(readFile(back + "/rewritten.bin") == newer);
}

TEST_F(AwkwardNames, AnEndedSessionFailsTheTaskUntilASignInAgainCarriesItOn) {
    // The service keeps only an account's newest sign-ins: fifty more end ours.
    ServiceClient other(m_client->config(), programFolder());
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(other.signIn("demo", "demo123").value, 1);
    const auto queued = queue().QueueFileUpload(makeFile("late.txt", 3000), {});
    ASSERT_TRUE(queued.queued);
    // Nobody to sign in again: the task waits with the service's words.
    ASSERT_TRUE(tickUntil([&] { return stateOf(queued.id) == "失败"; }));
    manager().waitForWorkers();
    EXPECT_EQ(loadTransferPage(*m_gate, m_client->account().uid, Direction::kUpload)[0].reason,
              "登录已失效，请重新登录");

    // With the remembered password, one sign-in again serves the retry.
    int renewals = 0;
    manager().renewal().setRenewer([&] {
        ++renewals;
        return m_client->signIn("demo", "demo123").value == 1;
    });
    EXPECT_EQ(TaskCommands(manager()).resume(queued.id), TaskCommands::Result::kDone);
    ASSERT_TRUE(tickUntil([&] { return complete(queued.id); }));
    EXPECT_EQ(renewals, 1);
    EXPECT_EQ(remoteFiles("0").count("late.txt"), 1u);
}

}  // namespace
}  // namespace nubexa::test
