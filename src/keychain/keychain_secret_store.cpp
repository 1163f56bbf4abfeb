#include "keychain/keychain_secret_store.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <deque>
#include <functional>
#include <future>

namespace nubexa {

namespace {

struct Outcome {
    QKeychain::Error error = QKeychain::OtherError;
    std::string secret;
    std::string message;
};

void ensureApplication() {
    if (QCoreApplication::instance() != nullptr)
        return;
    // Lives until the process ends: QtKeychain's objects may outlive any owner we could give it.
    static int argc = 1;
    static char name[] = "nubexa";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

}  // namespace

// Jobs for the keychain thread. They pass through this queue under its own lock, not inside
// Qt's event (which only wakes the thread), so that every hand-over is one that ThreadSanitizer
// can see.
class JobQueue : public QObject {
public:
    void post(std::function<void()> job) {
        {
            std::lock_guard lock(m_mutex);
            m_jobs.push_back(std::move(job));
        }
        QMetaObject::invokeMethod(this, &JobQueue::drain, Qt::QueuedConnection);
    }

private:
    void drain() {
        std::deque<std::function<void()>> jobs;
        {
            std::lock_guard lock(m_mutex);
            jobs.swap(m_jobs);
        }
        for (auto& job : jobs)
            job();
    }

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_jobs;
};

struct KeychainSecretStore::Worker {
    QThread thread;
    JobQueue* queue = new JobQueue;  // lives in `thread`; the jobs are made and run there

    Worker() {
        queue->moveToThread(&thread);
        // Deleted in its own thread as that thread ends.
        QObject::connect(&thread, &QThread::finished, queue, &QObject::deleteLater);
        thread.start();
    }
    ~Worker() {
        thread.quit();
        thread.wait();
    }
};

KeychainSecretStore::KeychainSecretStore(std::string service, int timeoutMs)
    : m_service(std::move(service)), m_timeoutMs(timeoutMs) {}

KeychainSecretStore::~KeychainSecretStore() = default;

SecretStore::Result KeychainSecretStore::write(const std::string& key, const std::string& secret) {
    std::string value = secret;
    return run(Kind::kWrite, key, value);
}

SecretStore::Result KeychainSecretStore::read(const std::string& key, std::string& secret) {
    return run(Kind::kRead, key, secret);
}

SecretStore::Result KeychainSecretStore::erase(const std::string& key) {
    std::string unused;
    return run(Kind::kErase, key, unused);
}

SecretStore::Result KeychainSecretStore::run(Kind kind, const std::string& key,
                                             std::string& secret) {
    if (m_missing.load())
        return Result::kUnavailable;
    // The thread (and, in nubexa-cli, the application object) only once a password is asked
    // for: most commands never need one.
    std::call_once(m_started, [this] {
        ensureApplication();
        m_worker = std::make_unique<Worker>();
    });
    auto promise = std::make_shared<std::promise<Outcome>>();
    std::future<Outcome> answer = promise->get_future();
    // Plain strings cross to the keychain thread; its Qt texts are made there, so that no
    // shared Qt data is released on two threads.
    m_worker->queue->post([kind, service = m_service, name = key, value = secret, promise] {
        QKeychain::Job* job = nullptr;
        switch (kind) {
            case Kind::kWrite: {
                auto* write = new QKeychain::WritePasswordJob(QString::fromStdString(service));
                write->setTextData(QString::fromStdString(value));
                job = write;
                break;
            }
            case Kind::kRead:
                job = new QKeychain::ReadPasswordJob(QString::fromStdString(service));
                break;
            case Kind::kErase:
                job = new QKeychain::DeletePasswordJob(QString::fromStdString(service));
                break;
        }
        job->setAutoDelete(true);
        job->setInsecureFallback(false);  // never a plain-text file instead
        job->setKey(QString::fromStdString(name));
        QObject::connect(job, &QKeychain::Job::finished, job, [promise](QKeychain::Job* done) {
            Outcome outcome;
            outcome.error = done->error();
            outcome.message = done->errorString().toStdString();
            if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(done))
                outcome.secret = read->textData().toStdString();
            promise->set_value(std::move(outcome));
        });
        job->start();
    });

    if (answer.wait_for(std::chrono::milliseconds(m_timeoutMs)) != std::future_status::ready)
        return Result::kFailed;  // slow (a prompt waiting for the user) is not missing
    Outcome outcome = answer.get();
    switch (outcome.error) {
        case QKeychain::NoError:
            if (kind == Kind::kRead)
                secret = std::move(outcome.secret);
            return Result::kDone;
        case QKeychain::EntryNotFound:
            return kind == Kind::kErase ? Result::kDone : Result::kNotFound;
        case QKeychain::AccessDenied:
        case QKeychain::AccessDeniedByUser:
            return Result::kFailed;
        default:
            break;
    }
    m_missing.store(true);
    return Result::kUnavailable;
}

}  // namespace nubexa
