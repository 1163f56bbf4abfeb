#include "session/system_settings.h"

#include <cstdio>
#include <filesystem>

#include "platform/autostart.h"
#include "store/store_gate.h"
#include "store/user_log.h"

namespace nubexa {

SystemSettings loadSystemSettings(StoreGate& gate, const std::string& uid) {
    SystemSettings settings;
    gate.run([&](LocalStore& store) {
        UserLog log(store);
        if (const auto choices = log.readChoices(uid)) {
            settings.autoRun = choices->autoRun == 1;
            settings.autoLogin = choices->autoLogin == 1;
            settings.autoResume = choices->autoResume == 1;
        } else {
            // What happens for a user without a sign-in row: unfinished tasks resume.
            settings.autoResume = true;
        }
        settings.limits = log.readSpeedLimits(uid);
        settings.language = log.readUiLanguage();
    });
    return settings;
}

UiLanguage readStoredUiLanguage(const std::string& databasePath) {
    std::error_code error;
    if (!std::filesystem::exists(databasePath, error))
        return UiLanguage::kSystem;
    StoreGate gate(databasePath);
    return gate.run([](LocalStore& store) { return UserLog(store).readUiLanguage(); });
}

SettingsSaved saveSystemSettings(StoreGate& gate, Autostart& autostart, const std::string& uid,
                                 const std::string& program, const SystemSettings& settings) {
    SettingsSaved saved;
    saved.autoRunWanted = settings.autoRun;
    const bool changed = settings.autoRun ? autostart.enable(program, saved.autostartError)
                                          : autostart.disable(saved.autostartError);
    if (!changed)
        std::fprintf(stderr, "nubexa-client: start with the desktop: %s\n",
                     saved.autostartError.c_str());
    // The stored choice says what log-on will really do.
    const bool autoRun = changed ? settings.autoRun : autostart.enabled();
    const bool stored = gate.run([&](LocalStore& store) {
        UserLog log(store);
        const bool option = log.saveAutoRun(autoRun) && log.saveUiLanguage(settings.language);
        // A user without a sign-in row has nothing to store the other two choices on.
        log.saveUserChoices(uid, settings.autoLogin, settings.autoResume);
        return log.saveSpeedLimits(uid, settings.limits) && option;
    });
    if (!changed)
        saved.problem = SettingsSaved::Problem::kAutostartNotChanged;
    else if (!stored)
        saved.problem = SettingsSaved::Problem::kNotStored;
    return saved;
}

}  // namespace nubexa
