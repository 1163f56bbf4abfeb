#include "session/queue_run.h"
#include "session/session_core.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "session/client_session.h"
#include "transfer/login_backoff.h"
#include "transfer/service_registrar.h"
#include "transfer/transfer_manager.h"
#include "transfer/transfer_monitor.h"

namespace nubexa {

namespace {

using Clock = std::chrono::steady_clock;

constexpr Direction kDirections[] = {Direction::kUpload, Direction::kDownload};

double secondsOf(Clock::duration duration) {
    return std::chrono::duration<double>(std::max(duration, Clock::duration::zero())).count();
}

// Whether the file server's sign-in has failed for longer than the run waits out: the next
// round would begin past `giveUpAfter` from the streak's first failure.
bool outageTooLong(const LoginBackoff& backoff, std::chrono::milliseconds giveUpAfter) {
    const auto began = backoff.streakBegan();
    const auto retryAt = backoff.retryAt();
    return began && retryAt && *retryAt > *began + giveUpAfter;
}

}  // namespace

void QueueRun::workerEnded(const WorkerReport& report) {
    {
        std::lock_guard lock(m_mutex);
        m_reports.push_back(report);
        m_news = true;
    }
    m_woken.notify_all();
}

// A worker reports its task before it looks for the next one: the end of the run comes with
// its thread's end.
void QueueRun::workerThreadEnded() {
    {
        std::lock_guard lock(m_mutex);
        m_news = true;
    }
    m_woken.notify_all();
}

void QueueRun::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_woken.notify_all();
}

bool QueueRun::waitFor(Clock::duration slice) {
    std::unique_lock lock(m_mutex);
    m_woken.wait_for(lock, slice, [this] { return m_news || m_stop; });
    m_news = false;
    return m_stop;
}

bool QueueRun::drain(QueueRunListener& listener, QueueRunResult& result) {
    std::vector<WorkerReport> reports;
    {
        std::lock_guard lock(m_mutex);
        reports = std::exchange(m_reports, {});
    }
    TransferManager& manager = SessionCore::manager(m_session);
    bool completed = false;
    for (const WorkerReport& report : reports) {
        using Outcome = WorkerReport::Outcome;
        TaskEnded ended{report};
        ended.sessionEnded = report.outcome == Outcome::kRefused && report.reason == kSessionEnded;
        if (report.outcome == Outcome::kSignInFailed) {
            const LoginBackoff& backoff = manager.backoff(report.direction);
            const auto now = Clock::now();
            ended.outageTooLong = outageTooLong(backoff, m_options.giveUpAfter);
            ended.seconds = ended.outageTooLong
                                ? secondsOf(now - backoff.streakBegan().value_or(now))
                                : secondsOf(backoff.retryAt().value_or(now) - now);
        }
        result.completed += report.outcome == Outcome::kCompleted ? 1 : 0;
        result.failed +=
            report.outcome == Outcome::kHeldAfterFailures || report.outcome == Outcome::kRefused
                ? 1
                : 0;
        completed = completed || report.outcome == Outcome::kCompleted;
        listener.taskEnded(ended);
    }
    return completed;
}

QueueProgress QueueRun::progressNow() {
    QueueProgress now;
    for (const Direction page : kDirections) {
        for (const TransferRow& row : m_session.transferRows(page)) {
            if (row.task.status != "1")
                continue;
            (page == Direction::kUpload ? now.uploadKBps : now.downloadKBps) +=
                std::atoll(row.task.speed.c_str());
            now.running.push_back({row.task.id, row.task.localFileName, row.task.scheduleValue});
        }
    }
    return now;
}

QueueLeft QueueRun::leftNow() {
    QueueLeft left;
    for (const Direction page : kDirections) {
        for (const TransferRow& row : m_session.transferRows(page)) {
            ++left.waiting;
            left.heldForResume += row.task.holdMark == hold_mark::kEarlierSession ? 1 : 0;
            // A failed task is held as a paused one is, but the user did not pause it.
            const bool failed = !row.task.failReason.empty();
            left.failed += failed ? 1 : 0;
            left.paused += !failed && row.task.holdMark == hold_mark::kUserPause ? 1 : 0;
        }
    }
    return left;
}

QueueRunResult QueueRun::run(QueueRunListener& listener) {
    // The run's own settings hold: transfers started before (to queue, or by an earlier run)
    // end first. Their workers are joined and their rows stay resumable.
    if (m_session.transfersStarted())
        m_session.endTransfers();
    TransferSettings settings = transferSettings(m_options.start);
    m_session.startTransfers(settings, m_view);
    TransferManager& manager = SessionCore::manager(m_session);
    manager.loadSpeedLimits();
    // What is given here holds for this run only; the stored choices stay.
    if (m_options.transfers > 0) {
        SpeedLimits limits = manager.limits().get();
        limits.uploadTransfers = limits.downloadTransfers = m_options.transfers;
        manager.limits().set(limits);
    }
    if (m_options.start.rateLimit) {
        settings.ftp.uploadLimit->setRate(*m_options.start.rateLimit);
        settings.ftp.downloadLimit->setRate(*m_options.start.rateLimit);
    }
    manager.setListener(this);
    if (m_options.renewSignIn)
        manager.renewal().setRenewer(m_options.renewSignIn);
    manager.recoverInterrupted();
    TransferMonitor& monitor = SessionCore::monitor(m_session);

    QueueRunResult result;
    const auto live = [&] { return manager.workers().liveCount(); };
    const auto outageTooLongNow = [&] {
        return outageTooLong(manager.backoff(Direction::kUpload), m_options.giveUpAfter) ||
               outageTooLong(manager.backoff(Direction::kDownload), m_options.giveUpAfter);
    };
    // The next tick, or the end of a sign-in back-off when that comes first: a next try that
    // was announced happens when it was announced.
    const auto nextTickAfter = [&](Clock::time_point now) {
        auto next = now + m_options.interval;
        for (const Direction direction : kDirections) {
            if (const auto retryAt = manager.backoff(direction).retryAt();
                retryAt && *retryAt > now)
                next = std::min(next, *retryAt);
        }
        return next;
    };
    // Between reports the run still looks a few times a second whether the queue has ended.
    const Clock::duration slice = m_options.progressEvery > Clock::duration::zero()
                                      ? Clock::duration(m_options.progressEvery)
                                      : Clock::duration(std::chrono::milliseconds(250));

    bool interrupted = false;
    bool done = false;
    while (!done && !interrupted) {
        // A tick starts at most one task per direction; a run fills every free slot at once.
        for (auto tick = monitor.MonitorTick();
             !m_options.tickOnly && (tick.startedUpload > 0 || tick.startedDownload > 0);)
            tick = monitor.MonitorTick();
        drain(listener, result);
        if (live() == 0 && outageTooLongNow()) {
            result.end = QueueRunResult::End::kGaveUp;
            break;
        }
        // Nothing more can be started: the run ends once the running tasks have.
        if (live() == 0 && manager.scheduler().storeFailure()) {
            result.end = QueueRunResult::End::kStoreFailed;
            break;
        }
        const auto nextTick = nextTickAfter(Clock::now());
        for (auto now = Clock::now(); now < nextTick; now = Clock::now()) {
            if (waitFor(std::min(slice, nextTick - now))) {
                interrupted = true;
                break;
            }
            const bool slotFreed = drain(listener, result);
            if (m_options.progressEvery > Clock::duration::zero())
                listener.progress(progressNow());
            if (live() == 0 && !monitor.anythingWaiting()) {
                done = true;
                break;
            }
            if (slotFreed && !m_options.tickOnly)
                break;
        }
    }
    if (interrupted) {
        listener.stopping();
        manager.stopWorkers();
        drain(listener, result);
        // What the workers left running waits for the next run, so that the queue shows it so.
        manager.recoverInterrupted();
        manager.setListener(nullptr);
        result.end = QueueRunResult::End::kInterrupted;
        return result;
    }
    manager.waitForWorkers();
    drain(listener, result);
    manager.setListener(nullptr);
    if (result.end == QueueRunResult::End::kGaveUp) {
        auto began = Clock::now();
        for (const Direction direction : kDirections)
            began = std::min(began, manager.backoff(direction).streakBegan().value_or(began));
        result.outageSeconds = secondsOf(Clock::now() - began);
    } else if (result.end == QueueRunResult::End::kFinished) {
        result.left = leftNow();
    }
    return result;
}

}  // namespace nubexa
