#include "standin/store/content_area.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "standin/util/crypto_util.h"
#include "standin/util/private_files.h"

namespace nubexa::standin {

namespace fs = std::filesystem;

ContentArea::ContentArea(std::string dataFolder, std::int64_t minFreeDisk)
    : m_root(std::move(dataFolder)), m_minFreeDisk(minFreeDisk) {
    if (m_root.empty() || m_root.back() != '/')
        m_root.push_back('/');
}

Outcome ContentArea::prepare() const {
    for (const char* folder : {"content", "staging", "avatars", "outbox"}) {
        if (auto made = makePrivateFolders(m_root + folder); !made)
            return made;
    }
    return Outcome::success();
}

std::string ContentArea::contentPath(std::int64_t accountId, std::int64_t fileId) const {
    return m_root + "content/" + std::to_string(accountId) + "/" + std::to_string(fileId);
}

std::string ContentArea::stagingPath(std::int64_t accountId, std::int64_t folderId,
                                     const std::string& storedName) const {
    const std::string key = std::to_string(folderId) + "\n" + storedName;
    return m_root + "staging/" + std::to_string(accountId) + "/" + md5Hex(key) + ".part";
}

std::string ContentArea::avatarPath(std::int64_t accountId) const {
    return m_root + "avatars/" + std::to_string(accountId) + ".png";
}

Outcome ContentArea::writeWhole(const std::string& path, const std::string& bytes) const {
    if (auto made = makePrivateFolders(fs::path(path).parent_path().string()); !made)
        return made;
    if (auto written = writePrivateFile(path, bytes); !written)
        return written;
    refreshStagedSize(path);
    return Outcome::success();
}

Outcome ContentArea::moveInto(const std::string& from, const std::string& to) const {
    if (auto made = makePrivateFolders(fs::path(to).parent_path().string()); !made)
        return made;
    if (::rename(from.c_str(), to.c_str()) != 0)
        return Outcome::failure("cannot move " + from + " to " + to + ": " + std::strerror(errno));
    refreshStagedSize(from);
    refreshStagedSize(to);
    return Outcome::success();
}

void ContentArea::remove(const std::string& path) const {
    ::unlink(path.c_str());
    refreshStagedSize(path);
}

std::optional<std::int64_t> ContentArea::sizeOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<std::int64_t>(info.st_size);
}

ContentArea::Claim::Claim(Claim&& other) noexcept
    : m_area(other.m_area), m_path(std::move(other.m_path)) {
    other.m_area = nullptr;
}

ContentArea::Claim::~Claim() {
    if (m_area == nullptr)
        return;
    std::lock_guard lock(m_area->m_mutex);
    m_area->m_claimed.erase(m_path);
}

std::optional<ContentArea::Claim> ContentArea::claim(const std::string& stagingPath) const {
    std::lock_guard lock(m_mutex);
    if (!m_claimed.insert(stagingPath).second)
        return std::nullopt;
    return Claim(this, stagingPath);
}

}  // namespace nubexa::standin

namespace nubexa::standin {

namespace {

struct FileIdentity {
    std::int64_t size = 0;
    std::int64_t changeNs = 0;
    std::uint64_t inode = 0;
};

std::optional<FileIdentity> identityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileIdentity{
        static_cast<std::int64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec,
        static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace

std::optional<std::int64_t> ContentArea::stagingAccount(const std::string& path) const {
    const std::string prefix = m_root + "staging/";
    if (path.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    const std::size_t slash = path.find('/', prefix.size());
    if (slash == std::string::npos || slash == prefix.size())
        return std::nullopt;
    std::int64_t id = 0;
    const char* first = path.data() + prefix.size();
    const char* last = path.data() + slash;
    const auto [end, error] = std::from_chars(first, last, id);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return id;
}

std::map<std::string, std::int64_t>& ContentArea::stagedSizesLocked(std::int64_t accountId) const {
    const auto found = m_stagedSizes.find(accountId);
    if (found != m_stagedSizes.end())
        return found->second;
    auto& sizes = m_stagedSizes[accountId];
    std::error_code error;
    for (fs::directory_iterator it(m_root + "staging/" + std::to_string(accountId), error), end;
         !error && it != end; it.increment(error)) {
        std::error_code statError;
        if (it->is_regular_file(statError)) {
            const auto size = it->file_size(statError);
            if (!statError)
                sizes[it->path().string()] = static_cast<std::int64_t>(size);
        }
    }
    return sizes;
}

void ContentArea::refreshStagedSize(const std::string& path) const {
    const auto account = stagingAccount(path);
    if (!account)
        return;
    const auto size = sizeOf(path);
    std::lock_guard lock(m_mutex);
    const auto kept = m_stagedSizes.find(*account);
    if (kept == m_stagedSizes.end())
        return;  // read from the folder on first use
    if (size)
        kept->second[path] = *size;
    else
        kept->second.erase(path);
}

std::int64_t ContentArea::stagedBytes(std::int64_t accountId, const std::string& except) const {
    std::lock_guard lock(m_mutex);
    return stagedBytesLocked(accountId, except);
}

std::int64_t ContentArea::stagedBytesLocked(std::int64_t accountId,
                                            const std::string& except) const {
    std::int64_t total = 0;
    for (const auto& [path, size] : stagedSizesLocked(accountId)) {
        if (path != except)
            total += size;
    }
    return total;
}

bool ContentArea::growStaged(std::int64_t accountId, const std::string& path, std::int64_t size,
                             std::int64_t room) const {
    std::lock_guard lock(m_mutex);
    if (stagedBytesLocked(accountId, path) + size > room)
        return false;
    stagedSizesLocked(accountId)[path] = size;
    return true;
}

bool ContentArea::diskNearlyFull() const {
    struct statvfs disk {};
    if (::statvfs(m_root.c_str(), &disk) != 0)
        return false;
    const auto available =
        static_cast<std::int64_t>(disk.f_bavail) * static_cast<std::int64_t>(disk.f_frsize);
    return available < m_minFreeDisk;
}

int ContentArea::pruneStaging(std::chrono::seconds maxAge) const {
    int removed = 0;
    std::error_code error;
    const auto limit = fs::file_time_type::clock::now() - maxAge;
    for (auto it = fs::recursive_directory_iterator(m_root + "staging", error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::error_code statError;
        if (!it->is_regular_file(statError) || it->last_write_time(statError) >= limit || statError)
            continue;
        const std::string path = it->path().string();
        // A session writing it now keeps it.
        if (const auto claimed = claim(path)) {
            forgetDigest(path);
            if (fs::remove(it->path(), statError))
                ++removed;
            refreshStagedSize(path);
        }
    }
    return removed;
}

void ContentArea::keepDigest(const std::string& stagingPath, const Md5Stream& digest) const {
    // Called after every write to a staged upload, so its kept size follows too.
    refreshStagedSize(stagingPath);
    const auto identity = identityOf(stagingPath);
    std::lock_guard lock(m_mutex);
    m_digests.erase(stagingPath);
    if (identity)
        m_digests.emplace(stagingPath, KeptDigest{identity->size, identity->changeNs,
                                                  identity->inode, Md5Stream(digest)});
}

std::optional<Md5Stream> ContentArea::validDigest(const std::string& stagingPath,
                                                  std::optional<std::int64_t> size) const {
    const auto identity = identityOf(stagingPath);
    std::lock_guard lock(m_mutex);
    const auto it = m_digests.find(stagingPath);
    if (!identity || it == m_digests.end())
        return std::nullopt;
    const KeptDigest& kept = it->second;
    if (kept.size != identity->size || kept.changeNs != identity->changeNs ||
        kept.inode != identity->inode || (size && *size != kept.size))
        return std::nullopt;
    return Md5Stream(kept.state);
}

std::optional<Md5Stream> ContentArea::digestAt(const std::string& stagingPath,
                                               std::int64_t size) const {
    return validDigest(stagingPath, size);
}

std::string ContentArea::stagedMd5(const std::string& stagingPath) const {
    if (const auto kept = validDigest(stagingPath, std::nullopt))
        return kept->currentHex();
    return md5OfFile(stagingPath);
}

void ContentArea::forgetDigest(const std::string& stagingPath) const {
    std::lock_guard lock(m_mutex);
    m_digests.erase(stagingPath);
}

}  // namespace nubexa::standin
