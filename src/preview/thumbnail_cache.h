#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace nubexa {

// What a thumbnail was made from: a listed file as the listing gave it. A file that changed on
// the disk is listed with another size or time, so its old thumbnail is never served for it.
struct ThumbnailKey {
    std::string fileId;
    std::int64_t size = 0;
    std::string time;  // the listing's time text, as listed
};

// Thumbnails on disk, one file per listed file, in a folder of their own, held under a byte
// cap: the least recently used go first. An entry is written under a temporary name and
// renamed, and carries its key, length and digest, so that a kill or a torn write never
// serves a wrong or cut picture (a bad entry is dropped when it is read). The index is
// rebuilt from the folder when the cache is made (last use from the files' times).
// Any thread; calls are serialised.
class ThumbnailCache {
public:
    // `folder` is made when missing. The bytes on disk never exceed `capacity`.
    ThumbnailCache(std::string folder, std::uint64_t capacity);
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    // The thumbnail's bytes, and it becomes the most recently used; empty when there is none
    // for exactly this key (or the one there was damaged).
    std::optional<std::string> find(const ThumbnailKey& key);

    enum class Stored { kStored, kTooLarge, kUnusableKey, kWriteFailed };
    // Replaces whatever the file had before (an older size or time included), evicting the
    // least recently used entries to stay within the cap.
    Stored store(const ThumbnailKey& key, std::string_view bytes);

    std::uint64_t bytesHeld() const;
    std::uint64_t capacity() const { return m_capacity; }
    const std::string& folder() const { return m_folder; }

private:
    struct Entry {
        std::string idPart;  // the part of the name that the file id makes
        std::uint64_t bytes = 0;
        std::uint64_t lastUse = 0;
    };

    void rebuild();
    void touch(const std::string& name, Entry& entry);
    void drop(std::string name);  // by value: callers pass names held by the index
    bool makeRoomFor(std::uint64_t bytes);

    const std::string m_folder;  // ends with '/'
    const std::uint64_t m_capacity;
    mutable std::mutex m_mutex;
    std::uint64_t m_held = 0;
    std::uint64_t m_clock = 0;
    std::unordered_map<std::string, Entry> m_entries;     // by file name
    std::map<std::uint64_t, std::string> m_byUse;         // last use -> file name
    std::unordered_map<std::string, std::string> m_byId;  // id part -> file name
};

// Where the desktop client keeps its thumbnails: "thumbnails/" in `cacheFolder`.
std::string thumbnailFolderIn(const std::string& cacheFolder);

}  // namespace nubexa
