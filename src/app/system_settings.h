#pragma once

#include <string>

namespace nubexa {
class Autostart;
class StoreGate;
}  // namespace nubexa

namespace nubexa::app {

// The three start-up choices of the settings dialog.
struct SystemSettings {
    bool autoRun = false;     // start with the desktop session (t_options is_auto_run)
    bool autoLogin = false;   // the user's newest t_user_log row, is_auto_login
    bool autoResume = false;  // the same row, is_auto_down_up_load
};

// The user's choices; for a user without a sign-in row, automatic resume only.
SystemSettings loadSystemSettings(StoreGate& gate, const std::string& uid);

// Sets up (or removes) the log-on start of `program`, then stores the three choices: is_auto_run
// as the log-on start now stands, the other two on the user's newest sign-in row (its
// remembered password stays). Empty text when all went well, else what to tell the user.
std::string saveSystemSettings(StoreGate& gate, Autostart& autostart, const std::string& uid,
                               const std::string& program, const SystemSettings& settings);

}  // namespace nubexa::app
