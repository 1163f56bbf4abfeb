#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nubexa {

// The signed-in user as the service described them, plus the navigation state of the disk
// pages. Owned by ServiceClient, which guards it; others work on copies (ServiceClient::account)
// or change it through ServiceClient::updateAccount.
//
// Member names are the service's; comments give the value at start -> after sign-in -> after
// ResetAccount ("kept" = unchanged).
struct AccountInfo {
    std::string uid;            // "" -> answer -> "-1"
    std::string token;          // "" -> answer -> ""
    std::string key;            // "" -> answer -> ""
    std::string param_token;    // "" -> answer (Login only) -> kept
    std::string disk_size;      // "" -> "DiskSize" -> kept
    std::string used_size;      // "" -> "UsedSize" -> kept
    std::string avatar;         // "" -> the avatar file name (empty when unsafe) -> kept
    std::string avatar_path;    // "" -> "image/userFile/" + avatar or "faceDemo.png" -> kept
    int avatar_cached = 0;      // 0 -> 1 when the avatar file is present locally -> kept
    std::string ftp_host;       // "" -> answer -> ""
    std::string ftp_username;   // "" -> answer -> ""
    std::string ftp_pwd;        // "" -> answer -> ""
    std::int32_t ftp_port = 0;  // 0 -> answer -> 0
    std::string resource_ftp_host;
    std::int32_t resource_ftp_port = 0;
    std::string resource_ftp_username;
    std::string resource_ftp_pwd;
    std::int32_t draw_count = 0;
    std::int32_t max_draw_size = 0;
    // Filled by GetUserInfo.
    std::string vip;
    std::string wip;
    std::string integral;
    std::string nickname;
    // The per-file upload limit in bytes; unknown until GetUserInfo has read it (no limit is
    // applied then: the service still judges each file when it is registered).
    std::optional<std::int64_t> upload_size;
    // Navigation, set by sign-in and then by the disk pages and the listings.
    std::string current_dir_id;  // "" -> "0"
    std::string parent_dir_id;   // "" -> "0"
    std::string sort_order;      // "" -> "name" ("name", "time", "size", "link", "share")
    std::string sort_desc;       // "" -> "0" ("1" descending)
    std::string frame_image;     // "" -> "image/skin/frame7.jpg"
    int signed_in = 0;           // 0 -> 1 -> 0
    int folder_tree_stale = 0;   // 0 -> 1; GetFolders clears it (its answer stays in the
                                 // client: copies of the account stay small)
    std::string web_signin_kind = "qq";
    int web_signin_state = 0;     // -> kept -> 0
    std::string sid;              // 20 random characters; drawn again by ResetAccount
    int suppress_auto_login = 0;  // set by the account switch; nothing clears it
};

}  // namespace nubexa
