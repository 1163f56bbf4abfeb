#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The user's records as plain values: what t_user_log, t_options and t_speed_limit hold of a
// user, as the front ends see them. No statements here (those are UserLog's).
namespace nubexa {

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

// The desktop client's language: the desktop's (Chinese for a Chinese locale, else English), or
// the one the user chose in the settings dialog.
enum class UiLanguage { kSystem, kChinese, kEnglish };

// The choices the settings dialog shows.
struct UserChoices {
    int autoResume = 0;
    int autoLogin = 0;
    int autoRun = 0;
};

// How many transfers of each direction run at once unless the user chose otherwise, and the
// range a user may choose from. Small files wait on round trips, not on bytes: over a line of
// 30 ms, 8 move them about 1.45 times as fast as 5, and where round trips cost nothing the
// number changes nothing; both directions together stay well under the connections a server
// commonly allows one address.
inline constexpr int kDefaultTransfers = 8;
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

// Where a remembered password went at a sign-in.
enum class PasswordPlace { kNowhere, kSecretStore, kDatabase };

// What became of the remembered password when the last user was read.
enum class PasswordRead {
    kNone,      // none is remembered (or nobody has signed in, or the store no longer has it)
    kRead,      // the last user's `password` holds it
    kNoAnswer,  // kept in the desktop's secret store, which did not give it now (no answer in
                // time, a prompt cancelled): the password is empty for that reason alone
    kNoStore,   // kept in a desktop secret store that is not there now
};

// The last user with the remembered password from wherever it is kept.
struct LastSignIn {
    std::optional<LastUser> user;  // none: nobody has signed in here yet
    PasswordRead password = PasswordRead::kNone;
    bool secretStoreFailed() const {
        return password == PasswordRead::kNoAnswer || password == PasswordRead::kNoStore;
    }
};

}  // namespace nubexa
