#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>

#include "session/client_session.h"
#include "transfer/transfer_view.h"

namespace nubexa::app {

class DesktopNotice;

// Watches the whole transfer queue for the desktop: the tray's progress tooltip while
// transfers run, one notification that sums up when the queue has emptied after transfers ran,
// and one for each task that failed often enough to be held.
//
// GUI thread, but for sample(): workerEnded() gets the workers' reports after the bridge has
// brought them over; after each monitor tick sample() reads the queue off the GUI thread (one
// at a time) and apply() shows it.
class QueueWatch : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kDoneTitle = QT_TR_NOOP("传输完成");
    static constexpr const char* kFailedTitle = QT_TR_NOOP("传输失败");

    QueueWatch(ClientSession& session, DesktopNotice& notice, QObject* parent = nullptr);

    // What one tick read of the queue.
    using Sample = ClientSession::QueueSnapshot;

    void workerEnded(const WorkerReport& report);
    // Any thread: the session's totals of a tick (bin.db only after a write).
    Sample sample();
    void apply(const Sample& sample);
    // Both on the calling thread.
    void tick() { apply(sample()); }

    // What the tray shows under the client's name; empty while nothing runs.
    QString progressTip() const { return m_tip; }

    // The texts, for the tray and the notifications.
    static QString progressText(const QueueTotals& uploads, const QueueTotals& downloads);
    static QString summaryText(int uploaded, int downloaded, int failed);

signals:
    void progressTipChanged(const QString& tip);

private:
    ClientSession& m_session;
    DesktopNotice& m_notice;
    QString m_tip;
    // Since the queue was last empty.
    bool m_ran = false;
    int m_uploaded = 0;
    int m_downloaded = 0;
    int m_failed = 0;
    std::unordered_set<std::int64_t> m_heldTold;  // a held task is told of once
};

}  // namespace nubexa::app
