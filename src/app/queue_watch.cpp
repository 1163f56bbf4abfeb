#include "app/queue_watch.h"

#include "app/core_texts.h"
#include "app/desktop_notice.h"
#include "platform/listed_size.h"

namespace nubexa::app {

QueueWatch::QueueWatch(ClientSession& session, DesktopNotice& notice, QObject* parent)
    : QObject(parent), m_session(session), m_notice(notice) {}

void QueueWatch::workerEnded(const WorkerReport& report) {
    using Outcome = WorkerReport::Outcome;
    switch (report.outcome) {
        case Outcome::kCompleted:
            ++(report.direction == Direction::kUpload ? m_uploaded : m_downloaded);
            m_ran = true;
            break;
        case Outcome::kHeldAfterFailures:
            m_ran = true;
            if (m_heldTold.insert(report.taskId).second) {
                ++m_failed;
                m_notice.notify(tr(kFailedTitle),
                                tr("“%1”多次传输失败，已暂停，稍后自动重试")
                                    .arg(QString::fromStdString(report.fileName)));
            }
            break;
        case Outcome::kRefused:
            m_ran = true;
            ++m_failed;
            m_notice.notify(tr(kFailedTitle), tr("“%1”传输失败：%2")
                                                  .arg(QString::fromStdString(report.fileName),
                                                       coreText(report.reason)));
            break;
        case Outcome::kFailed:
        case Outcome::kStopped:
            m_ran = true;
            break;
        case Outcome::kNotRun:
        case Outcome::kSignInFailed:
            break;
    }
}

QueueWatch::Sample QueueWatch::sample() {
    return m_session.queueSnapshot();
}

void QueueWatch::apply(const Sample& sample) {
    if (!sample.signedIn)
        return;
    const auto& [uploads, downloads] = sample.totals;
    const bool running = uploads.running + downloads.running > 0;
    const QString tip = running ? progressText(uploads, downloads) : QString();
    if (tip != m_tip) {
        m_tip = tip;
        emit progressTipChanged(m_tip);
    }
    if (running) {
        m_ran = true;
        return;
    }
    // Empty: nothing runs and nothing waits that the scheduler would start. Tasks the user
    // paused, or held ones, do not keep the queue busy.
    if (!m_ran || sample.anythingWaiting)
        return;
    if (m_uploaded + m_downloaded + m_failed > 0)
        m_notice.notify(tr(kDoneTitle), summaryText(m_uploaded, m_downloaded, m_failed));
    m_ran = false;
    m_uploaded = m_downloaded = m_failed = 0;
}

QString QueueWatch::progressText(const QueueTotals& uploads, const QueueTotals& downloads) {
    const std::int64_t bytes = addSaturated(uploads.bytes, downloads.bytes);
    const std::int64_t done = addSaturated(uploads.done, downloads.done);
    const int percent = percentOf(done, bytes);
    return tr("正在传输：上传 %1 个，下载 %2 个，已完成 %3%\n%4")
        .arg(uploads.tasks)
        .arg(downloads.tasks)
        .arg(percent)
        .arg(tr("上传：%1 KB/S 下载：%2 KB/S").arg(uploads.speedKBps).arg(downloads.speedKBps));
}

QString QueueWatch::summaryText(int uploaded, int downloaded, int failed) {
    QString text = tr("上传 %1 个文件，下载 %2 个文件").arg(uploaded).arg(downloaded);
    if (failed > 0)
        text += tr("，%1 个失败").arg(failed);
    return text;
}

}  // namespace nubexa::app
