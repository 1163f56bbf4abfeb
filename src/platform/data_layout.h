#pragma once

#include <string>
#include <vector>

namespace nubexa {

// The environment variables the layout depends on; empty means unset.
struct LayoutEnvironment {
    std::string nubexaHome;     // NUBEXA_HOME
    std::string xdgDataHome;    // XDG_DATA_HOME
    std::string xdgConfigHome;  // XDG_CONFIG_HOME
    std::string xdgCacheHome;   // XDG_CACHE_HOME
    std::string home;           // HOME, else the account's home from the password database

    static LayoutEnvironment fromProcess();
};

// Where the client, nubexa-cli and nubexa-service keep their files:
// - run from a build tree or a portable folder (pictures beside the program, or a writable
//   program folder without an installed share/nubexa next to it): everything in the program
//   folder, as the program always did;
// - installed (share/nubexa beside bin/, or a program folder it may not write): bin.db, the
//   avatar cache and the stand-in's data under $XDG_DATA_HOME/nubexa, nubexa.ini from
//   $XDG_CONFIG_HOME/nubexa and then /etc/nubexa, pictures from share/nubexa/image;
// - NUBEXA_HOME set: the data folder and nubexa.ini there, pictures as above.
// Immutable once resolved; safe to read from any thread.
class DataLayout {
public:
    enum class Kind { kProgramFolder, kInstalled, kHomeOverride };

    static constexpr const char* kSystemConfigFolder = "/etc/nubexa/";

    // programFolder ends with '/'. Looks at the file system (what exists, what is writable)
    // but changes nothing.
    static DataLayout resolve(const std::string& programFolder, const LayoutEnvironment& env);

    // The layout of this process, resolved once; its data folder is created (mode 0700)
    // the first time, so that bin.db can be opened in it.
    static const DataLayout& current();

    Kind kind() const { return m_kind; }
    // bin.db, the avatar cache ("image/userFile/") and the stand-in's default data. Ends with '/'.
    const std::string& dataFolder() const { return m_dataFolder; }
    // What can be made again (thumbnails): $XDG_CACHE_HOME/nubexa when installed, else
    // "cache/" in the data folder, so that a portable folder or NUBEXA_HOME keeps it too.
    // Ends with '/'.
    const std::string& cacheFolder() const { return m_cacheFolder; }
    // The pictures the client loads. Ends with '/'.
    const std::string& imageFolder() const { return m_imageFolder; }
    // nubexa.ini candidates, most specific first; the first one that exists is read.
    const std::vector<std::string>& configFiles() const { return m_configFiles; }
    // The first candidate that exists, else the first candidate (where a user would put one).
    std::string configFile() const;

    // Creates the data folder when missing; false with `error` when it cannot be made.
    bool prepareDataFolder(std::string& error) const;

private:
    Kind m_kind = Kind::kProgramFolder;
    std::string m_dataFolder;
    std::string m_imageFolder;
    std::string m_cacheFolder;
    std::vector<std::string> m_configFiles;
};

}  // namespace nubexa
