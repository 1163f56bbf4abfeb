#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/inotify_channel.h"

namespace nubexa {

// What changed below one watched folder since the last report.
struct FolderChanges {
    std::string root;
    std::set<std::string> paths;  // relative to root, '/' between components
    // The kernel dropped events (its queue ran over), or a folder could not be watched: what
    // changed is unknown, the whole folder must be looked at again.
    bool rescan = false;
};

// Hears settled changes, on the watcher's thread; must not block for long.
class FolderWatchListener {
public:
    virtual ~FolderWatchListener() = default;
    virtual void foldersChanged(const std::vector<FolderChanges>& changes) = 0;
};

// Watches folders and everything below them through inotify: folders made later are watched
// as they appear. Changes are reported once a folder has been quiet for `settle` and no file
// in it is still open for writing (a file held open longer than `holdLimit` is reported
// anyway), so a file is sent once it is written, not while. The owner's thread starts and
// ends the watcher; watch/unwatch from any thread; the listener is called on the watcher's
// own thread, which the destructor joins.
class FolderWatcher {
public:
    struct Timing {
        std::chrono::milliseconds settle{500};
        std::chrono::milliseconds holdLimit{std::chrono::seconds(30)};
    };

    FolderWatcher(FolderWatchListener& listener, Timing timing);
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // False when inotify is not available (the periodic look is then all there is).
    bool ok() const { return m_channel.ok(); }
    // The watched roots become exactly `roots`: new ones are watched (recursively), others
    // dropped. A root that cannot be watched whole is reported for a rescan.
    void watchOnly(const std::vector<std::string>& roots);

private:
    struct Pending {
        std::set<std::string> paths;
        std::set<std::string> writing;  // opened for writing, not yet closed
        bool rescan = false;
        std::chrono::steady_clock::time_point quietSince;
        std::chrono::steady_clock::time_point firstWrite;
    };

    void loop();
    // Under m_mutex. Watches `folder` (below `root`) and every folder in it; the files found
    // go into `found` when given.
    void addTree(const std::string& root, const std::string& folder, std::set<std::string>* found);
    void dropRoot(const std::string& root);
    void readEvents();
    void noteChange(const std::string& root, const std::string& path, bool writing, bool closed);
    // Reports what has settled; how long until the next may settle (or -1: nothing pending).
    int reportSettled();

    FolderWatchListener& m_listener;
    const Timing m_timing;
    InotifyChannel m_channel;  // watchOnly and the destructor wake the loop
    std::mutex m_mutex;
    bool m_stop = false;                                           // guarded by m_mutex
    std::map<int, std::pair<std::string, std::string>> m_watches;  // wd -> root, folder; m_mutex
    std::set<std::string> m_roots;                                 // guarded by m_mutex
    std::map<std::string, Pending> m_pending;                      // by root; guarded by m_mutex
    std::thread m_thread;
};

}  // namespace nubexa
