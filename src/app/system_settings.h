#pragma once

#include <string>

#include "store/user_log.h"

namespace nubexa {
class Autostart;
class StoreGate;
}  // namespace nubexa

namespace nubexa::app {

// The choices of the settings dialog: three start-up choices and the speed limits.
struct SystemSettings {
    bool autoRun = false;     // start with the desktop session (t_options is_auto_run)
    bool autoLogin = false;   // the user's newest t_user_log row, is_auto_login
    bool autoResume = false;  // the same row, is_auto_down_up_load
    SpeedLimits limits;       // t_speed_limit, per user
    UiLanguage language = UiLanguage::kSystem;  // t_options ui_language; used from the next start
};

// Both below are blocking (bin.db, the autostart entry): never on the GUI thread.

// The user's choices; for a user without a sign-in row, automatic resume only.
SystemSettings loadSystemSettings(StoreGate& gate, const std::string& uid);

// Sets up (or removes) the log-on start of `program`, then stores the choices: is_auto_run as
// the log-on start now stands, the other two on the user's newest sign-in row (its remembered
// password stays), the limits in the user's t_speed_limit row. Empty text when all went well, else
// what to tell the user.
std::string saveSystemSettings(StoreGate& gate, Autostart& autostart, const std::string& uid,
                               const std::string& program, const SystemSettings& settings);

}  // namespace nubexa::app
