#pragma once

#include <memory>
#include <optional>
#include <string>

#include "service/account_info.h"
#include "service/disk_entries.h"
#include "service/service_result.h"
#include "store/user_records.h"

namespace nubexa {

// A sign-in with account and password, and what the front end wants done after it.
struct PasswordSignIn {
    std::string account;
    std::string password;
    // Keep the sign-in as the last user's (and the password, when remembered).
    bool record = true;
    bool rememberPassword = false;
    bool autoLogin = false;
    // The automatic-resume choice of the new record; none: carried over from the user's last
    // sign-in, on for a user's first.
    std::optional<bool> autoResume;
    // Read the user's details (upload limit, nickname, level) after the sign-in: a front end
    // that neither queues uploads nor shows them saves the request.
    bool userDetails = true;
    bool fetchAvatar = false;   // start the avatar's download when no local copy is there
    bool firstListing = false;  // list the user's current folder
    bool takeQueue = false;     // drive the transfer queue when no other process does
};

// What the service says when the account or the password is wrong.
inline constexpr const char* kWrongAccountOrPassword = "用户名或密码错误";

// What a sign-in delivered. The account and the listing are copies taken when it completed.
struct SignInResult {
    Failure failure = Failure::kNone;  // of the sign-in itself
    std::string refusal;  // kRefused: the service's reason (a wrong password, a lock-out), if given
    Failure userInfoFailure = Failure::kNone;  // the user's details (upload limit) unread
    bool recorded = false;                     // the sign-in record was written
    // Where a remembered password went (the front ends say so when it is not the secret store).
    PasswordPlace passwordKept = PasswordPlace::kNowhere;
    bool autoResume = false;  // the choice the session started with
    AccountInfo account;
    std::shared_ptr<const DiskTables> listing;  // null unless asked for
    // This process drives the queue and the user's unfinished tasks were set for the session.
    bool transfersStarted = false;
    // The main window's size when it was last changed; 0 by 0 when never. (The user's chosen
    // skin is in account.frame_image.)
    int windowWidth = 0;
    int windowHeight = 0;

    bool ok() const { return failure == Failure::kNone; }
    // A refusal that only another password ends: a wrong account or password, or no reason
    // given. Any other (a lock-out after failed tries, ...) is said in the service's words.
    bool wrongPassword() const { return refusal.empty() || refusal == kWrongAccountOrPassword; }
};

}  // namespace nubexa
