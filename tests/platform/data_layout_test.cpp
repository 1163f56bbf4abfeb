#include "platform/data_layout.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace nubexa::test {
namespace {

namespace fs = std::filesystem;

// A folder tree to resolve layouts in: <root>/<relative> folders made on demand.
class LayoutTree {
public:
    std::string folder(const std::string& relative) {
        fs::create_directories(m_dir.path() + "/" + relative);
        return m_dir.path() + "/" + relative + "/";
    }
    std::string path(const std::string& relative) const { return m_dir.path() + "/" + relative; }

private:
    TempDir m_dir;
};

LayoutEnvironment withHome(const std::string& home) {
    LayoutEnvironment env;
    env.home = home;
    return env;
}

TEST(DataLayoutTest, BuildTreeAndPortableFolderKeepEverythingBesideTheProgram) {
    LayoutTree tree;
    LayoutEnvironment env = withHome(tree.folder("home"));
    env.xdgDataHome = tree.folder("xdg-data");
    env.xdgConfigHome = tree.folder("xdg-config");

    // The client of a build tree, or a portable folder: pictures beside the program. A share/
    // folder of another install next to it must not make it an installed program.
    const std::string client = tree.folder("portable/bin");
    tree.folder("portable/bin/image");
    tree.folder("portable/share/nubexa/image");
    const DataLayout portable = DataLayout::resolve(client, env);
    EXPECT_EQ(portable.kind(), DataLayout::Kind::kProgramFolder);
    EXPECT_EQ(portable.dataFolder(), client);
    EXPECT_EQ(portable.imageFolder(), client + "image/");
    EXPECT_EQ(portable.configFiles(), std::vector<std::string>{client + "nubexa.ini"});
    EXPECT_EQ(portable.cacheFolder(), client + "cache/");

    // nubexa-cli in a build tree: no pictures, a writable folder, no installed share/ nearby.
    const std::string cli = tree.folder("build/src/cli");
    const DataLayout built = DataLayout::resolve(cli, env);
    EXPECT_EQ(built.kind(), DataLayout::Kind::kProgramFolder);
    EXPECT_EQ(built.dataFolder(), cli);
    EXPECT_EQ(built.configFile(), cli + "nubexa.ini");
}

TEST(DataLayoutTest, InstalledProgramUsesXdgFoldersAndSharedPictures) {
    LayoutTree tree;
    const std::string bin = tree.folder("usr/bin");
    tree.folder("usr/share/nubexa/image");
    LayoutEnvironment env = withHome(tree.folder("home"));
    env.xdgDataHome = tree.path("xdg-data");
    env.xdgConfigHome = tree.path("xdg-config");
    env.xdgCacheHome = tree.path("xdg-cache");

    const DataLayout layout = DataLayout::resolve(bin, env);
    EXPECT_EQ(layout.kind(), DataLayout::Kind::kInstalled);
    EXPECT_EQ(layout.dataFolder(), tree.path("xdg-data/nubexa/"));
    EXPECT_EQ(layout.imageFolder(), tree.path("usr/share/nubexa/image/"));
    const std::vector<std::string> configs{tree.path("xdg-config/nubexa/nubexa.ini"),
                                           "/etc/nubexa/nubexa.ini"};
    EXPECT_EQ(layout.configFiles(), configs);
    EXPECT_EQ(layout.cacheFolder(), tree.path("xdg-cache/nubexa/"));

    // Unset or relative XDG variables (invalid by the XDG rules) fall back to the home folder.
    env.xdgDataHome = "relative/data";
    env.xdgConfigHome.clear();
    env.xdgCacheHome = "relative/cache";
    const DataLayout fallback = DataLayout::resolve(bin, env);
    EXPECT_EQ(fallback.dataFolder(), tree.path("home/.local/share/nubexa/"));
    EXPECT_EQ(fallback.configFiles().front(), tree.path("home/.config/nubexa/nubexa.ini"));
    EXPECT_EQ(fallback.cacheFolder(), tree.path("home/.cache/nubexa/"));

    // Without any home folder only the system configuration remains.
    const DataLayout homeless = DataLayout::resolve(bin, LayoutEnvironment{});
    EXPECT_EQ(homeless.configFiles(), std::vector<std::string>{"/etc/nubexa/nubexa.ini"});
}

// A program folder it may not write (a system folder without share/nubexa, run as a user)
// cannot hold bin.db: the XDG folders take over. Resolved in a child that drops root.
TEST(DataLayoutTest, UnwritableProgramFolderUsesXdgFolders) {
    LayoutTree tree;
    const std::string bin = tree.folder("opt/bin");
    ::chmod(tree.path("").c_str(), 0755);
    ::chmod(tree.path("opt").c_str(), 0755);
    ::chmod(bin.c_str(), 0555);
    const LayoutEnvironment env = withHome(tree.folder("home"));

    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(90);
        const DataLayout layout = DataLayout::resolve(bin, env);
        const bool installed = layout.kind() == DataLayout::Kind::kInstalled &&
                               layout.dataFolder() == tree.path("home/.local/share/nubexa/");
        ::_exit(installed ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::chmod(bin.c_str(), 0755);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST(DataLayoutTest, NubexaHomeOverridesTheDataFolderButNotThePictures) {
    LayoutTree tree;
    const std::string bin = tree.folder("usr/bin");
    tree.folder("usr/share/nubexa/image");
    LayoutEnvironment env = withHome(tree.folder("home"));
    env.nubexaHome = tree.path("custom");  // no trailing slash, not yet made

    const DataLayout installed = DataLayout::resolve(bin, env);
    EXPECT_EQ(installed.kind(), DataLayout::Kind::kHomeOverride);
    EXPECT_EQ(installed.dataFolder(), tree.path("custom/"));
    EXPECT_EQ(installed.configFiles(), std::vector<std::string>{tree.path("custom/nubexa.ini")});
    EXPECT_EQ(installed.imageFolder(), tree.path("usr/share/nubexa/image/"));

    const std::string client = tree.folder("build/src/app");
    tree.folder("build/src/app/image");
    const DataLayout built = DataLayout::resolve(client, env);
    EXPECT_EQ(built.dataFolder(), tree.path("custom/"));
    EXPECT_EQ(built.imageFolder(), client + "image/");
}

TEST(DataLayoutTest, ConfigFileIsTheFirstCandidateThatExists) {
    LayoutTree tree;
    const std::string bin = tree.folder("usr/bin");
    tree.folder("usr/share/nubexa");
    LayoutEnvironment env = withHome(tree.folder("home"));
    const DataLayout layout = DataLayout::resolve(bin, env);

    const std::string user = tree.path("home/.config/nubexa/nubexa.ini");
    // Neither the user's nor (on a test machine) the system's file: the user's is where one
    // would be written.
    if (!fs::exists("/etc/nubexa/nubexa.ini")) {
        EXPECT_EQ(layout.configFile(), user);
    }
    tree.folder("home/.config/nubexa");
    writeFile(user, "[service]\n");
    EXPECT_EQ(layout.configFile(), user);
}

TEST(DataLayoutTest, PrepareDataFolderMakesAPrivateFolderOrSaysWhyNot) {
    LayoutTree tree;
    const std::string bin = tree.folder("usr/bin");
    tree.folder("usr/share/nubexa");
    LayoutEnvironment env = withHome(tree.folder("home"));
    env.xdgDataHome = tree.path("deep/er/data");

    std::string error;
    const DataLayout layout = DataLayout::resolve(bin, env);
    ASSERT_TRUE(layout.prepareDataFolder(error)) << error;
    struct stat info {};
    ASSERT_EQ(::stat(layout.dataFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(layout.prepareDataFolder(error)) << "an existing folder is fine";
    // One an earlier version left open to others is closed; the program's own folder is not.
    ASSERT_EQ(::chmod(layout.dataFolder().c_str(), 0755), 0);
    EXPECT_TRUE(layout.prepareDataFolder(error));
    ASSERT_EQ(::stat(layout.dataFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    const std::string portable = tree.folder("portable");
    ASSERT_EQ(::chmod(portable.c_str(), 0755), 0);
    EXPECT_TRUE(DataLayout::resolve(portable, LayoutEnvironment{}).prepareDataFolder(error));
    ASSERT_EQ(::stat(portable.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);

    // A file where the folder should be: a message naming the folder, nothing replaced.
    writeFile(tree.path("blocked"), "keep");
    env.xdgDataHome = tree.path("blocked");
    const DataLayout blocked = DataLayout::resolve(bin, env);
    EXPECT_FALSE(blocked.prepareDataFolder(error));
    EXPECT_NE(error.find(tree.path("blocked/nubexa/")), std::string::npos) << error;
    EXPECT_EQ(readFile(tree.path("blocked")), "keep");
}

}  // namespace
}  // namespace nubexa::test
