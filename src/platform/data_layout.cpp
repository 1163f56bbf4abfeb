#include "platform/data_layout.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/paths.h"

namespace nubexa {

namespace {

namespace fs = std::filesystem;

std::string folderText(const fs::path& folder) {
    std::string text = folder.lexically_normal().string();
    if (text.empty() || text.back() != '/')
        text.push_back('/');
    return text;
}

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string accountHome() {
    const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr)
        return {};
    return found->pw_dir;
}

bool isDirectory(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

// An XDG base folder: the variable when it holds an absolute path (XDG says relative values are
// invalid and to be ignored), else the fallback under the home folder; empty without a home.
std::string xdgFolder(const std::string& value, const std::string& home, const char* fallback) {
    if (!value.empty() && value.front() == '/')
        return folderText(value);
    if (home.empty())
        return {};
    return folderText(fs::path(home) / fallback);
}

}  // namespace

LayoutEnvironment LayoutEnvironment::fromProcess() {
    LayoutEnvironment env;
    env.nubexaHome = variable("NUBEXA_HOME");
    env.xdgDataHome = variable("XDG_DATA_HOME");
    env.xdgConfigHome = variable("XDG_CONFIG_HOME");
    env.xdgCacheHome = variable("XDG_CACHE_HOME");
    env.home = variable("HOME");
    if (env.home.empty())
        env.home = accountHome();
    return env;
}

DataLayout DataLayout::resolve(const std::string& programFolder, const LayoutEnvironment& env) {
    const fs::path program = fs::path(programFolder).lexically_normal();
    // The program folder is "<prefix>/bin/"; an install puts the pictures in <prefix>/share.
    const fs::path share = (program.parent_path().parent_path() / "share" / "nubexa");
    const bool picturesBeside = isDirectory(program / "image");
    const bool installedShare = isDirectory(share);
    const bool writable = ::access(programFolder.c_str(), W_OK) == 0;

    DataLayout layout;
    layout.m_imageFolder = folderText(program / "image");
    if (!picturesBeside && installedShare)
        layout.m_imageFolder = folderText(share / "image");
    const bool installed = !picturesBeside && (installedShare || !writable);

    if (!env.nubexaHome.empty()) {
        layout.m_kind = Kind::kHomeOverride;
        layout.m_dataFolder = folderText(env.nubexaHome);
        layout.m_configFiles = {layout.m_dataFolder + "nubexa.ini"};
    } else if (installed) {
        layout.m_kind = Kind::kInstalled;
        const std::string data = xdgFolder(env.xdgDataHome, env.home, ".local/share");
        // Without any home there is nowhere better than the program folder; opening bin.db
        // there then fails with a message naming the path.
        layout.m_dataFolder = data.empty() ? folderText(program) : data + "nubexa/";
        if (const std::string config = xdgFolder(env.xdgConfigHome, env.home, ".config");
            !config.empty())
            layout.m_configFiles.push_back(config + "nubexa/nubexa.ini");
        layout.m_configFiles.push_back(std::string(kSystemConfigFolder) + "nubexa.ini");
        if (const std::string cache = xdgFolder(env.xdgCacheHome, env.home, ".cache");
            !cache.empty())
            layout.m_cacheFolder = cache + "nubexa/";
    } else {
        layout.m_dataFolder = folderText(program);
        layout.m_configFiles = {layout.m_dataFolder + "nubexa.ini"};
    }
    if (layout.m_cacheFolder.empty())
        layout.m_cacheFolder = layout.m_dataFolder + "cache/";
    return layout;
}

const DataLayout& DataLayout::current() {
    static const DataLayout layout = [] {
        DataLayout resolved = resolve(programFolder(), LayoutEnvironment::fromProcess());
        if (std::string error; !resolved.prepareDataFolder(error))
            std::fprintf(stderr, "%s\n", error.c_str());
        return resolved;
    }();
    return layout;
}

std::string DataLayout::configFile() const {
    for (const auto& candidate : m_configFiles) {
        std::error_code error;
        if (fs::exists(candidate, error))
            return candidate;
    }
    return m_configFiles.front();
}

bool DataLayout::prepareDataFolder(std::string& error) const {
    std::error_code failure;
    if (isDirectory(m_dataFolder)) {
        // A folder of our own is closed to others, as a new one is made. The program's folder
        // is left as it is: others may run the program (and its companions) from there; bin.db
        // and the log in it are the owner's alone by their own modes.
        struct stat status {};
        if (m_kind != Kind::kProgramFolder && ::stat(m_dataFolder.c_str(), &status) == 0 &&
            status.st_uid == ::geteuid() && (status.st_mode & 077) != 0)
            ::chmod(m_dataFolder.c_str(), status.st_mode & 0700);
        return true;
    }
    fs::create_directories(m_dataFolder, failure);
    if (!failure)
        fs::permissions(m_dataFolder, fs::perms::owner_all, fs::perm_options::replace, failure);
    if (failure) {
        error = "cannot create the data folder " + m_dataFolder + ": " + failure.message();
        return false;
    }
    return true;
}

}  // namespace nubexa
