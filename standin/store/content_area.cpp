#include "standin/store/content_area.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "standin/util/crypto_util.h"

namespace nubexa::standin {

namespace fs = std::filesystem;

ContentArea::ContentArea(std::string dataFolder) : m_root(std::move(dataFolder)) {
    if (m_root.empty() || m_root.back() != '/')
        m_root.push_back('/');
}

Outcome ContentArea::prepare() const {
    for (const char* folder : {"content", "staging", "avatars", "outbox"}) {
        std::error_code error;
        fs::create_directories(m_root + folder, error);
        if (error)
            return Outcome::failure("cannot create " + m_root + folder + ": " + error.message());
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
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    const std::string temporary = path + ".tmp-" + randomHex(6);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return Outcome::failure("cannot create " + temporary + ": " + std::strerror(errno));
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const std::string reason = std::strerror(errno);
            ::close(fd);
            ::unlink(temporary.c_str());
            return Outcome::failure("cannot write " + temporary + ": " + reason);
        }
        written += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return moveInto(temporary, path);
}

Outcome ContentArea::moveInto(const std::string& from, const std::string& to) const {
    std::error_code error;
    fs::create_directories(fs::path(to).parent_path(), error);
    if (::rename(from.c_str(), to.c_str()) != 0)
        return Outcome::failure("cannot move " + from + " to " + to + ": " + std::strerror(errno));
    return Outcome::success();
}

void ContentArea::remove(const std::string& path) const {
    ::unlink(path.c_str());
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
