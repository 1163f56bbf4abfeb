#include "session/client_session.h"

#include "platform/log_sink.h"
#include "service/service_client.h"
#include "store/store_gate.h"
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

void ClientSession::shutdown() {
    m_service->stopRequests();
    endTransfers();
}

}  // namespace nubexa
