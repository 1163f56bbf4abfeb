#include "cli/stop_on_signal.h"

#include <pthread.h>

#include <utility>

namespace nubexa::cli {

namespace {

// Wakes the watcher when its command has ended.
constexpr int kEndedSignal = SIGUSR1;

}  // namespace

sigset_t blockStopSignals() {
    sigset_t awaited;
    sigemptyset(&awaited);
    sigaddset(&awaited, SIGINT);
    sigaddset(&awaited, SIGTERM);
    sigaddset(&awaited, kEndedSignal);
    pthread_sigmask(SIG_BLOCK, &awaited, nullptr);
    return awaited;
}

StopOnSignal::StopOnSignal(const sigset_t& awaited, std::function<void()> stop)
    : m_thread([awaited, stop = std::move(stop)] {
          for (;;) {
              int received = 0;
              if (sigwait(&awaited, &received) != 0 || received == kEndedSignal)
                  return;
              stop();
          }
      }) {}

StopOnSignal::~StopOnSignal() {
    pthread_kill(m_thread.native_handle(), kEndedSignal);
    m_thread.join();
}

}  // namespace nubexa::cli
