#include "store/user_log.h"

#include <algorithm>
#include <cstdio>

#include "store/local_store.h"
#include "store/statements.h"

namespace nubexa {

namespace st = statements;

namespace {
// Keys of t_options beside the system's own two.
const std::string kAccountNameKey = "account_name:";
const std::string kSkinKey = "skin:";
const std::string kWindowSizeKey = "main_window_size";
const std::string kUiLanguageKey = "ui_language";
constexpr const char* kChineseValue = "zh";
constexpr const char* kEnglishValue = "en";
}  // namespace

bool UserLog::recordSignIn(const SignInRecord& record) {
    StoreCommand command(m_store, st::kInsertSignIn);
    command.bindText(1, record.userId);
    command.bindText(2, record.rememberPassword ? record.password : std::string());
    command.bindText(3, record.date);
    command.bindInt(4, record.rememberPassword ? 1 : 0);
    command.bindInt(5, record.autoLogin ? 1 : 0);
    command.bindText(6, record.autoResume == "1" ? "1" : "0");
    const bool inserted = command.execute();
    if (!record.accountName.empty() &&
        !saveOption(kAccountNameKey + record.userId, record.accountName))
        return false;
    return setLastUserId(record.userId) && inserted && clearOlderPasswords(record.userId);
}

bool UserLog::clearOlderPasswords(const std::string& userId) {
    StoreCommand command(m_store, st::kClearOlderPasswords);
    command.bindText(1, userId);
    command.bindText(2, userId);
    return command.execute();
}

bool UserLog::setLastUserId(const std::string& userId) {
    StoreCommand command(m_store, st::kSetLastUserId);
    command.bindText(1, userId);
    return command.execute();
}

std::int64_t UserLog::newestRowId(const std::string& userId) {
    StoreQuery query = m_store.prepareQuery(st::kNewestSignIn);
    query.bindText(1, userId);
    std::int64_t id = 0;
    while (query.next())
        id = query.int64At(0);
    return id;
}

bool UserLog::setAvatar(std::int64_t rowId, const std::string& avatarPath) {
    StoreCommand command(m_store, st::kSetAvatar);
    command.bindText(1, avatarPath);
    command.bindInt64(2, rowId);
    return command.execute();
}

bool UserLog::saveAutoRun(bool autoRun) {
    const char* value = autoRun ? "1" : "0";
    StoreCommand update(m_store, st::kSaveSettings);
    update.bindText(1, value);
    if (!update.execute())
        return false;
    if (update.changes() > 0)
        return true;
    StoreCommand insert(m_store, st::kInsertAutoRunOption);
    insert.bindText(1, value);
    return insert.execute();
}

bool UserLog::saveUserChoices(const std::string& userId, bool autoLogin, bool autoResume) {
    StoreCommand command(m_store, st::kSaveUserChoices);
    command.bindInt(1, autoLogin ? 1 : 0);
    command.bindText(2, autoResume ? "1" : "0");
    command.bindText(3, userId);
    return command.execute() && command.changes() > 0;
}

std::optional<RememberedPassword> UserLog::readRememberedPassword(const std::string& userId) {
    StoreQuery query = m_store.prepareQuery(st::kReadNewestPassword);
    query.bindText(1, userId);
    if (!query.next())
        return std::nullopt;
    return RememberedPassword{query.textAt(0), query.intAt(1) == 1};
}

bool UserLog::setRememberedPassword(const std::string& userId, const std::string& password) {
    StoreCommand command(m_store, st::kSetNewestPassword);
    command.bindText(1, password);
    command.bindText(2, userId);
    return command.execute() && clearOlderPasswords(userId);
}

bool UserLog::forgetSignIn(const std::string& userId) {
    StoreCommand command(m_store, st::kForgetSignIn);
    command.bindText(1, userId);
    return command.execute();
}

std::optional<UserChoices> UserLog::readChoices(const std::string& userId) {
    StoreQuery query = m_store.prepareQuery(st::kReadSettings);
    query.bindText(1, userId);
    if (!query.next())
        return std::nullopt;
    return UserChoices{query.intAt(0), query.intAt(1), query.intAt(2)};
}

bool UserLog::autoResumeChosen(const std::string& userId) {
    const auto choices = readChoices(userId);
    return !choices || choices->autoResume == 1;
}

SpeedLimits UserLog::readSpeedLimits(const std::string& userId) {
    StoreQuery query = m_store.prepareQuery(st::kReadSpeedLimits);
    query.bindText(1, userId);
    SpeedLimits limits;
    if (query.next()) {
        limits.uploadKBps = std::max<std::int64_t>(query.int64At(0), 0);
        limits.downloadKBps = std::max<std::int64_t>(query.int64At(1), 0);
        limits.uploadTransfers = std::max(query.intAt(2), 0);
        limits.downloadTransfers = std::max(query.intAt(3), 0);
    }
    return limits;
}

bool UserLog::saveSpeedLimits(const std::string& userId, const SpeedLimits& limits) {
    StoreCommand command(m_store, st::kSaveSpeedLimits);
    command.bindText(1, userId);
    command.bindInt64(2, std::max<std::int64_t>(limits.uploadKBps, 0));
    command.bindInt64(3, std::max<std::int64_t>(limits.downloadKBps, 0));
    command.bindInt64(4, std::max(limits.uploadTransfers, 0));
    command.bindInt64(5, std::max(limits.downloadTransfers, 0));
    return command.execute();
}

std::optional<LastUser> UserLog::readLastUser() {
    StoreQuery query = m_store.prepareQuery(st::kReadLastUser);
    std::optional<LastUser> last;
    if (query.next()) {
        last = LastUser{query.textAt(0), query.textAt(1), query.textAt(2),
                        query.textAt(3), query.textAt(4), {}};
    }
    // A fresh bin.db holds the option row with an empty value until the first sign-in: that is
    // no last user, not a user with an empty name and a one-blank password.
    if (last && last->userName.empty())
        last.reset();
    if (last)
        last->accountName = readOption(kAccountNameKey + last->userName).value_or(std::string());
    return last;
}

std::optional<std::string> UserLog::readOption(const std::string& key) {
    StoreQuery query = m_store.prepareQuery(st::kReadOption);
    query.bindText(1, key);
    if (!query.next())
        return std::nullopt;
    return query.textAt(0);
}

bool UserLog::saveOption(const std::string& key, const std::string& value) {
    StoreCommand update(m_store, st::kUpdateOption);
    update.bindText(1, value);
    update.bindText(2, key);
    if (!update.execute())
        return false;
    if (update.changes() > 0)
        return true;
    StoreCommand insert(m_store, st::kInsertOption);
    insert.bindText(1, value);
    insert.bindText(2, key);
    return insert.execute();
}

std::optional<std::string> UserLog::readSkin(const std::string& userId) {
    return readOption(kSkinKey + userId);
}

bool UserLog::saveSkin(const std::string& userId, const std::string& picture) {
    return saveOption(kSkinKey + userId, picture);
}

std::optional<std::pair<int, int>> UserLog::readWindowSize() {
    const auto text = readOption(kWindowSizeKey);
    int width = 0;
    int height = 0;
    char separator = 0;
    if (!text || std::sscanf(text->c_str(), "%d%c%d", &width, &separator, &height) != 3 ||
        separator != 'x' || width <= 0 || height <= 0)
        return std::nullopt;
    return std::make_pair(width, height);
}

bool UserLog::saveWindowSize(int width, int height) {
    return saveOption(kWindowSizeKey, std::to_string(width) + "x" + std::to_string(height));
}

UiLanguage UserLog::readUiLanguage() {
    const auto text = readOption(kUiLanguageKey);
    if (text == kChineseValue)
        return UiLanguage::kChinese;
    if (text == kEnglishValue)
        return UiLanguage::kEnglish;
    return UiLanguage::kSystem;
}

bool UserLog::saveUiLanguage(UiLanguage language) {
    switch (language) {
        case UiLanguage::kChinese:
            return saveOption(kUiLanguageKey, kChineseValue);
        case UiLanguage::kEnglish:
            return saveOption(kUiLanguageKey, kEnglishValue);
        case UiLanguage::kSystem:
            break;
    }
    return saveOption(kUiLanguageKey, "system");
}

}  // namespace nubexa
