#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include "app/gui_bridge.h"
#include "session/session_calls.h"

namespace nubexa::app {

// Runs the blocking core calls a window asks for (web requests, store work) through the
// session's calls, and applies each result on the GUI thread through the bridge. A result whose
// receiver has been destroyed in the meantime is dropped.
class RequestRunner {
public:
    explicit RequestRunner(GuiBridge& bridge);
    ~RequestRunner() = default;  // waits for every job
    RequestRunner(const RequestRunner&) = delete;
    RequestRunner& operator=(const RequestRunner&) = delete;

    // GUI thread. `work` runs elsewhere; `apply(result)` later on the GUI thread.
    template <typename Result>
    void run(QObject* receiver, std::function<Result()> work, std::function<void(Result)> apply) {
        QPointer<QObject> guard(receiver);
        m_calls.run<Result>(std::move(work), [guard, apply = std::move(apply)](Result result) {
            if (guard)
                apply(std::move(result));
        });
    }

    // Waits until every job has run its work (their results may still be queued).
    void waitForAll() { m_calls.waitForAll(); }

private:
    SessionCalls m_calls;
};

}  // namespace nubexa::app
