#pragma once

#include <memory>
#include <string>

namespace nubexa {

// Starting the client when the user logs on to the desktop. One implementation per platform
// (chosen by the build): an XDG autostart entry on Linux, the Run key value "NubiRun" on
// Windows. The stored choice (t_options is_auto_run) is the caller's.
class Autostart {
public:
    virtual ~Autostart() = default;

    // Makes log-on start `program` (an absolute path). False with `error` when it cannot.
    virtual bool enable(const std::string& program, std::string& error) = 0;
    // Log-on no longer starts the client; true when nothing was set up to begin with.
    virtual bool disable(std::string& error) = 0;
    // Whether log-on starts the client now.
    virtual bool enabled() const = 0;
};

// This platform's autostart, for the current user, read from the environment at each call
// ($XDG_CONFIG_HOME on Linux).
std::unique_ptr<Autostart> makeSessionAutostart();

}  // namespace nubexa
