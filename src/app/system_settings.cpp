#include "app/system_settings.h"

#include <QCoreApplication>
#include <cstdio>

#include "platform/autostart.h"
#include "store/store_gate.h"
#include "store/user_log.h"

namespace nubexa::app {

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

std::string saveSystemSettings(StoreGate& gate, Autostart& autostart, const std::string& uid,
                               const std::string& program, const SystemSettings& settings) {
    std::string error;
    const bool changed =
        settings.autoRun ? autostart.enable(program, error) : autostart.disable(error);
    if (!changed)
        std::fprintf(stderr, "nubexa-client: start with the desktop: %s\n", error.c_str());
    // The stored choice says what log-on will really do.
    const bool autoRun = changed ? settings.autoRun : autostart.enabled();
    const bool stored = gate.run([&](LocalStore& store) {
        UserLog log(store);
        const bool option = log.saveAutoRun(autoRun) && log.saveUiLanguage(settings.language);
        // A user without a sign-in row has nothing to store the other two choices on.
        log.saveUserChoices(uid, settings.autoLogin, settings.autoResume);
        return log.saveSpeedLimits(uid, settings.limits) && option;
    });
    if (!changed) {
        const char* failed = settings.autoRun
                                 ? QT_TRANSLATE_NOOP("Messages", "无法设置开机自动启动：")
                                 : QT_TRANSLATE_NOOP("Messages", "无法取消开机自动启动：");
        return QCoreApplication::translate("Messages", failed).toStdString() + error;
    }
    if (!stored)
        return QT_TRANSLATE_NOOP("Messages", "设置未能保存，请检查 bin.db 是否可写。");
    return {};
}

}  // namespace nubexa::app
