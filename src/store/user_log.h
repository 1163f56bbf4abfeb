#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace nubexa {

class LocalStore;

// One successful sign-in as it is recorded.
struct SignInRecord {
    std::string userId;
    std::string password;  // stored only when rememberPassword is set
    std::string date;      // the local time text
    bool rememberPassword = false;
    bool autoLogin = false;
    std::string autoResume = "1";  // "1" or "0", carried over from the user's previous sign-in
    std::string accountName;       // as the user typed it; kept for the sign-in window
};

// The choices the settings dialog shows.
struct UserChoices {
    int autoResume = 0;
    int autoLogin = 0;
    int autoRun = 0;
};

// How many transfers of each direction run at once unless the user chose otherwise, and the
// range a user may choose from.
inline constexpr int kDefaultTransfers = 5;
inline constexpr int kFewestTransfers = 1;
inline constexpr int kMostTransfers = 10;

// The user's upload and download limits in KB/s (0: none), and how many transfers of each
// direction run at once (0: kDefaultTransfers). Kept per user, not per sign-in.
struct SpeedLimits {
    std::int64_t uploadKBps = 0;
    std::int64_t downloadKBps = 0;
    int uploadTransfers = 0;
    int downloadTransfers = 0;
    bool operator==(const SpeedLimits& other) const {
        return uploadKBps == other.uploadKBps && downloadKBps == other.downloadKBps &&
               uploadTransfers == other.uploadTransfers &&
               downloadTransfers == other.downloadTransfers;
    }
};

// What the user's newest sign-in row holds of the password.
struct RememberedPassword {
    std::string password;  // empty when not remembered, or kept in a secret store
    bool remembered = false;
};

// The last signed-in user as the sign-in window offers it; every field as text.
struct LastUser {
    std::string userName;
    std::string password;  // a single blank when the user has no sign-in row
    std::string rememberPassword;
    std::string autoLogin;
    std::string autoResume;
    std::string accountName;  // as the user typed it last (userName is the uid); may be empty
};

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
    bool saveWindowSize(int width, int height);

private:
    bool clearOlderPasswords(const std::string& userId);
    std::optional<std::string> readOption(const std::string& key);
    bool saveOption(const std::string& key, const std::string& value);

    LocalStore& m_store;
};

}  // namespace nubexa
