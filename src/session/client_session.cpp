#include "session/client_session.h"

#include "keychain/remembered_passwords.h"
#include "platform/log_sink.h"
#include "service/common.h"
#include "service/service_client.h"
#include "session/run_lock.h"
#include "store/store_gate.h"
#include "store/user_log.h"
#include "transfer/task_commands.h"
#include "transfer/transfer_monitor.h"
#include "transfer/transfer_queue.h"

namespace nubexa {

ClientSession::ClientSession(SessionConfig config, Notifier& notifier)
    : m_config(std::move(config)), m_notifier(notifier) {
    if (m_config.log)
        m_replacedLog = setLogSink(m_config.log);
    m_gate = std::make_unique<StoreGate>(m_config.databasePath);
    m_service =
        std::make_unique<ServiceClient>(m_config.service, m_config.programFolder, m_config.frame);
}

ClientSession::~ClientSession() {
    shutdown();
    if (m_config.log)
        setLogSink(std::move(m_replacedLog));
}

AccountInfo ClientSession::account() const {
    return m_service->account();
}

RememberedPasswords ClientSession::passwords() {
    return RememberedPasswords(*m_gate, m_config.secrets, m_config.service.apiHost);
}

SignInResult ClientSession::signIn(const PasswordSignIn& request) {
    SignInResult result;
    result.failure = m_service->signIn(request.account, request.password).failure;
    if (!result.ok())
        return result;
    AccountInfo info = m_service->account();
    result.userInfoFailure = m_service->fetchUserInfo(info.uid, info.token).failure;
    info = m_service->account();

    // The automatic-resume choice is carried over from the user's last sign-in unless given;
    // a user's first sign-in chooses it, so interrupted transfers restart by themselves.
    if (request.autoResume) {
        result.autoResume = *request.autoResume;
    } else {
        result.autoResume = m_gate->run(
            [&info](LocalStore& store) { return UserLog(store).autoResumeChosen(info.uid); });
    }
    if (request.record) {
        // A failed record is reported by the store; the sign-in goes on.
        result.recorded = passwords().recordSignIn(
            SignInRecord{info.uid, request.rememberPassword ? request.password : std::string(),
                         Common::localTimeText(), request.rememberPassword, request.autoLogin,
                         result.autoResume ? "1" : "0"},
            &result.passwordKept);
    }
    if (request.fetchAvatar && info.avatar_cached == 0 && transfersStarted())
        m_manager->StartAvatarDownload();
    if (request.firstListing) {
        m_service->GetFiles(info.uid, info.token, info.current_dir_id, info.sort_order,
                            info.sort_desc);
        result.listing = m_service->tablesSnapshot();
    }
    if (request.takeQueue)
        result.transfersStarted = takeQueue(result.autoResume);
    result.account = m_service->account();
    return result;
}

SignInResult ClientSession::webSignIn() {
    SignInResult result;
    // APILogin reads the user's details and lists the current folder once signed in.
    result.failure = m_service->webSignIn().failure;
    if (!result.ok())
        return result;
    result.listing = m_service->tablesSnapshot();
    result.transfersStarted = takeQueue();
    result.account = m_service->account();
    return result;
}

bool ClientSession::lockQueue() {
    std::lock_guard lock(m_queueMutex);
    if (!m_queueLock) {
        auto taken = std::make_unique<RunLock>(m_gate->databasePath());
        if (!taken->held())
            return false;
        m_queueLock = std::move(taken);
        m_drivesQueue = true;
    }
    return true;
}

bool ClientSession::takeQueue(std::optional<bool> autoResume) {
    // Opens bin.db once: a store that cannot be opened shows at sign-in, not mid-transfer.
    m_gate->run([](LocalStore&) {});
    if (!transfersStarted() || !lockQueue())
        return false;
    // Tasks the last run left running wait for the monitor (or for the user, when automatic
    // resume is off).
    if (autoResume) {
        m_manager->startSession(*autoResume);
    } else {
        m_manager->startSession();
    }
    return true;
}

TransferManager& ClientSession::startTransfers(TransferSettings settings, TransferView& view) {
    if (!m_manager) {
        m_manager =
            std::make_unique<TransferManager>(*m_gate, *m_service, m_notifier, std::move(settings));
        m_queue = std::make_unique<TransferQueue>(*m_manager, view);
        m_monitor = std::make_unique<TransferMonitor>(*m_manager, view);
        m_tasks = std::make_unique<TaskCommands>(*m_manager);
    }
    return *m_manager;
}

void ClientSession::endTransfers() {
    m_tasks.reset();
    m_monitor.reset();
    m_queue.reset();
    m_manager.reset();  // stops and joins every worker
}

void ClientSession::stopRequests() {
    m_service->stopRequests();
}

void ClientSession::shutdown() {
    stopRequests();
    endTransfers();
    std::lock_guard lock(m_queueMutex);
    m_queueLock.reset();
    m_drivesQueue = false;
}

}  // namespace nubexa
