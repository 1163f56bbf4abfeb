#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "store/user_records.h"

namespace nubexa {

class LocalStore;

// The statements on the user's choices: t_user_log, t_options and t_speed_limit. A view over the
// connection of the caller's bracket.
class UserLog {
public:
    explicit UserLog(LocalStore& store) : m_store(store) {}

    // Records the sign-in and makes its user the last user. Older rows of the user keep no
    // password: a password moved away or no longer remembered must not linger in one of them.
    bool recordSignIn(const SignInRecord& record);

    // Keeps the option last_user_id at the uid of the newest sign-in.
    bool setLastUserId(const std::string& userId);

    // Id of the user's newest sign-in row; 0 when there is none.
    std::int64_t newestRowId(const std::string& userId);

    bool setAvatar(std::int64_t rowId, const std::string& avatarPath);

    // Stores the start-with-the-session choice; creates the option row when the file lacks it.
    bool saveAutoRun(bool autoRun);
    // Stores the automatic sign-in and automatic-resume choices on the user's newest sign-in
    // row; the remembered password stays. False (nothing changed) when the user has no row.
    bool saveUserChoices(const std::string& userId, bool autoLogin, bool autoResume);

    // The password column and remember mark of the user's newest sign-in row.
    std::optional<RememberedPassword> readRememberedPassword(const std::string& userId);
    // Sets the password column of the user's newest sign-in row and empties it in the older ones.
    bool setRememberedPassword(const std::string& userId, const std::string& password);

    // Every sign-in row of the user drops its password and its automatic sign-in.
    bool forgetSignIn(const std::string& userId);

    std::optional<UserChoices> readChoices(const std::string& userId);
    // Whether the user's unfinished tasks restart by themselves: the choice of the user's newest
    // sign-in row, and yes for a user who has none yet (a first sign-in resumes).
    bool autoResumeChosen(const std::string& userId);

    // None set: both 0.
    SpeedLimits readSpeedLimits(const std::string& userId);
    // Negative values are stored as 0.
    bool saveSpeedLimits(const std::string& userId, const SpeedLimits& limits);

    // Empty when no user has signed in yet.
    std::optional<LastUser> readLastUser();

    // The look the desktop client keeps between sign-ins: its main window's size (any user's)
    // and each user's skin, the picture below the image folder. None when never saved.
    std::optional<std::string> readSkin(const std::string& userId);
    bool saveSkin(const std::string& userId, const std::string& picture);
    std::optional<std::pair<int, int>> readWindowSize();
    // The interface language of every user of this bin.db; kSystem when never chosen.
    UiLanguage readUiLanguage();
    bool saveUiLanguage(UiLanguage language);
    bool saveWindowSize(int width, int height);

private:
    bool clearOlderPasswords(const std::string& userId);
    std::optional<std::string> readOption(const std::string& key);
    bool saveOption(const std::string& key, const std::string& value);

    LocalStore& m_store;
};

}  // namespace nubexa
