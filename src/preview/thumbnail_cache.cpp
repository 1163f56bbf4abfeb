#include "preview/thumbnail_cache.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/md5_digest.h"
#include "platform/whole_file.h"

namespace nubexa {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMagic = "NXTHUMB1\n";
constexpr std::string_view kSuffix = ".thumb";
constexpr std::string_view kTemporaryPrefix = ".tmp-";

std::string md5Of(std::string_view text) {
    Md5Digest digest;
    digest.update(text.data(), text.size());
    return digest.hexUpper();
}

bool usableKey(const ThumbnailKey& key) {
    const auto plain = [](const std::string& text) {
        return text.find_first_of(std::string("\n\0", 2)) == std::string::npos;
    };
    return !key.fileId.empty() && key.size >= 0 && plain(key.fileId) && plain(key.time);
}

// The file id and the listed state name the file apart, so that a new state of a file can find
// and replace the old one.
std::string idPartOf(const ThumbnailKey& key) {
    return md5Of(key.fileId);
}

std::string nameOf(const ThumbnailKey& key) {
    return idPartOf(key) + "-" + md5Of(std::to_string(key.size) + "\n" + key.time) +
           std::string(kSuffix);
}

std::string headerOf(const ThumbnailKey& key, std::string_view bytes) {
    return std::string(kMagic) + key.fileId + "\n" + std::to_string(key.size) + "\n" + key.time +
           "\n" + std::to_string(bytes.size()) + "\n" + md5Of(bytes) + "\n";
}

bool isEntryName(const std::string& name) {
    return name.size() == 32 + 1 + 32 + kSuffix.size() && name[32] == '-' &&
           name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

std::optional<std::string> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return text;
}

// The payload of an entry's text when it is whole and made for `key`.
std::optional<std::string> payloadOf(const std::string& text, const ThumbnailKey& key) {
    std::size_t position = 0;
    std::vector<std::string> lines;
    // magic, id, size, time, length, digest
    for (int i = 0; i < 6; ++i) {
        const auto end = text.find('\n', position);
        if (end == std::string::npos)
            return std::nullopt;
        lines.push_back(text.substr(position, end - position));
        position = end + 1;
    }
    if (lines[0] + "\n" != kMagic || lines[1] != key.fileId ||
        lines[2] != std::to_string(key.size) || lines[3] != key.time)
        return std::nullopt;
    if (lines[4] != std::to_string(text.size() - position))
        return std::nullopt;
    std::string payload = text.substr(position);
    if (md5Of(payload) != lines[5])
        return std::nullopt;
    return payload;
}

std::string temporaryName(const std::string& name) {
    static std::atomic<unsigned> counter{0};
    return std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + "-" + name;
}

}  // namespace

std::string thumbnailFolderIn(const std::string& cacheFolder) {
    std::string folder = cacheFolder;
    if (!folder.empty() && folder.back() != '/')
        folder.push_back('/');
    return folder + "thumbnails/";
}

ThumbnailCache::ThumbnailCache(std::string folder, std::uint64_t capacity)
    : m_folder(folder.empty() || folder.back() == '/' ? folder : folder + "/"),
      m_capacity(capacity) {
    std::error_code error;
    fs::create_directories(m_folder, error);
    rebuild();
}

void ThumbnailCache::rebuild() {
    struct Found {
        std::string name;
        std::uint64_t bytes;
        fs::file_time_type time;
    };
    std::vector<Found> found;
    std::error_code error;
    for (fs::directory_iterator it(m_folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code ignored;
        // A write that a kill cut short.
        if (name.rfind(kTemporaryPrefix, 0) == 0) {
            fs::remove(it->path(), ignored);
            continue;
        }
        if (!isEntryName(name) || !it->is_regular_file(ignored))
            continue;
        const auto bytes = it->file_size(ignored);
        const auto time = it->last_write_time(ignored);
        if (!ignored)
            found.push_back({name, bytes, time});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.time != b.time ? a.time < b.time : a.name < b.name;
    });
    for (const auto& entry : found) {
        const std::string idPart = entry.name.substr(0, 32);
        // Two states of one file: the one used last wins.
        if (const auto other = m_byId.find(idPart); other != m_byId.end())
            drop(other->second);
        const std::uint64_t use = ++m_clock;
        m_entries[entry.name] = Entry{idPart, entry.bytes, use};
        m_byUse[use] = entry.name;
        m_byId[idPart] = entry.name;
        m_held += entry.bytes;
    }
    // The cap may have been lowered since.
    makeRoomFor(0);
}

void ThumbnailCache::touch(const std::string& name, Entry& entry) {
    m_byUse.erase(entry.lastUse);
    entry.lastUse = ++m_clock;
    m_byUse[entry.lastUse] = name;
    // The order survives a restart through the files' times.
    std::error_code ignored;
    fs::last_write_time(m_folder + name, fs::file_time_type::clock::now(), ignored);
}

void ThumbnailCache::drop(std::string name) {
    const auto it = m_entries.find(name);
    if (it == m_entries.end())
        return;
    std::error_code ignored;
    fs::remove(m_folder + name, ignored);
    m_held -= it->second.bytes;
    m_byUse.erase(it->second.lastUse);
    if (const auto id = m_byId.find(it->second.idPart); id != m_byId.end() && id->second == name)
        m_byId.erase(id);
    m_entries.erase(it);
}

bool ThumbnailCache::makeRoomFor(std::uint64_t bytes) {
    if (bytes > m_capacity)
        return false;
    while (m_held + bytes > m_capacity && !m_byUse.empty())
        drop(m_byUse.begin()->second);
    return m_held + bytes <= m_capacity;
}

std::optional<std::string> ThumbnailCache::find(const ThumbnailKey& key) {
    if (!usableKey(key))
        return std::nullopt;
    const std::string name = nameOf(key);
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(name);
    if (it == m_entries.end())
        return std::nullopt;
    const auto text = readWhole(m_folder + name);
    std::optional<std::string> payload = text ? payloadOf(*text, key) : std::nullopt;
    if (!payload) {
        drop(name);
        return std::nullopt;
    }
    touch(name, it->second);
    return payload;
}

ThumbnailCache::Stored ThumbnailCache::store(const ThumbnailKey& key, std::string_view bytes) {
    if (!usableKey(key))
        return Stored::kUnusableKey;
    const std::string name = nameOf(key);
    const std::string header = headerOf(key, bytes);
    const std::uint64_t size = header.size() + bytes.size();
    if (size > m_capacity)
        return Stored::kTooLarge;
    std::lock_guard lock(m_mutex);
    // The file's older state (or this one, written again) goes first.
    if (const auto old = m_byId.find(idPartOf(key)); old != m_byId.end())
        drop(old->second);
    // Room is made before the temporary file is written: the folder never holds more.
    if (!makeRoomFor(size))
        return Stored::kTooLarge;
    std::string text = header;
    text.append(bytes);
    if (!writeFileWhole(m_folder + name, m_folder + temporaryName(name), text))
        return Stored::kWriteFailed;
    std::error_code error;
    // The clock the files were stamped with at creation is coarse: the order of use survives a
    // restart only with the precise time.
    fs::last_write_time(m_folder + name, fs::file_time_type::clock::now(), error);
    const std::uint64_t use = ++m_clock;
    m_entries[name] = Entry{idPartOf(key), size, use};
    m_byUse[use] = name;
    m_byId[idPartOf(key)] = name;
    m_held += size;
    return Stored::kStored;
}

std::uint64_t ThumbnailCache::bytesHeld() const {
    std::lock_guard lock(m_mutex);
    return m_held;
}

}  // namespace nubexa
