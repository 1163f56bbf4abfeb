#include "relayed_standin.h"

#include <algorithm>
#include <cstdio>

#include "session/queue_run.h"
#include "session/transfer_requests.h"
#include "standin/local_standin.h"

namespace nubexa::bench {

namespace {

class Quiet : public QueueRunListener {
public:
    void taskEnded(const TaskEnded&) override {}
};

}  // namespace

RelayedStandin::RelayedStandin(const std::string& work)
    : m_work(work), m_passive(RelayedLink::passiveRange()) {
    auto options =
        standin::localStandinOptions(work + "/data", [log = m_log](const std::string& line) {
            std::lock_guard lock(log->mutex);
            log->lines.push_back(line);
        });
    options.publicHost = RelayedLink::kHost;
    options.ftp.passiveLow = m_passive.first;
    options.ftp.passiveHigh = m_passive.second;
    std::string error;
    m_service = standin::startStandin(std::move(options), error);
    if (!m_service)
        std::fprintf(stderr, "stand-in: %s\n", error.c_str());
}

RelayedStandin::~RelayedStandin() {
    if (m_service)
        m_service->stop();
}

std::unique_ptr<RelayedLink> RelayedStandin::link(double roundTripMs) const {
    return std::make_unique<RelayedLink>(
        std::vector<int>{m_service->httpPort(), m_service->ftpPort()}, m_passive, roundTripMs);
}

SessionConfig RelayedStandin::config(const std::string& name) const {
    SessionConfig config;
    config.databasePath = m_work + "/bin-" + name + ".db";
    config.programFolder = m_work + "/program/";
    config.service.apiHost =
        std::string(RelayedLink::kHost) + ":" + std::to_string(m_service->httpPort());
    config.thumbnailFolder = m_work + "/thumbnails-" + name;
    return config;
}

int RelayedStandin::logged(const std::string& part) const {
    std::lock_guard lock(m_log->mutex);
    return static_cast<int>(std::count_if(
        m_log->lines.begin(), m_log->lines.end(),
        [&](const std::string& line) { return line.find(part) != std::string::npos; }));
}

bool signInDemo(ClientSession& session, const std::string& work, TransferView& view) {
    PasswordSignIn signIn;
    signIn.account = "demo";
    signIn.password = "demo123";
    if (!session.signIn(signIn).ok() || !session.lockQueue())
        return false;
    startTransfers(session, {work + "/program/", false, false, std::nullopt}, view);
    return true;
}

std::string uploadInto(ClientSession& session, const std::string& work, TransferView& view,
                       const std::vector<std::string>& files, const std::string& folderName) {
    const auto folder = session.disk().makeFolder("0", folderName);
    if (!folder.ok())
        return {};
    for (const auto& file : files)
        QueueRequests(session).fileUpload(file, RemoteFolder{folder.value.id, "\\" + folderName});
    QueueRunOptions options;
    options.start = {work + "/program/", true, false, std::nullopt};
    Quiet quiet;
    QueueRun(session, options, view).run(quiet);
    // The queue run ended the transfers it started.
    startTransfers(session, {work + "/program/", false, false, std::nullopt}, view);
    const auto listed = session.disk().folderEntries(folder.value.id);
    return listed.ok() && listed.value.files.size() == files.size() ? folder.value.id
                                                                    : std::string();
}

}  // namespace nubexa::bench
