#include "session/avatar_keeper.h"

#include <filesystem>
#include <utility>

#include "ftp/ftp_log.h"
#include "ftp/partial_name.h"
#include "platform/notifier.h"
#include "platform/whole_file.h"
#include "service/service_client.h"
#include "store/store_gate.h"
#include "store/user_log.h"
#include "transfer/transfer_view.h"

namespace nubexa {

namespace {

constexpr const char* kAvatarTag = "avatar";
constexpr const char* kAvatarFailed = "网络异常，头像下载失败";
constexpr const char* kAvatarFolder = "image/userFile/";
// Larger than any account picture.
constexpr std::int64_t kAvatarLimit = 1024 * 1024;

}  // namespace

AvatarKeeper::AvatarKeeper(StoreGate& gate, ServiceClient& service, Notifier& notifier,
                           std::string programFolder, std::function<TransferListener*()> listener)
    : m_gate(gate),
      m_service(service),
      m_notifier(notifier),
      m_programFolder(std::move(programFolder)),
      m_listener(std::move(listener)) {}

RemoteFileRequest AvatarKeeper::request(const std::string& avatar) {
    return {kAvatarTag, avatar, kAvatarLimit, false, "//"};
}

void AvatarKeeper::remoteFileFetched(const RemoteFileResult& result) {
    using Outcome = RemoteFileResult::Outcome;
    if (result.outcome == Outcome::kFailed) {
        m_notifier.showMessage("", kAvatarFailed);
        ftp_log::info(__LINE__,
                      ("the account picture could not be fetched: " + result.problem).c_str());
        return;
    }
    if (result.outcome == Outcome::kTooLarge)
        ftp_log::info(__LINE__, "the picture is larger than any account picture: not kept");
    if (result.outcome != Outcome::kFetched || result.bytes.empty())
        return;
    const AccountInfo account = m_service.account();
    // The web client keeps only a plain file name here.
    if (account.avatar.empty())
        return;
    const std::string folder = m_programFolder + kAvatarFolder;
    const std::string fullPath = folder + account.avatar;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!writeFileWhole(fullPath, folder + partialNameOf(account.avatar), result.bytes)) {
        ftp_log::openFailed(__LINE__, account.avatar);
        return;
    }
    const std::string relative = std::string(kAvatarFolder) + account.avatar;
    bool same = false;
    m_service.updateAccount([&](AccountInfo& current) {
        same = current.uid == account.uid;
        if (!same)
            return;  // another user signed in meanwhile
        current.avatar_cached = 1;
        current.avatar_path = relative;
    });
    if (!same)
        return;
    m_gate.run([&](LocalStore& store) {
        UserLog log(store);
        if (const std::int64_t row = log.newestRowId(account.uid); row > 0)
            log.setAvatar(row, relative);
    });
    if (TransferListener* listener = m_listener ? m_listener() : nullptr)
        listener->avatarReady(fullPath);
}

}  // namespace nubexa
