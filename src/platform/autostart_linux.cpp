#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/autostart.h"

namespace nubexa {

namespace {

namespace fs = std::filesystem;

constexpr const char* kEntryName = "nubexa-client.desktop";

// The Exec key of a desktop entry: each argument quoted, with the characters desktop entries
// reserve inside quotes escaped, so that a path with blanks or quotes starts that program.
std::string execValue(const std::vector<std::string>& arguments) {
    std::string quoted;
    for (const std::string& argument : arguments) {
        if (!quoted.empty())
            quoted += ' ';
        quoted += '"';
        for (const char c : argument) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        quoted += '"';
    }
    // The entry format escapes backslashes once more for the value itself; % starts a field code.
    std::string value;
    for (const char c : quoted) {
        if (c == '\\')
            value += '\\';
        if (c == '%')
            value += '%';
        value += c;
    }
    return value;
}

// $XDG_CONFIG_HOME/autostart, or ~/.config/autostart (a relative XDG_CONFIG_HOME is ignored,
// as XDG base directories require).
fs::path autostartFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return fs::path(config) / "autostart";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return fs::path(home) / ".config" / "autostart";
    return {};
}

class XdgAutostart : public Autostart {
public:
    bool enable(const std::string& program, std::string& error) override {
        const fs::path folder = autostartFolder();
        if (folder.empty()) {
            error = "no home folder for the autostart entry";
            return false;
        }
        // The data folder this session uses is the one the log-on start uses too.
        std::vector<std::string> command;
        if (const char* home = std::getenv("NUBEXA_HOME"); home != nullptr && home[0] != '\0') {
            std::error_code absolute;
            command = {"env", "NUBEXA_HOME=" + fs::absolute(home, absolute).string()};
        }
        command.push_back(program);
        for (const std::string& argument : command) {
            if (argument.find_first_of("\r\n") != std::string::npos) {
                error = "the program path or NUBEXA_HOME holds a line break";
                return false;
            }
        }
        std::error_code code;
        fs::create_directories(folder, code);
        // Written beside and renamed over, so that a session starting meanwhile never reads
        // half an entry.
        const fs::path entry = folder / kEntryName;
        const fs::path partial = folder / (std::string(kEntryName) + ".part");
        {
            std::ofstream out(partial, std::ios::trunc);
            out << "[Desktop Entry]\n"
                   "Type=Application\n"
                   "Name=Nubexa网盘\n"
                   "Comment=Nubexa cloud disk client\n"
                   "Exec="
                << execValue(command)
                << "\n"
                   "Terminal=false\n"
                   "X-GNOME-Autostart-enabled=true\n";
            out.close();
            if (!out) {
                fs::remove(partial, code);
                error = "cannot write " + entry.string();
                return false;
            }
        }
        fs::rename(partial, entry, code);
        if (code) {
            fs::remove(partial, code);
            error = "cannot write " + entry.string();
            return false;
        }
        return true;
    }

    bool disable(std::string& error) override {
        const fs::path folder = autostartFolder();
        if (folder.empty())
            return true;
        std::error_code code;
        fs::remove(folder / kEntryName, code);
        if (code) {
            error = "cannot remove " + (folder / kEntryName).string() + ": " + code.message();
            return false;
        }
        return true;
    }

    bool enabled() const override {
        const fs::path folder = autostartFolder();
        std::error_code code;
        return !folder.empty() && fs::exists(folder / kEntryName, code);
    }
};

}  // namespace

std::unique_ptr<Autostart> makeSessionAutostart() {
    return std::make_unique<XdgAutostart>();
}

}  // namespace nubexa
