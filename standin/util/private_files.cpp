#include "standin/util/private_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "standin/util/crypto_util.h"

namespace nubexa::standin {

namespace fs = std::filesystem;

Outcome makePrivateFolders(const std::string& path) {
    if (path.empty())
        return Outcome::failure("no folder given");
    std::string made;
    std::size_t at = 0;
    while (at != std::string::npos) {
        const std::size_t slash = path.find('/', at + 1);
        made = path.substr(0, slash);
        at = slash;
        if (made.empty() || made == "/" || made.back() == '/')
            continue;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST)
            return Outcome::failure("cannot create " + made + ": " + std::strerror(errno));
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return Outcome::failure("cannot create " + path + ": " +
                                std::strerror(errno != 0 ? errno : ENOTDIR));
    return Outcome::success();
}

Outcome writePrivateFile(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp-" + randomHex(6);
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
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
    if (::close(fd) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temporary.c_str());
        return Outcome::failure("cannot write " + path + ": " + reason);
    }
    return Outcome::success();
}

namespace {

// One entry: folders keep their owner's bits and lose the rest, so do files.
bool tightenOne(const fs::path& path, int& changed, std::string& problem) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode))
        return false;
    if ((info.st_mode & 077) != 0) {
        if (::chmod(path.c_str(), info.st_mode & 0700) == 0)
            ++changed;
        else if (problem.empty())
            problem = "cannot restrict " + path.string() + ": " + std::strerror(errno);
    }
    return S_ISDIR(info.st_mode);
}

}  // namespace

int tightenTree(const std::string& path, std::string& problem) {
    int changed = 0;
    if (!tightenOne(path, changed, problem))
        return changed;
    std::error_code error;
    // Links to folders are not followed: only what lies in the tree itself is changed.
    for (auto it = fs::recursive_directory_iterator(path, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
        tightenOne(it->path(), changed, problem);
    if (error && problem.empty())
        problem = "cannot look through " + path + ": " + error.message();
    return changed;
}

}  // namespace nubexa::standin
