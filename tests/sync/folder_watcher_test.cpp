// A real inotify watcher on a temporary folder: what a user does to files (make, edit, move,
// delete, a new nested folder) is reported with its path, a download's unfinished file is not, and
// a kernel queue that ran over asks for a full look.
#include "sync/folder_watcher.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <utility>

#include "ftp/partial_name.h"
#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class Recorder : public FolderWatchListener {
public:
    void foldersChanged(const std::vector<FolderChanges>& changes) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (const FolderChanges& change : changes) {
            m_paths.insert(change.paths.begin(), change.paths.end());
            m_rescan = m_rescan || change.rescan;
        }
        ++m_reports;
        m_changed.notify_all();
        // Holding the watcher's thread here keeps it from reading the kernel's queue.
        m_released.wait_for(lock, 30s, [this] { return !m_holding; });
    }

    // Waits (time-limited) until `path` was reported; what was reported so far, forgotten.
    std::set<std::string> reportedWith(const std::string& path) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, 10s, [&] { return m_paths.count(path) != 0; });
        return std::exchange(m_paths, {});
    }
    bool sawPath(const std::string& path) { return reportedWith(path).count(path) != 0; }
    bool sawRescan() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, 10s, [&] { return m_rescan; });
    }
    bool sawReport() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, 10s, [&] { return m_reports > 0; });
    }
    void hold(bool holding) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_holding = holding;
        m_released.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::condition_variable m_released;
    std::set<std::string> m_paths;
    bool m_rescan = false;
    int m_reports = 0;
    bool m_holding = false;
};

void write(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::app) << content;
}

TEST(FolderWatcher, MadeEditedMovedDeletedAndNestedFilesAreReported) {
    TempDir dir;
    const std::string root = dir.path() + "/pair";
    fs::create_directories(root + "/sub");
    write(root + "/sub/old.txt", "old");
    Recorder recorder;
    FolderWatcher watcher(recorder, {20ms, 10s});
    ASSERT_TRUE(watcher.ok());
    watcher.watchOnly({root});

    write(root + "/new.txt", "new");
    EXPECT_TRUE(recorder.sawPath("new.txt"));
    write(root + "/sub/old.txt", " and edited");  // a folder that was there at the start
    EXPECT_TRUE(recorder.sawPath("sub/old.txt"));
    fs::rename(root + "/new.txt", root + "/sub/moved.txt");
    EXPECT_TRUE(recorder.sawPath("sub/moved.txt"));
    fs::remove(root + "/sub/moved.txt");
    EXPECT_TRUE(recorder.sawPath("sub/moved.txt"));

    // A folder made now is watched, with what was put in it before its watch took hold.
    fs::create_directories(root + "/n1/n2");
    write(root + "/n1/n2/early.txt", "e");
    EXPECT_TRUE(recorder.sawPath("n1/n2/early.txt"));
    write(root + "/n1/n2/deep.txt", "d");
    EXPECT_TRUE(recorder.sawPath("n1/n2/deep.txt"));
    // A folder moved in from outside the pair, too.
    fs::create_directories(dir.path() + "/outside/inner");
    fs::rename(dir.path() + "/outside", root + "/in");
    EXPECT_TRUE(recorder.sawPath("in"));
    write(root + "/in/inner/late.txt", "l");
    EXPECT_TRUE(recorder.sawPath("in/inner/late.txt"));

    // A download being written is the queue's business; only its real name counts.
    const std::string partial = partialNameOf("coming.txt");
    write(root + "/" + partial, "half");
    write(root + "/after.txt", "a");
    EXPECT_EQ(recorder.reportedWith("after.txt").count(partial), 0u);
    fs::rename(root + "/" + partial, root + "/coming.txt");
    EXPECT_TRUE(recorder.sawPath("coming.txt"));

    // A pair dropped is no longer watched; one added is.
    const std::string other = dir.path() + "/other";
    fs::create_directories(other);
    watcher.watchOnly({other});
    write(root + "/ignored.txt", "i");
    write(other + "/seen.txt", "s");
    // One queue in order: had the old pair still been watched, its file would be in by now.
    const auto reported = recorder.reportedWith("seen.txt");
    EXPECT_EQ(reported.count("seen.txt"), 1u);
    EXPECT_EQ(reported.count("ignored.txt"), 0u);
}

TEST(FolderWatcher, EventsTheKernelDroppedAskForAFullLook) {
    TempDir dir;
    const std::string root = dir.path() + "/pair";
    fs::create_directories(root);
    Recorder recorder;
    FolderWatcher watcher(recorder, {1ms, 10s});
    watcher.watchOnly({root});
    recorder.hold(true);
    write(root + "/first.txt", "1");
    ASSERT_TRUE(recorder.sawReport());
    // The watcher is held in its listener: more events than the kernel queues.
    int limit = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> limit;
    for (int i = 0; i <= limit / 2 + 10; ++i)
        std::ofstream(root + "/f" + std::to_string(i));  // a create and a close each
    recorder.hold(false);
    EXPECT_TRUE(recorder.sawRescan());
}

}  // namespace
}  // namespace nubexa::test
