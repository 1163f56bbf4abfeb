#pragma once

namespace nubexa::pages {

// The commands of the disk pages' context menus, by the ids their entries carry.
namespace disk_command {
enum Id : int {
    kOpenFolder = -100,  // a protected folder opened through the password prompt
    kPreview = -101,     // a protected file previewed through the password prompt
    kRename = 201,
    kMove = 202,
    kShare = 203,
    kEditShare = 204,
    kShareAddress = 205,
    kEnableLink = 206,
    kEditLink = 207,
    kViewLink = 208,
    kDownload = 209,
    kShareShared = 210,  // "启用外链分享" on the shared page
    kClearBin = 216,
    kRestore = 217,
    kDeleteForGood = 218,
    kDelete = 224,
    kEncrypt = 225,
    kDecrypt = 226,
    kCloseLink = 227,
    kCancelShare = 228,
};
}  // namespace disk_command

}  // namespace nubexa::pages
