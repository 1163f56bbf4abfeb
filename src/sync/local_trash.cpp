#include "sync/local_trash.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/local_time.h"
#include "service/text_codec.h"

namespace nubexa {

namespace {

std::string userTrash() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/')
        return std::string(data) + "/Trash";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share/Trash";
}

}  // namespace

LocalTrash::LocalTrash(std::string folder)
    : m_folder(folder.empty() ? userTrash() : std::move(folder)) {}

bool LocalTrash::moveIn(const std::string& path, std::string& why) const {
    namespace fs = std::filesystem;
    std::error_code error;
    const std::string files = m_folder + "/files";
    const std::string info = m_folder + "/info";
    fs::create_directories(files, error);
    fs::create_directories(info, error);
    const fs::path source = fs::absolute(path, error);
    const std::string name = source.filename().string();
    // The info file is made first and exclusively: it reserves the name in the trash.
    for (int n = 1; n < 10000; ++n) {
        const std::string candidate = n == 1 ? name : name + "." + std::to_string(n);
        const std::string infoPath = info + "/" + candidate + ".trashinfo";
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            why = std::strerror(errno);
            return false;
        }
        const std::string text = "[Trash Info]\nPath=" + encodeQueryValue(source.string()) +
                                 "\nDeletionDate=" + localTimeText("%Y-%m-%dT%H:%M:%S") + "\n";
        const bool written =
            ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::close(fd);
        if (written && ::rename(source.c_str(), (files + "/" + candidate).c_str()) == 0)
            return true;
        why = written ? std::strerror(errno) : "回收站无法写入";
        ::unlink(infoPath.c_str());
        return false;
    }
    why = "回收站中同名文件过多";
    return false;
}

}  // namespace nubexa
