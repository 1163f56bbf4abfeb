#pragma once

#include <string>

#include "store/user_records.h"

namespace nubexa {

class Autostart;
class StoreGate;

// The choices of the settings dialog: three start-up choices, the speed limits and the language.
struct SystemSettings {
    bool autoRun = false;     // start with the desktop session (t_options is_auto_run)
    bool autoLogin = false;   // the user's newest t_user_log row, is_auto_login
    bool autoResume = false;  // the same row, is_auto_down_up_load
    SpeedLimits limits;       // t_speed_limit, per user
    UiLanguage language = UiLanguage::kSystem;  // t_options ui_language; used from the next start
};

// How saving the choices went; the front end words it.
struct SettingsSaved {
    enum class Problem {
        kNone,
        kAutostartNotChanged,  // the desktop refused; `autostartError` says why
        kNotStored,            // bin.db did not take the choices
    };
    Problem problem = Problem::kNone;
    bool autoRunWanted = false;  // what the user asked of the log-on start
    std::string autostartError;

    bool ok() const { return problem == Problem::kNone; }
};

// Both below are blocking (bin.db, the autostart entry): never on a GUI thread.

// The user's choices; for a user without a sign-in row, automatic resume only.
SystemSettings loadSystemSettings(StoreGate& gate, const std::string& uid);

// Sets up (or removes) the log-on start of `program`, then stores the choices: is_auto_run as
// the log-on start now stands, the other two on the user's newest sign-in row (its remembered
// password stays), the limits in the user's t_speed_limit row.
// The interface language stored in the bin.db at `databasePath`, read before any window (and
// before a session) exists; kSystem when there is no such file yet.
UiLanguage readStoredUiLanguage(const std::string& databasePath);

SettingsSaved saveSystemSettings(StoreGate& gate, Autostart& autostart, const std::string& uid,
                                 const std::string& program, const SystemSettings& settings);

}  // namespace nubexa
