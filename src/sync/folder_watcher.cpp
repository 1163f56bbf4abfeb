#include "sync/folder_watcher.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "ftp/partial_name.h"
#include "sync/local_scan.h"

namespace nubexa {

namespace {

constexpr std::uint32_t kMask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM |
                                IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                IN_ONLYDIR | IN_DONT_FOLLOW;

std::string joined(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

FolderWatcher::FolderWatcher(FolderWatchListener& listener, Timing timing)
    : m_listener(listener), m_timing(timing) {
    if (m_channel.ok())
        m_thread = std::thread([this] { loop(); });
}

FolderWatcher::~FolderWatcher() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_channel.wake();
    if (m_thread.joinable())
        m_thread.join();
}

void FolderWatcher::watchOnly(const std::vector<std::string>& roots) {
    if (m_channel.watchFd() < 0)
        return;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const std::set<std::string> wanted(roots.begin(), roots.end());
        for (auto root = m_roots.begin(); root != m_roots.end();) {
            if (wanted.count(*root) == 0) {
                dropRoot(*root);
                root = m_roots.erase(root);
            } else {
                ++root;
            }
        }
        for (const std::string& root : wanted) {
            if (m_roots.insert(root).second)
                addTree(root, "", nullptr);
        }
    }
    m_channel.wake();
}

void FolderWatcher::dropRoot(const std::string& root) {
    for (auto watch = m_watches.begin(); watch != m_watches.end();) {
        if (watch->second.first == root) {
            ::inotify_rm_watch(m_channel.watchFd(), watch->first);
            watch = m_watches.erase(watch);
        } else {
            ++watch;
        }
    }
    m_pending.erase(root);
}

void FolderWatcher::addTree(const std::string& root, const std::string& folder,
                            std::set<std::string>* found) {
    const std::string path = folder.empty() ? root : root + "/" + folder;
    const int wd = ::inotify_add_watch(m_channel.watchFd(), path.c_str(), kMask);
    if (wd < 0) {
        // Out of watches, or a folder we may not read: only a full look can tell what is there.
        Pending& pending = m_pending[root];
        pending.rescan = true;
        pending.quietSince = std::chrono::steady_clock::now();
        return;
    }
    m_watches[wd] = {root, folder};
    const auto names = entryNames(path);
    if (!names)
        return;
    std::vector<std::string> folders;
    for (const std::string& name : *names) {
        if (isFolder(path + "/" + name))
            folders.push_back(joined(folder, name));
        else if (found != nullptr)
            found->insert(joined(folder, name));
    }
    for (const std::string& sub : folders)
        addTree(root, sub, found);
}

void FolderWatcher::noteChange(const std::string& root, const std::string& path, bool writing,
                               bool closed) {
    Pending& pending = m_pending[root];
    const auto now = std::chrono::steady_clock::now();
    pending.quietSince = now;
    if (!path.empty())
        pending.paths.insert(path);
    if (writing && pending.writing.insert(path).second && pending.writing.size() == 1)
        pending.firstWrite = now;
    if (closed)
        pending.writing.erase(path);
}

void FolderWatcher::readEvents() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_channel.readEvents([&](const inotify_event& event) {
        if ((event.mask & IN_Q_OVERFLOW) != 0) {
            // Closes may be among what was dropped: nothing is held for them.
            for (const std::string& root : m_roots) {
                noteChange(root, {}, false, false);
                m_pending[root].rescan = true;
                m_pending[root].writing.clear();
            }
            return;
        }
        const auto watch = m_watches.find(event.wd);
        if (watch == m_watches.end())
            return;
        if ((event.mask & IN_IGNORED) != 0) {
            m_watches.erase(watch);
            return;
        }
        const auto [root, folder] = watch->second;
        const std::string name = event.len > 0 ? std::string(event.name) : std::string();
        const std::string path = name.empty() ? folder : joined(folder, name);
        if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) != 0) {
            // The pair's own folder gone or moved: the round finds out which.
            if (folder.empty()) {
                noteChange(root, {}, false, false);
                m_pending[root].rescan = true;
            }
            return;
        }
        const bool isDir = (event.mask & IN_ISDIR) != 0;
        // A download being written is the queue's; its rename to the real name counts.
        if (!isDir && isPartialName(name))
            return;
        if (isDir && (event.mask & (IN_CREATE | IN_MOVED_TO)) != 0) {
            // Whatever was put in it before its watch took hold is reported with it.
            std::set<std::string> found;
            addTree(root, path, &found);
            for (const std::string& file : found)
                noteChange(root, file, false, false);
        }
        // A file made is being written until it is closed; one moved in is whole.
        const bool writing = !isDir && (event.mask & (IN_CREATE | IN_MODIFY)) != 0;
        noteChange(root, path, writing, (event.mask & IN_CLOSE_WRITE) != 0);
    });
}

int FolderWatcher::reportSettled() {
    std::vector<FolderChanges> ready;
    int nextMs = -1;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto now = std::chrono::steady_clock::now();
        for (auto pending = m_pending.begin(); pending != m_pending.end();) {
            Pending& waiting = pending->second;
            auto due = waiting.quietSince + m_timing.settle;
            if (!waiting.writing.empty())
                due = std::max(due, waiting.firstWrite + m_timing.holdLimit);
            if (due <= now) {
                ready.push_back({pending->first, std::move(waiting.paths), waiting.rescan});
                pending = m_pending.erase(pending);
                continue;
            }
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count() + 1;
            nextMs = nextMs < 0 ? static_cast<int>(wait) : std::min(nextMs, static_cast<int>(wait));
            ++pending;
        }
    }
    if (!ready.empty())
        m_listener.foldersChanged(ready);
    return nextMs;
}

void FolderWatcher::loop() {
    for (;;) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop)
                return;
        }
        const int timeout = reportSettled();
        if (m_channel.wait(timeout))
            readEvents();
    }
}

}  // namespace nubexa
