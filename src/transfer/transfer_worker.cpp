#include "transfer/transfer_worker.h"

#include <ace/Log_Msg.h>

#include <cerrno>
#include <filesystem>
#include <memory>

#include "ftp/ftp_client.h"
#include "platform/notifier.h"
#include "service/service_client.h"
#include "store/store_gate.h"
#include "store/user_log.h"
#include "transfer/running_counts.h"
#include "transfer/service_registrar.h"
#include "transfer/transfer_manager.h"

namespace nubexa {

namespace {

constexpr int kSignInAttempts = 4;
constexpr const char* kUploadFailed = "网络异常，上传失败";
constexpr const char* kDownloadFailed = "网络异常，下载失败";
constexpr const char* kAvatarFailed = "网络异常，头像下载失败";
constexpr const char* kFolderDownloadFailed = "下载失败";
constexpr const char* kAvatarFolder = "image/userFile/";

// The entry a failed sign-in leaves in the FTP client's log, under the routine's own source.
void logSignInFailure(const char* source, int line) {
    const int lastError = errno;
    ACE_Log_Msg* log = ACE_Log_Msg::instance();
    log->conditional_set(source, line, -1, lastError);
    log->log(LM_INFO, ACE_TEXT("%s"), "Login failed/n");
}

std::unique_ptr<FTPClient> makeClient(TransferManager& manager, const AccountInfo& account) {
    // A port the sign-in answer cannot have meant gives a client that never connects.
    const bool portValid = account.ftp_port > 0 && account.ftp_port <= 65535;
    return std::make_unique<FTPClient>(account.ftp_host,
                                       static_cast<std::uint16_t>(portValid ? account.ftp_port : 0),
                                       account.ftp_username, account.ftp_pwd, 0, manager.gate(),
                                       manager.notifier(), manager.settings().ftp);
}

// A task the user deleted while its run was failing stays deleted.
bool unfinished(TaskTable& tasks, std::int64_t id) {
    const auto status = tasks.readStatus(id);
    return status == task_status::kRunning || status == task_status::kWaiting;
}

Direction directionOf(const std::string& ranType) {
    return ranType == "1" ? Direction::kUpload : Direction::kDownload;
}

}  // namespace

void TransferWorker::run() {
    m_startTimeMs = epochMilliseconds();
    if (m_request.taskKind == task_kind::kAvatarDownload) {
        runAvatar();
    } else {
        runQueued();
    }
}

bool TransferWorker::signIn(FTPClient& client) {
    for (int attempt = 0; attempt < kSignInAttempts; ++attempt) {
        if (m_manager.workers().stopping())
            return false;
        if (client.FtpLogin())
            return true;
    }
    return false;
}

std::optional<StoredTask> TransferWorker::loadRunnable() {
    const std::string uid = m_manager.service().account().uid;
    auto row = m_manager.gate().run(
        [&](LocalStore& store) { return TaskTable(store).load(m_request.taskId); });
    // Only a running row of the signed-in user is run: a task paused, deleted or finished
    // before its worker got here stays as it is.
    if (!row || row->userId != uid || row->status != task_status::kRunning)
        return std::nullopt;
    if (directionOf(row->ranType) == Direction::kDownload && row->transferSchedule == 100)
        return std::nullopt;
    return row;
}

std::string TransferWorker::signInFailureText(Direction direction) const {
    return direction == Direction::kUpload ? kUploadFailed : kDownloadFailed;
}

void TransferWorker::signInFailed(Direction direction) {
    m_manager.gate().run([&](LocalStore& store) {
        TaskTable tasks(store);
        if (unfinished(tasks, m_request.taskId))
            tasks.giveBack(m_request.taskId);
    });
    // One message per failure streak; the monitor retries with back-off.
    if (m_manager.backoff().recordFailure())
        m_manager.notifier().showMessage("", signInFailureText(direction));
    logSignInFailure(m_variant == Variant::kFolderThread ? "SearchFolder" : "ftp_client", __LINE__);
}

void TransferWorker::runQueued() {
    WorkerReport report;
    report.taskId = m_request.taskId;
    const auto row = loadRunnable();
    if (!row) {
        m_manager.workerEnded(report);
        return;
    }
    const Direction direction = directionOf(row->ranType);
    report.direction = direction;
    report.fileName = row->localFileName;

    const AccountInfo account = m_manager.service().account();
    auto client = makeClient(m_manager, account);
    if (!signIn(*client)) {
        const bool stopping = m_manager.workers().stopping();
        if (!stopping)
            signInFailed(direction);
        report.outcome =
            stopping ? WorkerReport::Outcome::kStopped : WorkerReport::Outcome::kSignInFailed;
        m_manager.workerEnded(report);
        return;
    }
    client->Syst();
    TransferTask task = makeTransferTask(*row);
    task.startTimeMs = m_startTimeMs;
    client->ChangeDir(task.ftpPath);
    client->ChangeLocalDir(task.localPath);
    if (m_manager.workers().stopping()) {
        client->Quit();
        report.outcome = WorkerReport::Outcome::kStopped;
        m_manager.workerEnded(report);
        return;
    }

    {
        const auto bracket = m_manager.gate().acquire();
        m_manager.counts().add(direction, bracket);
    }
    int result = 0;
    if (direction == Direction::kUpload) {
        ServiceRegistrar registrar(m_manager.service(), account.uid, account.token);
        result = client->Upload(task, &registrar);
    } else {
        result = client->Download(task);
    }
    report.outcome = finish(task, direction, result);
    client.reset();
    const bool failed = report.outcome == WorkerReport::Outcome::kFailed ||
                        report.outcome == WorkerReport::Outcome::kPausedAfterFailures;
    if (failed && m_variant == Variant::kFolderThread && direction == Direction::kDownload)
        m_manager.notifier().showMessage("", kFolderDownloadFailed);
    m_manager.workerEnded(report);
}

WorkerReport::Outcome TransferWorker::finish(const TransferTask& task, Direction direction,
                                             int result) {
    using Outcome = WorkerReport::Outcome;
    const auto bracket = m_manager.gate().acquire();
    m_manager.counts().remove(direction, bracket);
    TaskTable tasks(bracket.store());
    if (result > 0) {
        const auto stored = tasks.load(task.id);
        const bool complete =
            stored && (direction == Direction::kUpload ? stored->status == task_status::kComplete
                                                       : stored->transferSchedule == 100);
        return complete ? Outcome::kCompleted : Outcome::kStopped;
    }
    // A run cut short by a stop of every transfer leaves the row for the next session.
    if (m_manager.workers().stopping() || !unfinished(tasks, task.id))
        return Outcome::kStopped;
    if (m_manager.countFailure(task.id)) {
        tasks.pause(task.id);
        return Outcome::kPausedAfterFailures;
    }
    tasks.giveBack(task.id);
    return Outcome::kFailed;
}

void TransferWorker::runAvatar() {
    const AccountInfo account = m_manager.service().account();
    // The web client keeps only a plain file name here.
    if (account.avatar.empty())
        return;
    auto client = makeClient(m_manager, account);
    if (!signIn(*client)) {
        if (!m_manager.workers().stopping()) {
            m_manager.notifier().showMessage("", kAvatarFailed);
            logSignInFailure("ftp_client", __LINE__);
        }
        return;
    }
    client->Syst();
    const std::int64_t rowId = m_manager.gate().run(
        [&](LocalStore& store) { return UserLog(store).newestRowId(account.uid); });

    using namespace std::string_literals;  // whole strings: GCC 12 misreads char* assignment
    TransferTask task;
    task.localPath = m_manager.settings().programFolder + kAvatarFolder;
    task.localFileName = account.avatar;
    task.ftpFileName = account.avatar;
    task.ftpPath = "//"s;
    task.ranType = "0"s;
    task.taskKind = task_kind::kAvatarDownload;
    task.startTimeMs = m_startTimeMs;
    std::error_code error;
    std::filesystem::create_directories(task.localPath, error);
    client->ChangeDir(task.ftpPath);
    client->ChangeLocalDir(task.localPath);
    const int result = client->Download(task);
    client.reset();

    const std::string fullPath = task.localPath + account.avatar;
    if (result <= 0) {
        // A cut picture would pass for the avatar at the next sign-in.
        std::filesystem::remove(fullPath, error);
        return;
    }
    const std::string relative = std::string(kAvatarFolder) + account.avatar;
    m_manager.service().updateAccount([&](AccountInfo& current) {
        if (current.uid != account.uid)
            return;  // another user signed in meanwhile
        current.avatar_cached = 1;
        current.avatar_path = relative;
    });
    if (rowId > 0)
        m_manager.gate().run([&](LocalStore& store) { UserLog(store).setAvatar(rowId, relative); });
    if (auto* listener = m_manager.listener())
        listener->avatarReady(fullPath);
}

}  // namespace nubexa
