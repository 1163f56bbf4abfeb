#include "transfer/transfer_worker.h"

#include <ace/Log_Msg.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <memory>

#include "ftp/ftp_client.h"
#include "ftp/ftp_log.h"
#include "ftp/partial_name.h"
#include "platform/notifier.h"
#include "service/service_client.h"
#include "store/store_gate.h"
#include "transfer/running_counts.h"
#include "transfer/service_registrar.h"
#include "transfer/transfer_manager.h"

namespace nubexa {

namespace {

constexpr int kSignInAttempts = 4;
constexpr const char* kUploadFailed = "网络异常，上传失败";
constexpr const char* kDownloadFailed = "网络异常，下载失败";
constexpr const char* kFolderDownloadFailed = "下载失败";
constexpr const char* kFileServerBusy = "文件服务器暂不接受登录：";

// The entry a failed sign-in leaves in the FTP client's log, under the routine's own source.
void logSignInFailure(const char* source, int line) {
    const int lastError = errno;
    ACE_Log_Msg* log = ACE_Log_Msg::instance();
    log->conditional_set(source, line, -1, lastError);
    log->log(LM_INFO, ACE_TEXT("%s"), "Login failed/n");
}

std::unique_ptr<FTPClient> makeClient(TransferManager& manager, const AccountInfo& account) {
    return manager.makeFtpClient(account, manager.settings().ftp);
}

// A task the user deleted while its run was failing stays deleted.
bool unfinished(TaskTable& tasks, std::int64_t id) {
    const auto status = tasks.readStatus(id);
    return status == task_status::kRunning || status == task_status::kWaiting;
}

// The reply that ended a sign-in, on one line, when the server turned it away for now (4xx:
// busy, too many connections); empty when no server answered, or for a refused login, which
// keeps the described message.
std::string refusalOf(const std::string& reply) {
    if (reply.size() < 4 || reply[0] != '4')
        return {};
    const auto end = reply.find_first_of("\r\n");
    return reply.substr(0, end);
}

// A server's word that this address has as many connections as it takes (421, or 530 on some
// servers), as opposed to a wrong password, a lock-out after failed sign-ins or a shutdown.
bool tooManyConnections(const std::string& reply) {
    const std::string code = reply.substr(0, 3);
    if (code != "421" && code != "530")
        return false;
    std::string text = reply.substr(0, reply.find_first_of("\r\n"));
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool saysTooMany = text.find("too many") != std::string::npos ||
                             text.find("maximum number") != std::string::npos;
    return saysTooMany && text.find("fail") == std::string::npos;
}

Direction directionOf(const std::string& ranType) {
    return ranType == "1" ? Direction::kUpload : Direction::kDownload;
}

}  // namespace

TransferWorker::TransferWorker(TransferManager& manager, StartRequest request, Variant variant)
    : m_manager(manager), m_request(request), m_variant(variant) {}

TransferWorker::~TransferWorker() {
    dropConnection();
}

void TransferWorker::run() {
    runQueued();
}

bool TransferWorker::signIn(FTPClient& client) {
    for (int attempt = 0; attempt < kSignInAttempts; ++attempt) {
        if (m_manager.workers().stopping())
            return false;
        if (client.FtpLogin())
            return true;
        // Trying again at once only takes the place of a connection that works.
        if (tooManyConnections(client.lastReply()))
            return false;
    }
    return false;
}

int TransferWorker::besideFor(const TransferTask& task, Direction direction) const {
    const FtpRangeOptions& ranges = m_manager.settings().ftp.ranges;
    // A download that starts as one stream signs in beside only when it splits.
    if (direction != Direction::kDownload || task.fileSize < ranges.threshold ||
        ranges.probe.count() > 0)
        return 0;
    // As many ranges as RangePlan::split makes, one of them on the worker's own connection.
    const std::int64_t pieces =
        std::min<std::int64_t>(m_manager.transferLimit(Direction::kDownload),
                               task.fileSize / std::max<std::int64_t>(ranges.smallest, 1));
    return static_cast<int>(std::max<std::int64_t>(pieces - 1, 0));
}

bool TransferWorker::connection(int beside, const std::string& folder) {
    const AccountInfo account = m_manager.service().account();
    // Kept only for the same user and file server, and only while nothing arrived on it
    // unasked (the server closing an idle connection says so, or just hangs up).
    if (m_client && m_endpoint == ftpEndpointOf(account) && m_client->reusable()) {
        if (beside > 0)
            m_client->prepareBeside(beside, folder);
        return true;
    }
    dropConnection();
    m_client = makeClient(m_manager, account);
    m_client->setKeepOpen(true);
    m_endpoint = ftpEndpointOf(account);
    m_signInBegan = LoginBackoff::Clock::now();
    if (!signIn(*m_client)) {
        m_securityProblem = m_client->securityProblem();
        m_tooMany = tooManyConnections(m_client->lastReply());
        m_refusalReply = refusalOf(m_client->lastReply());
        m_client.reset();
        return false;
    }
    if (m_client->signedInClear())
        m_manager.signedInClear(account.ftp_host);
    // Signed in first, so that they never take this connection's place at the server; then
    // they sign in while this one finds its folder.
    if (beside > 0)
        m_client->prepareBeside(beside, folder);
    m_client->Syst();
    return true;
}

void TransferWorker::dropConnection() {
    if (m_client)
        m_client->Quit();
    m_client.reset();
    m_remoteFolder.reset();
}

std::optional<StoredTask> TransferWorker::loadRunnable(std::int64_t taskId,
                                                       std::optional<StoredTask> row) {
    const std::string uid = m_manager.service().account().uid;
    if (!row)
        row =
            m_manager.gate().run([&](LocalStore& store) { return TaskTable(store).load(taskId); });
    // Only a running row of the signed-in user is run: a task paused, deleted or finished
    // before its worker got here stays as it is.
    if (!row || row->userId != uid || row->status != task_status::kRunning)
        return std::nullopt;
    if (directionOf(row->ranType) == Direction::kDownload && row->transferSchedule == 100)
        return std::nullopt;
    return row;
}

std::string TransferWorker::signInFailureText(Direction direction) const {
    // A refused certificate is not the network's fault: the user hears which host and why.
    if (!m_securityProblem.empty())
        return m_securityProblem;
    // Nor is a busy server: it is said in the server's own words.
    if (!m_refusalReply.empty())
        return kFileServerBusy + m_refusalReply;
    return direction == Direction::kUpload ? kUploadFailed : kDownloadFailed;
}

void TransferWorker::signInFailed(std::int64_t taskId, Direction direction) {
    m_manager.gate().run([&](LocalStore& store) {
        TaskTable tasks(store);
        if (unfinished(tasks, taskId))
            tasks.giveBack(taskId);
    });
    // One message per failure streak; the monitor retries with back-off.
    if (m_manager.backoff(direction).recordFailure(LoginBackoff::Clock::now(), m_signInBegan))
        m_manager.notifier().showMessage("", signInFailureText(direction));
    logSignInFailure(m_variant == Variant::kFolderThread ? "SearchFolder" : "ftp_client", __LINE__);
}

void TransferWorker::runQueued() {
    std::int64_t taskId = m_request.taskId;
    std::optional<StoredTask> taken;
    for (;;) {
        const WorkerReport report = runTask(taskId, std::move(taken));
        m_manager.workerEnded(report);
        // A freed slot goes to the next waiting task at once; a worker that could not sign
        // in leaves the next try to the back-off.
        if (report.outcome == WorkerReport::Outcome::kNotRun ||
            report.outcome == WorkerReport::Outcome::kSignInFailed)
            break;
        taken = m_manager.scheduler().takeNextTask(taskId, report.direction);
        m_manager.scheduler().fillFreeSlots(report.direction);
        if (!taken)
            break;
        taskId = taken->id;
    }
    dropConnection();
}

WorkerReport TransferWorker::runTask(std::int64_t taskId, std::optional<StoredTask> taken) {
    WorkerReport report;
    report.taskId = taskId;
    const auto row = loadRunnable(taskId, std::move(taken));
    if (!row)
        return report;
    const Direction direction = directionOf(row->ranType);
    report.direction = direction;
    report.fileName = row->localFileName;

    TransferTask task = makeTransferTask(*row);
    if (!connection(besideFor(task, direction), task.ftpPath)) {
        // The others of the pool carry on with this task; this worker ends.
        if (m_tooMany && m_manager.tooManyConnections(direction)) {
            m_manager.gate().run([&](LocalStore& store) {
                TaskTable tasks(store);
                if (unfinished(tasks, taskId))
                    tasks.giveBack(taskId);
            });
            return report;
        }
        const bool stopping = m_manager.workers().stopping();
        if (!stopping)
            signInFailed(taskId, direction);
        report.outcome =
            stopping ? WorkerReport::Outcome::kStopped : WorkerReport::Outcome::kSignInFailed;
        report.reason = m_securityProblem.empty() ? m_refusalReply : m_securityProblem;
        return report;
    }
    report.fileSize = task.fileSize;
    if (m_remoteFolder != task.ftpPath) {
        m_client->ChangeDir(task.ftpPath);
        m_remoteFolder = task.ftpPath;
    }
    m_client->ChangeLocalDir(task.localPath);
    if (m_manager.workers().stopping()) {
        report.outcome = WorkerReport::Outcome::kStopped;
        return report;
    }

    {
        const auto bracket = m_manager.gate().acquire();
        m_manager.counts().add(direction, bracket);
    }
    int result = 0;
    if (direction == Direction::kUpload) {
        const AccountInfo account = m_manager.service().account();
        ServiceRegistrar registrar(
            m_manager.service(), account.uid, account.token,
            [this](const std::string& stale) { return m_manager.renewal().renew(stale); });
        result = m_client->Upload(task, &registrar);
    } else {
        // A big file takes as many connections as the user lets downloads have at once.
        m_client->setDownloadConnections(m_manager.transferLimit(Direction::kDownload));
        result = m_client->Download(task);
    }
    report.outcome = finish(task, direction, result);
    if (report.outcome == WorkerReport::Outcome::kRefused)
        report.reason = m_client->lastRefusal();
    // Only a connection whose last transfer went through to its end is used again.
    if (report.outcome != WorkerReport::Outcome::kCompleted)
        dropConnection();
    const bool failed = report.outcome == WorkerReport::Outcome::kFailed ||
                        report.outcome == WorkerReport::Outcome::kHeldAfterFailures;
    // A run that failed for a passing reason says so in the words the user hears for it.
    if (failed)
        report.reason = direction == Direction::kUpload ? kUploadFailed : kDownloadFailed;
    if (failed && m_variant == Variant::kFolderThread && direction == Direction::kDownload)
        m_manager.notifier().showMessage("", kFolderDownloadFailed);
    return report;
}

WorkerReport::Outcome TransferWorker::finish(const TransferTask& task, Direction direction,
                                             int result) {
    using Outcome = WorkerReport::Outcome;
    const auto bracket = m_manager.gate().acquire();
    m_manager.counts().remove(direction, bracket);
    TaskTable tasks(bracket.store());
    // The deletion may have come while this run was creating its partial file.
    if (direction == Direction::kDownload && tasks.readStatus(task.id) == task_status::kDeleted)
        removePartialOf(task.localPath, task.localFileName);
    if (result > 0) {
        if (m_client->lastRunEnd() != RunEnd::kCompleted)
            return Outcome::kStopped;
        recordCompletion(tasks, task, direction);
        return Outcome::kCompleted;
    }
    // A run cut short by a stop of every transfer leaves the row for the next session.
    if (m_manager.workers().stopping() || !unfinished(tasks, task.id))
        return Outcome::kStopped;
    if (m_client->lastRunEnd() == RunEnd::kRefused) {
        // Never retried by itself: it waits, with its reason, until the user resumes it.
        m_manager.scheduler().forgetFailures(task.id);
        tasks.fail(task.id, m_client->lastRefusal());
        return Outcome::kRefused;
    }
    if (const auto retryAt = m_manager.scheduler().countFailure(task.id)) {
        tasks.holdFailingTask(task.id, *retryAt);
        return Outcome::kHeldAfterFailures;
    }
    tasks.giveBack(task.id);
    return Outcome::kFailed;
}

void TransferWorker::recordCompletion(TaskTable& tasks, const TransferTask& task,
                                      Direction direction) {
    // The run's own last write may not have reached bin.db (a disk that failed for a moment):
    // a later run would send the file again and have it registered twice, or fetch it again.
    const auto row = tasks.load(task.id);
    if (!row)
        return;
    const std::int64_t size = task.transferSize;
    const TaskProgress whole{task.id, size, size, 100, 0};
    if (direction == Direction::kUpload && row->status != task_status::kComplete &&
        row->status != task_status::kDeleted) {
        tasks.finishUpload(whole);
    } else if (direction == Direction::kDownload && row->transferSchedule != 100) {
        tasks.writeProgress(whole);
    }
}

}  // namespace nubexa
