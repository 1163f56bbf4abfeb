#include "transfer/transfer_monitor.h"

#include "service/service_client.h"
#include "store/store_gate.h"
#include "store/task_table.h"
#include "transfer/transfer_manager.h"
#include "transfer/transfer_page_text.h"
#include "transfer/transfer_view.h"

namespace nubexa {

TransferMonitor::Tick TransferMonitor::MonitorTick() {
    Tick tick;
    const AccountInfo account = m_manager.service().account();
    if (account.signed_in == 0) {
        tick.statusText = m_statusText;
        return tick;
    }
    const SummedSpeeds speeds = m_manager.gate().run(
        [&](LocalStore& store) { return TaskTable(store).sumSpeeds(account.uid); });
    const SpeedStatus status{speeds.upload, speeds.download,
                             m_manager.limits().holding(Direction::kUpload),
                             m_manager.limits().holding(Direction::kDownload)};
    m_statusText = speedStatusText(status.upload, status.download, status.uploadLimited,
                                   status.downloadLimited);
    tick.statusText = m_statusText;
    m_view.showSpeeds(status);

    if (m_manager.backoff(Direction::kUpload).mayStart())
        tick.startedUpload = startNext(Direction::kUpload);
    if (m_manager.backoff(Direction::kDownload).mayStart())
        tick.startedDownload = startNext(Direction::kDownload);
    return tick;
}

std::int64_t TransferMonitor::startNext(Direction direction) {
    if (!m_manager.scheduler().hasSlot(direction))
        return 0;
    return m_manager.gate().run(
        [&](LocalStore& store) { return m_manager.scheduler().startNext(store, direction); });
}

bool TransferMonitor::anythingWaiting() {
    return m_manager.gate().run([&](LocalStore& store) {
        return m_manager.scheduler().nextStartable(store, Direction::kUpload) > 0 ||
               m_manager.scheduler().nextStartable(store, Direction::kDownload) > 0;
    });
}

}  // namespace nubexa
